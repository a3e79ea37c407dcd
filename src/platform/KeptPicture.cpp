#include "platform/KeptPicture.h"

#include "platform/ImageChecks.h"
#include "platform/ImageFile.h"
#include "platform/PngCodec.h"
#include "platform/PrivateFolder.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>

namespace platform::KeptPicture {

namespace {

bool present(const QString &path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

Read read(const QString &path) {
    const RegularFile::Read file = RegularFile::readOwn(path, maxPictureFileBytes);
    if (file.status == RegularFile::Status::missing && !present(path)) return {Status::missing, {}, {}, file.error};
    if (file.status != RegularFile::Status::ok) return {Status::unreadable, {}, {}, file.error};
    // Only PNG is written there: a file of another format is none of ours.
    if (!PngCodec::isPng(file.bytes)) return {Status::unreadable, {}, {}, QStringLiteral("not a PNG file")};
    QString error;
    QImage image = ImageFile::decode(file.bytes, &error);
    if (image.isNull()) return {Status::unreadable, {}, {}, error};
    return {Status::ok, file.bytes, std::move(image), {}};
}

QString asideFolder(const QString &path) { return QFileInfo(path).path() + QStringLiteral("/Ilegíveis"); }

QString setAside(const QString &path) {
    const QString folder = asideFolder(path);
    if (PrivateFolder::ensure(folder) != PrivateFolder::Problem::none) return {};
    const QString name = QFileInfo(path).fileName();
    QString target = folder + QLatin1Char('/') + name;
    for (int n = 2; present(target); ++n) target = folder + QStringLiteral("/%1 (%2)").arg(name).arg(n);
    return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0 ? target
                                                                                                     : QString();
}

} // namespace platform::KeptPicture
