#include "brand/LogoPicture.h"

#include "brand/SelfContainedSvg.h"
#include "platform/HeifCodec.h"
#include "platform/ImageChecks.h"
#include "platform/PdfPage.h"
#include "platform/PngCodec.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace LogoPictures {

namespace {

// Files that hold one picture at several sizes; the one with the most rows is taken.
constexpr int maxRepresentations = 64;

bool withinLimits(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= platform::maxImageSide &&
           size.height() <= platform::maxImageSide && qint64(size.width()) * size.height() <= maxPixels;
}

QImage toSRgb(QImage image) {
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

bool isHeif(const QByteArray &bytes) { return bytes.size() >= 12 && bytes.mid(4, 4) == "ftyp"; }

bool isPostScript(const QByteArray &bytes) { return bytes.startsWith("%!") || bytes.startsWith("\xC5\xD0\xD3\xC6"); }

// A reader that recognises the format by its content, or by the extension for formats without a
// signature (TGA).
std::unique_ptr<QImageReader> openReader(QBuffer &buffer, const QByteArray &formatHint) {
    auto reader = std::make_unique<QImageReader>(&buffer);
    reader->setDecideFormatFromContent(true);
    if (reader->canRead() || formatHint.isEmpty()) return reader;
    buffer.seek(0);
    reader = std::make_unique<QImageReader>(&buffer, formatHint);
    return reader;
}

// The formats read as pictures: the ones Qt reads that hold nothing but pixels (a document format,
// SVG among them, could name other files or run programs).
bool isPictureFormat(const QByteArray &format) {
    static const QByteArrayList formats{"png", "jpeg", "jpg",  "gif", "bmp", "tiff", "tif", "webp", "icns", "ico",
                                        "cur", "tga",  "wbmp", "pbm", "pgm", "ppm",  "xbm", "xpm",  "mng"};
    return formats.contains(format);
}

// Which of the pictures in the file has the most rows (the first of equals).
int tallestRepresentation(const QByteArray &bytes, const QByteArray &format) {
    if (format != "tiff" && format != "icns" && format != "ico") return 0;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const int count = std::min(reader.imageCount(), maxRepresentations);
    int best = 0, rows = -1;
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i)) break;
        const int height = reader.size().height();
        if (height > rows) best = i, rows = height;
    }
    return best;
}

std::optional<LogoPicture> svgPicture(const QByteArray &bytes) {
    const std::optional<QByteArray> alone = SelfContainedSvg::from(bytes);
    if (!alone) return std::nullopt;
    auto renderer = std::make_shared<QSvgRenderer>(*alone);
    if (!renderer->isValid()) return std::nullopt;
    LogoPicture picture;
    picture.points = renderer->defaultSize();
    picture.draw = [renderer](QSize pixels) {
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) return QImage();
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer->render(&painter, QRectF(QPointF(), QSizeF(pixels)));
        return image;
    };
    return picture;
}

std::optional<LogoPicture> postScriptPicture(const QByteArray &bytes, const platform::Ghostscript::Limits &limits) {
    // Without a bounding box the document is a page; gs's own default is a US Letter page.
    const QRectF box = platform::Ghostscript::boundingBox(bytes).value_or(QRectF(0, 0, 612, 792));
    if (platform::Ghostscript::programPath(limits).isEmpty()) return std::nullopt;
    LogoPicture picture;
    picture.points = box.size();
    picture.draw = [bytes, box, limits](QSize pixels) {
        return platform::Ghostscript::render(bytes, box, pixels, limits).value_or(QImage());
    };
    return picture;
}

std::optional<LogoPicture> heifPicture(const QByteArray &bytes) {
    const auto size = platform::HeifCodec::readSize(bytes);
    if (!size || !withinLimits(*size)) return std::nullopt;
    auto image = platform::HeifCodec::decode(bytes);
    if (!image) return std::nullopt;
    return LogoPicture{toSRgb(*image), {}, {}};
}

} // namespace

