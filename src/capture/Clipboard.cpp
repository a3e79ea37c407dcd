#include "capture/Clipboard.h"

#include "platform/Pasteboard.h"

#include <QBuffer>
#include <QImageWriter>

namespace Clipboard {

namespace {

QByteArray encoded(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) return {};
    return bytes;
}

} // namespace

bool copy(const QImage &image) {
    if (image.isNull()) return false;
    QList<platform::Pasteboard::Item> items;
    const QByteArray png = encoded(image, "png");
    if (!png.isEmpty()) items.append({QStringLiteral("image/png"), png});
    const QByteArray tiff = encoded(image, "tiff");
    if (!tiff.isEmpty()) items.append({QStringLiteral("image/tiff"), tiff});
    if (items.isEmpty()) return false;
    return platform::Pasteboard::general().setContents(items);
}

} // namespace Clipboard
