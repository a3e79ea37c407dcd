#include "tutorials/TutorialRenderer.h"

#include "core/Localization.h"
#include "core/SystemFont.h"
#include "platform/PngStreamWriter.h"
#include "tutorials/GuideLayout.h"
#include "tutorials/PdfPictures.h"

#include <QIODevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <cstring>
#include <functional>

namespace TutorialRenderer {

namespace {

// Everything measured before anything is drawn; screenshots are not decoded for it.
struct Plan {
    TutorialPalette palette;
    GuideLayout::Header header;
    QList<GuideLayout::Step> steps;

    double firstStepTop() const { return GuideLayout::margin + header.block() + 72; }
    double height() const {
        double h = firstStepTop() + 120;
        for (const GuideLayout::Step &step : steps) h += step.height();
        return h;
    }
};

Plan plan(const Input &input) {
    Plan p{paletteOf(input), {}, {}};
    p.header = GuideLayout::header(input, p.palette);
    for (qsizetype i = 0; i < input.steps.size(); ++i)
        p.steps.append(GuideLayout::step(input.steps[i].step, input.steps[i].size, static_cast<int>(i + 1), p.palette));
    return p;
}

Result failure(Result::Failure kind, qsizetype step = -1, QString error = {}) { return {kind, step, std::move(error)}; }

// Bands of at most this many rows: a step of a tall screenshot and a long description fits in one.
constexpr int maxBandRows = 2048;

using BandSink = std::function<bool(const QImage &band)>;

// Rows [top, bottom) of the guide, painted by `paint` in guide coordinates, handed on band by band.
bool emitRows(int top, int bottom, const QColor &background, const std::function<void(QPainter &)> &paint,
              const BandSink &sink) {
    for (int y0 = top; y0 < bottom; y0 += maxBandRows) {
        QImage band(guideWidth, std::min(maxBandRows, bottom - y0), QImage::Format_ARGB32_Premultiplied);
        if (band.isNull()) return false;
        SystemFont::useOnePixelPerPoint(band);
        band.fill(background);
        QPainter painter(&band);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
        painter.translate(0, -y0);
        paint(painter);
        painter.end();
        if (!sink(band)) return false;
    }
    return true;
}

// The guide image drawn section by section (header, each step, footer), each step's picture decoded
// only for its own section.
Result drawGuide(const Input &input, const BandSink &sink, const std::function<bool(int height)> &begin) {
    const Plan p = plan(input);
    const double height = p.height();
    if (!(height <= maxGuideHeight)) return failure(Result::Failure::tooLarge);
    const int rows = static_cast<int>(std::round(height));
    if (!begin(rows)) return failure(Result::Failure::tooLarge);
    const auto cannotWrite = [] { return failure(Result::Failure::cannotWrite); };

    double y = p.firstStepTop();
    if (!emitRows(
            0, static_cast<int>(std::round(y)), p.palette.background,
            [&](QPainter &painter) { GuideLayout::drawHeader(painter, p.header, GuideLayout::margin); }, sink))
        return cannotWrite();
    for (qsizetype i = 0; i < input.steps.size(); ++i) {
        const QImage picture = input.steps[i].load();
        if (picture.isNull()) return failure(Result::Failure::unreadableStep, i);
        const GuideLayout::Step &layout = p.steps[i];
        const auto paint = [&](QPainter &painter) {
            GuideLayout::drawStep(painter, layout, input.steps[i].step, picture, static_cast<int>(i + 1), y, p.palette);
        };
        if (!emitRows(static_cast<int>(std::round(y)), static_cast<int>(std::round(y + layout.height())),
                      p.palette.background, paint, sink))
            return cannotWrite();
        y += layout.height();
    }
    const GuideText footer = GuideLayout::footer(input, p.palette);
    const auto paintFooter = [&](QPainter &painter) {
        footer.draw(painter, QPointF((guideWidth - footer.size().width()) / 2, y + 24));
    };
    if (!emitRows(static_cast<int>(std::round(y)), rows, p.palette.background, paintFooter, sink)) return cannotWrite();
    return {};
}

QPageSize pageSize(double height) {
    return QPageSize(QSizeF(guideWidth, std::ceil(height)), QPageSize::Point, QString(), QPageSize::ExactMatch);
}

// Starts a page: its background, on a painter whose state is saved until the page ends.
void beginPage(QPainter &painter, const TutorialPalette &palette, double height) {
    painter.save();
    painter.fillRect(QRectF(0, 0, guideWidth, std::ceil(height)), palette.background);
}

} // namespace

TutorialPalette paletteOf(const Input &input) {
    return TutorialPalette::of(input.theme, input.brand ? &*input.brand : nullptr);
}

double guideHeight(const Input &input) { return plan(input).height(); }

QImage renderImage(const Input &input, Result *result) {
    QImage image;
    const auto begin = [&](int rows) {
        image = QImage(guideWidth, rows, QImage::Format_ARGB32_Premultiplied);
        SystemFont::useOnePixelPerPoint(image);
        return !image.isNull();
    };
    int filled = 0;
    const auto sink = [&](const QImage &band) {
        for (int y = 0; y < band.height(); ++y)
            std::memcpy(image.scanLine(filled + y), band.constScanLine(y), static_cast<size_t>(band.bytesPerLine()));
        filled += band.height();
        return true;
    };
    Result outcome = drawGuide(input, sink, begin);
    if (result) *result = outcome;
    return outcome.ok() ? image : QImage();
}

Result writeImage(const Input &input, QIODevice *device) {
    std::unique_ptr<platform::PngStreamWriter> writer;
    const auto begin = [&](int rows) {
        writer = std::make_unique<platform::PngStreamWriter>(device, QSize(guideWidth, rows));
        return true;
    };
    const auto sink = [&](const QImage &band) { return writer->writeRows(band); };
    Result outcome = drawGuide(input, sink, begin);
    if (outcome.ok() && !writer->finish()) outcome = failure(Result::Failure::cannotWrite);
    if (outcome.failure == Result::Failure::cannotWrite && writer) outcome.error = writer->errorString();
    return outcome;
}

Result writePDF(const Input &input, QIODevice *device) {
    const Plan p = plan(input);
    PdfPictures pictures(device);
    QPdfWriter writer(pictures.device());
    writer.setTitle(input.title);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(), QPageLayout::Point);
    const double coverHeight = std::max(900.0, p.header.block() + 192);
    writer.setPageSize(pageSize(coverHeight));
    QPainter painter;
    if (!painter.begin(&writer)) return failure(Result::Failure::cannotWrite, -1, device->errorString());
    // Screenshots stay lossless: never re-encoded as JPEG.
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing |
                           QPainter::LosslessImageRendering);

    beginPage(painter, p.palette, coverHeight);
    GuideLayout::drawHeader(painter, p.header, (coverHeight - p.header.block()) / 2);
    painter.restore();

    const QString total = QString::number(input.steps.size());
    for (qsizetype i = 0; i < input.steps.size(); ++i) {
        const QImage picture = input.steps[i].load();
        if (picture.isNull()) return failure(Result::Failure::unreadableStep, i);
        const GuideLayout::Step &layout = p.steps[i];
        const double height = 152 + layout.height();
        writer.setPageSize(pageSize(height));
        writer.newPage();
        beginPage(painter, p.palette, height);
        const QString label =
            L(LKey(QStringLiteral("%@ · Passo %@ de %@"), {input.title, QString::number(i + 1), total}));
        GuideText(label.toUpper(), p.palette.fontFamily, {18, QFont::DemiBold, p.palette.muted, 1.2, 0})
            .draw(painter, QPointF(GuideLayout::margin, 88));
        pictures.beginPicture();
        GuideLayout::drawStep(painter, layout, input.steps[i].step, pictures.standIn(), static_cast<int>(i + 1), 152,
                              p.palette);
        painter.restore();
        if (!pictures.endPicture(picture, p.palette.background))
            return failure(Result::Failure::cannotWrite, -1, device->errorString());
    }
    QString error;
    if (!painter.end() || !pictures.finish(&error))
        return failure(Result::Failure::cannotWrite, -1, error.isEmpty() ? device->errorString() : error);
    return {};
}