QSize fittedSize(QSizeF size, QSize box, bool enlarge) {
    if (!(size.width() > 0 && size.height() > 0) || !std::isfinite(size.width()) || !std::isfinite(size.height()))
        return {};
    double scale = std::min(box.width() / size.width(), box.height() / size.height());
    if (!enlarge) scale = std::min(1.0, scale);
    // The side that meets the box would lose a pixel to rounding in the last bit without the nudge.
    const auto side = [scale](double s) { return std::max(1, int(std::min(s * scale + 1e-9, 1e9))); };
    return {side(size.width()), side(size.height())};
}

QImage readBitmap(const QByteArray &bytes, const QByteArray &formatHint, QSize fit) {
    // Qt's PNG reader takes every chunk at its declared size, however little of it the file holds.
    if (platform::PngCodec::isPng(bytes) && !platform::PngCodec::chunksWithinLimits(bytes)) return {};
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    auto reader = openReader(buffer, formatHint);
    const QByteArray format = reader->format();
    if (!isPictureFormat(format)) return {};
    if (const int index = tallestRepresentation(bytes, format); index > 0) reader->jumpToImage(index);
    const QSize declared = reader->size();
    if (declared.isValid() && !withinLimits(declared)) return {};
    reader->setAutoTransform(true);
    // JPEG decodes straight to a smaller size, which is far faster for photographs.
    if (format == "jpeg" && declared.isValid() && fit.isValid()) {
        const bool turned = reader->transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize shown = turned ? declared.transposed() : declared;
        const QSize target = fittedSize(shown, fit, false);
        if (target.isValid() && target != shown) reader->setScaledSize(turned ? target.transposed() : target);
    }
    // A cut-off JPEG decodes with grey where the rest was; it is refused like any damaged file.
    if (format == "jpeg" && bytes.lastIndexOf("\xFF\xD9") < bytes.lastIndexOf("\xFF\xDA")) return {};
    QImage image = reader->read();
    if (image.isNull() || !withinLimits(image.size())) return {};
    return toSRgb(std::move(image));
}

std::optional<LogoRenderFrames::Kind> documentKind(const QByteArray &bytes, const QByteArray &formatHint) {
    if (isPostScript(bytes)) return LogoRenderFrames::Kind::postScript;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = openReader(buffer, formatHint)->format();
    if (format == "svg" || format == "svgz") return LogoRenderFrames::Kind::svg;
    return std::nullopt;
}

std::optional<LogoPicture> readRaster(const QByteArray &bytes, const QByteArray &formatHint, QSize fit) {
    if (bytes.isEmpty() || bytes.size() > maxFileBytes) return std::nullopt;
    if (isHeif(bytes)) {
        if (auto picture = heifPicture(bytes)) return picture;
    }
    QImage bitmap = readBitmap(bytes, formatHint, fit);
    if (bitmap.isNull()) return std::nullopt;
    return LogoPicture{std::move(bitmap), {}, {}};
}

std::optional<LogoPicture> readDocument(LogoRenderFrames::Kind kind, const QByteArray &bytes,
                                        const platform::Ghostscript::Limits &ghostscript, int timeoutMs) {
    if (bytes.isEmpty() || bytes.size() > maxFileBytes) return std::nullopt;
    switch (kind) {
    case LogoRenderFrames::Kind::pdf: {
        std::shared_ptr<platform::PdfPage> page = platform::PdfPage::open(bytes);
        if (!page) return std::nullopt;
        LogoPicture picture;
        picture.points = page->size();
        picture.draw = [page, timeoutMs](QSize pixels) { return page->render(pixels, timeoutMs); };
        return picture;
    }
    case LogoRenderFrames::Kind::postScript: return postScriptPicture(bytes, ghostscript);
    case LogoRenderFrames::Kind::svg: return svgPicture(bytes);
    }
    return std::nullopt;
}

} // namespace LogoPictures
