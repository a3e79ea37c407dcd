#include "core/Exporter.h"

#include "core/Log.h"
#include "platform/HeifCodec.h"
#include "platform/ImageChecks.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace Exporter {

namespace {

// Qt takes PNG compression as 0–100 and turns it into zlib level value × 9 / 100, so 0–9 all mean
// level 0: an uncompressed file. 40 is level 3: on window captures it writes files as small as level
// 6 (zlib's default) in half the time; levels 8–9 save under 1 % for 3–8 times the time.
constexpr int pngCompression = 40;

// A copy of `image` composited on opaque white; null when it cannot be allocated.
QImage onWhite(const QImage &image) {
    QImage canvas(image.size(), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return {};
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    // Rectangles in pixels on both sides, whatever the image's device pixel ratio.
    painter.drawImage(QRectF(canvas.rect()), image, QRectF(image.rect()));
    painter.end();
    return canvas;
}

double effectiveQuality(double quality) {
    return std::isfinite(quality) ? std::clamp(quality, 0.0, 1.0) : ExportSettings{}.quality;
}

} // namespace

std::optional<QByteArray> encodeWithQt(const QImage &image, const char *format, int quality, int compression) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return std::nullopt;
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (compression >= 0) writer.setCompression(compression);
    if (!writer.write(image)) {
        qCWarning(lcCore, "%s encoding failed: %s", format, qPrintable(writer.errorString()));
        return std::nullopt;
    }
    return bytes;
}

QImage prepare(const QImage &image, const ExportSettings &settings) {
    const bool jpeg = settings.format == ExportFormat::jpeg;
    if (image.isNull() || (settings.scale == ExportScale::retina && !jpeg)) return image;

    const double factor = scaleFactor(settings.scale);
    // std::lround rounds halves away from zero: a 101-pixel side at half scale becomes 51.
    const QSize target(std::max(1L, std::lround(image.width() * factor)),
                       std::max(1L, std::lround(image.height() * factor)));

    QImage scaled = image;
    if (target != image.size()) {
        // Area-averaging downscale, the smooth kind that keeps thin text legible.
        scaled = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull()) return image;
    }
    QImage out = jpeg ? onWhite(scaled) : scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (out.isNull()) return image;
    out.setDevicePixelRatio(1.0);
    return out;
}

std::optional<QByteArray> encode(const QImage &image, const ExportSettings &settings) {
    if (image.isNull() || !platform::fitsImageLimits(image.size())) return std::nullopt;
    const double quality = effectiveQuality(settings.quality);
    switch (settings.format) {
    case ExportFormat::png:
        // Deliberately no quality: the same picture gives the same bytes whatever the setting.
        return encodeWithQt(image, "png", -1, pngCompression);
    case ExportFormat::jpeg: {
        // Qt's JPEG writer turns transparency black; a picture that skipped `prepare` is flattened
        // on white here as well.
        const QImage opaque = platform::hasTransparentPixels(image) ? onWhite(image) : image;
        if (opaque.isNull()) return std::nullopt;
        return encodeWithQt(opaque, "jpeg", int(std::lround(quality * 100)), -1);
    }
    case ExportFormat::heic: {
        QString error;
        auto bytes = platform::HeifCodec::encode(image, quality, &error);
        if (!bytes) qCWarning(lcCore, "HEIC encoding failed: %s", qPrintable(error));
        return bytes;
    }
    }
    return std::nullopt;
}

} // namespace Exporter
