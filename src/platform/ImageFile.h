#pragma once

#include <QImage>
#include <QString>

namespace platform {

// Reading the picture of an image file: HEIC through libheif, every other format through Qt's
// readers. A file that is not a picture, or whose header claims a size beyond the image limits
// (ImageChecks.h), gives a null image before anything large is allocated. Any thread.
namespace ImageFile {

QImage read(const QString &path);

// The picture scaled down (smoothly) so that its longer side is at most `maxSide`; never enlarged.
QImage readScaled(const QString &path, int maxSide);

} // namespace ImageFile
} // namespace platform
