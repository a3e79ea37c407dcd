#pragma once

#include "tutorials/StepPicture.h"
#include "tutorials/Tutorial.h"
#include "tutorials/TutorialPalette.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

// Draws a tutorial for export: one tall guide image 1600 pixels wide, a PDF with a cover and one page
// per step, a step's screenshot with its click marker, and the Markdown text of an exported folder.
// Stateless; any thread. Step pictures are decoded one at a time, when their step is drawn, and the
// guide image is drawn band by band, so a long guide never needs all its screenshots in memory.
namespace TutorialRenderer {

// What an export hands over, frozen on the main thread.
struct Input {
    QString title; // as stored: possibly empty, not trimmed
    TutorialTheme theme = TutorialTheme::light;
    QDateTime date;                     // the tutorial's creation date
    QList<StepPicture> steps;           // numbered from 1 in this order
    std::optional<BrandSnapshot> brand; // the brand theme's colours, font, logo and footer
};

inline constexpr int guideWidth = 1600;
// Taller guides are not drawn as one image: nothing could show or paste them.
inline constexpr double maxGuideHeight = 160'000;

// How a rendering ended.
struct Result {
    enum class Failure { none, unreadableStep, tooLarge, cannotWrite };
    Failure failure = Failure::none;
    qsizetype step = -1; // for unreadableStep: the index of the step whose picture did not decode
    QString error;       // for cannotWrite: what the device said
    bool ok() const { return failure == Failure::none; }
};

// The palette of the input's theme (its brand only for the brand theme).
TutorialPalette paletteOf(const Input &input);

// The guide image's height in pixels, before rounding.
double guideHeight(const Input &input);

// The whole guide as one image; null, with the reason in `result`, when it is taller than
// maxGuideHeight, cannot be allocated, or a step's picture does not decode.
QImage renderImage(const Input &input, Result *result = nullptr);

// The guide image written as PNG to `device`, band by band (opaque RGB).
Result writeImage(const Input &input, QIODevice *device);

// The guide as a PDF written to `device`: a cover with the header, then one page per step, each page
// exactly as tall as its content; screenshots embedded losslessly at their own resolution.
Result writePDF(const Input &input, QIODevice *device);

// The screenshot of step `number` with its click marker drawn on it at its own size; the screenshot
// itself when the step has no marker (or no copy can be made).
QImage stepImage(const TutorialStep &step, const QImage &image, int number, const TutorialPalette &palette);

// The file name of step `number`'s image in an exported folder: "passo-07.png", "passo-100.png".
QString stepImageName(int number);

// The README of an exported folder, referring to the step images by stepImageName; no final line feed.
QString markdown(const Input &input);

} // namespace TutorialRenderer
