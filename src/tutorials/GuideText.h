#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QTextLayout;

// The font of a guide text: the named family when it is installed (the font system confirms the very
// family, ignoring case and the foundry, FontFamily::same), otherwise the system font at the same size
// and weight. Sizes are pixels of the guide image, which are points of the PDF.
QFont guideFont(const QString &family, double size, QFont::Weight weight);

// How one kind of guide text is set.
struct GuideTextStyle {
    double size = 0;
    QFont::Weight weight = QFont::Normal;
    QColor color;
    double kern = 0;        // extra space after every character
    double lineSpacing = 0; // extra space between lines
};

// A text of the guide laid out once, measured and drawn anywhere. Lines wrap at word boundaries (or
// anywhere in a word too long for the line) at the given width; without one, the text stays on its
// lines as written. Any thread.
class GuideText {
public:
    static constexpr double unbounded = 1e9;

    GuideText() = default;
    GuideText(const QString &text, const QString &family, const GuideTextStyle &style, double width = unbounded);

    // The laid-out size: the widest line, and the height of all lines with the font's leading and the
    // spacing between lines, rounded up to whole pixels.
    QSizeF size() const { return m_size; }
    // The text as laid out (line feeds shown as line separators).
    QString text() const;
    double height() const { return m_size.height(); }
    QFont font() const;

    // Draws the text with its top-left corner at `topLeft`.
    void draw(QPainter &painter, QPointF topLeft) const;
    // Draws a single-line text so that the centre of its measured size lies on `centre`.
    void drawCentred(QPainter &painter, QPointF centre) const;

private:
    std::shared_ptr<const QTextLayout> m_layout;
    QColor m_color;
    QSizeF m_size;
};
