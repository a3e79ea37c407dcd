#pragma once

#include <QImage>
#include <QRect>

#include <vector>

// How a screenshot is turned into what the text engine reads best: which pixels are ink, and each
// line of text as grey ink on white (dark text on a light ground whatever its colours), small text
// enlarged.
namespace TextPreparation {

// False when `image` is so flat that it cannot hold readable text (checked before any other work).
bool hasContrast(const QImage &image);

// `image` as opaque RGB32, transparent parts on white (window shadows read as paper, not black);
// null when it cannot be converted.
QImage flattened(const QImage &image);

// Which pixels of a flattened screenshot are ink. Screens are built of flat fills (pages, panels,
// buttons, badges, fields); a pixel is ink when it lies on none of them and is not part of a rule
// (a border, a separator, a grid line), so light text on a coloured button is ink as much as dark
// text on paper.
struct InkMap {
    int width = 0;
    int height = 0;
    std::vector<quint8> ink;    // 1 for ink, row by row
    std::vector<qint32> region; // every pixel's flat region, row by row
    std::vector<quint8> ground; // per region: 1 when it is a fill text can lie on
    // Per region of a fill's colour (a fill, or a patch of one that text cut off): which of the
    // screen's fill colours it has; kNoColour for other regions and past the 64th colour.
    std::vector<quint8> colour;
    static constexpr quint8 kNoColour = 255;
};
InkMap inkOf(const QImage &flat);

// One line to read: `area` of the flattened screenshot as grey ink on white, each pixel as dark as
// it differs from the colour around the line (the ground it lies on), inside a white border (the
// engine finds lines poorly when ink touches the edge), the whole enlarged `magnification` times.
struct LineImage {
    QImage image;    // null when it cannot be made
    QPointF origin;  // where the image's top left corner lies on the screenshot
    qreal scale = 1; // image pixels per screenshot pixel
};
LineImage lineImage(const QImage &flat, const QRect &area, qreal magnification);

// How many times a line `lineHeight` pixels tall (ascenders to descenders) is enlarged for reading.
qreal magnificationFor(int lineHeight);

} // namespace TextPreparation
