#include "tutorials/StepPicture.h"

#include "platform/ImageChecks.h"

#include <QImageReader>

#include <cmath>

namespace {

QSize uprightSize(QImageReader &reader) {
    QSize size = reader.size();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
    return size;
}

} // namespace

std::optional<StepPicture> StepPicture::probe(const TutorialStep &step, const QString &file) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QSize size = uprightSize(reader);
    if (!reader.canRead() || !platform::fitsImageLimits(size)) return std::nullopt;
    return StepPicture{step, file, size, {}};
}

StepPicture StepPicture::inMemory(const TutorialStep &step, const QImage &image) {
    return StepPicture{step, {}, image.size(), image};
}

QImage StepPicture::load() const {
    if (!image.isNull()) return image;
    const QImage read = readStepPicture(file);
    return read.size() == size ? read : QImage();
}

QImage readStepPicture(const QString &file, int longestSide) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!platform::fitsImageLimits(stored)) return {};
    if (longestSide > 0 && std::max(stored.width(), stored.height()) > longestSide)
        reader.setScaledSize(stored.scaled(longestSide, longestSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    return reader.read();
}
