#pragma once

#include "tutorials/GuideText.h"
#include "tutorials/TutorialPalette.h"
#include "tutorials/TutorialRenderer.h"

#include <QImage>
#include <QSizeF>

#include <optional>

class QPainter;

// The measures and drawing shared by the guide image and the PDF. Distances are pixels of the image
// (points of the PDF), y downwards from the top of the guide or page.
namespace GuideLayout {

inline constexpr double margin = 96;    // left margin, and the top of the header
inline constexpr double column = 1408;  // the content column
inline constexpr double textLeft = 188; // step text, right of the badge
inline constexpr double textWidth = 1316;
inline constexpr double badge = 64;
inline constexpr double maxImageHeight = 1500;

struct Header {
    GuideText kicker;
    GuideText title;
    GuideText date;
    QImage logo;     // already tinted; null without one
    QSizeF logoSize; // empty without a logo

    // Logo (and its gap), kicker, title and date: 46 + title + 18 + 30 below the logo part.
    double block() const;
};

struct Step {
    GuideText title;
    std::optional<GuideText> detail;
    double textHeight = 0;
    QSizeF imageSize; // the screenshot's drawn size

    // Badge or text, gap, screenshot and the space below it.
    double height() const;
};

Header header(const TutorialRenderer::Input &input, const TutorialPalette &palette);
// `pictureSize` is the screenshot's pixel size.
Step step(const TutorialStep &step, QSize pictureSize, int number, const TutorialPalette &palette);
// The brand's footer, or "Feito com Pelicarta".
QString footerText(const TutorialRenderer::Input &input);
GuideText footer(const TutorialRenderer::Input &input, const TutorialPalette &palette);

// Logo, kicker, title and date from `top` down.
void drawHeader(QPainter &painter, const Header &header, double top);
// One numbered step whose top is at `y`: badge, text, framed screenshot, click marker. On a raster
// device the screenshot is resampled once to its drawn size; in a PDF it is embedded whole and scaled
// by the page.
void drawStep(QPainter &painter, const Step &layout, const TutorialStep &step, const QImage &picture, int number,
              double y, const TutorialPalette &palette);
// A numbered click marker of radius `r` centred on `centre`: white ring 0.18 r with a soft shadow,
// accent disc, digits 0.95 r.
void drawMarker(QPainter &painter, QPointF centre, double r, int number, const TutorialPalette &palette);

} // namespace GuideLayout