QImage stepImage(const TutorialStep &step, const QImage &image, int number, const TutorialPalette &palette) {
    if (!step.marker || image.isNull()) return image;
    QImage canvas = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return image;
    SystemFont::useOnePixelPerPoint(canvas);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const double w = canvas.width();
    const double h = canvas.height();
    const double r = std::max(20.0, 0.035 * std::min(w, h));
    const QPointF centre(std::clamp(step.marker->x(), 0.0, 1.0) * w, std::clamp(step.marker->y(), 0.0, 1.0) * h);
    GuideLayout::drawMarker(painter, centre, r, number, palette);
    painter.end();
    return canvas;
}

QString stepImageName(int number) { return QStringLiteral("passo-%1.png").arg(number, 2, 10, QLatin1Char('0')); }

namespace {
// A heading is one line: a title pasted with line breaks keeps its words on it.
QString oneLine(const QString &title) { return title.simplified(); }
} // namespace

QString markdown(const Input &input) {
    QStringList lines{QStringLiteral("# ") + oneLine(input.title), QString()};
    for (qsizetype i = 0; i < input.steps.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        const TutorialStep &step = input.steps[i].step;
        const QString fallback = L(LKey(QStringLiteral("Passo %@"), {QString::number(n)}));
        const QString title = oneLine(step.title);
        lines << QStringLiteral("## %1. ").arg(n) + (title.isEmpty() ? fallback : title) << QString();
        if (const QString detail = step.detail.trimmed(); !detail.isEmpty()) lines << detail << QString();
        lines << QStringLiteral("![") + fallback + QStringLiteral("](") + stepImageName(n) + QLatin1Char(')')
              << QString();
    }
    lines << QStringLiteral("---") << QLatin1Char('_') + GuideLayout::footerText(input) + QLatin1Char('_');
    return lines.join(QLatin1Char('\n'));
}

} // namespace TutorialRenderer
