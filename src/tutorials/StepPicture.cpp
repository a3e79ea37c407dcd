#include "tutorials/StepPicture.h"

#include "platform/ImageChecks.h"
#include "platform/ImageFile.h"

std::optional<StepPicture> StepPicture::probe(const TutorialStep &step, const QString &file) {
    // Through the bounded reader too: the file may be a FIFO, or declare metadata of gigabytes.
    const auto size = platform::ImageFile::readSize(file);
    if (!size || !platform::fitsImageLimits(*size)) return std::nullopt;
    return StepPicture{step, file, *size, {}};
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
    // Through the bounded reader: a step picture is a file anyone could have replaced.
    return longestSide > 0 ? platform::ImageFile::readScaled(file, longestSide) : platform::ImageFile::read(file);
}
