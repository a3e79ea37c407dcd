#include "platform/ImageFile.h"

#include "platform/HeifCodec.h"
#include "platform/ImageChecks.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace platform::ImageFile {

QImage read(const QString &path) {
    if (QFileInfo(path).suffix().compare(QLatin1String("heic"), Qt::CaseInsensitive) == 0)
        return HeifCodec::decodeFile(path).value_or(QImage());
    // Qt's process-wide allocation cap (128 MB) refuses an 8K capture; the size check below is the
    // guard, so the cap is raised once to the image limits.
    static const bool capRaised = [] {
        QImageReader::setAllocationLimit(int(maxImagePixels * 4 / (1024 * 1024)) + 1);
        return true;
    }();
    Q_UNUSED(capRaised);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!fitsImageLimits(reader.size())) return {};
    const QImage image = reader.read();
    return fitsImageLimits(image.size()) ? image : QImage();
}

QImage readScaled(const QString &path, int maxSide) {
    const QImage image = read(path);
    if (image.isNull() || maxSide < 1 || std::max(image.width(), image.height()) <= maxSide) return image;
    return image.scaled(QSize(maxSide, maxSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace platform::ImageFile
