#include "platform/ImageFile.h"

#include "platform/HeifCodec.h"
#include "platform/ImageChecks.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

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
    const int longer = std::max(image.width(), image.height());
    if (image.isNull() || maxSide < 1 || longer <= maxSide) return image;
    const double scale = double(maxSide) / longer;
    const QSize size(std::max(1, int(std::lround(image.width() * scale))),
                     std::max(1, int(std::lround(image.height() * scale))));
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace platform::ImageFile
