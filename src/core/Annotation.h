#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

// One mark drawn on a capture, in pixels of the whole captured image (origin top left, y downwards),
// even when the editor crops it; the renderer shifts marks by the crop.
struct Annotation {
    // What the mark is; a text label carries its string.
    struct Kind {
        enum Case { text, arrow, rectangle, highlight, blur };
        Case type = arrow;
        QString string; // the label of a `text` kind; empty for the others

        Kind(Case c = arrow) : type(c) {}
        static Kind label(QString s) {
            Kind k(text);
            k.string = std::move(s);
            return k;
        }
        bool operator==(const Kind &other) const {
            return type == other.type && (type != text || string == other.string);
        }
    };

    // The stroke size offered for new marks; raw values 1 to 3.
    enum class Thickness { thin = 1, medium = 2, thick = 3 };
    static constexpr std::array<Thickness, 3> allThicknesses{Thickness::thin, Thickness::medium, Thickness::thick};
    static std::optional<Thickness> thickness(int rawValue);
    // The stroke width of a new mark on an image of `imageSize`: a base of the longer side / 320,
    // kept within 3 … 10 pixels, times 0.7, 1 or 1.6.
    static double strokeWidth(QSize imageSize, Thickness thickness);

    struct PaletteEntry {
        quint32 color;
        const char *nameKey;
    };
    // The seven colours offered for marks, in the order shown.
    static const std::array<PaletteEntry, 7> palette;
    // The shown name of a palette colour; "Preto" for any colour that is not one of the first six.
    static QString paletteName(quint32 color);

    QUuid id = QUuid::createUuid();
    Kind kind;
    QPointF start; // where the drag began; a label's top-left corner
    QPointF end;   // where it ended; an arrow's tip
    quint32 color = 0xFF5A5F;
    double width = 6; // stroke width in image pixels; also sets shadows and a label's font size

    // The box of a rectangle, highlight or blur: the rectangle between start and end, either way round.
    QRectF box() const { return QRectF(start, end).normalized(); }

    bool operator==(const Annotation &other) const = default;
};
