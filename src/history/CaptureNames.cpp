#include "history/CaptureNames.h"

#include "core/CaptureFileName.h"
#include "history/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

CaptureNames &CaptureNames::shared() {
    static CaptureNames *names = new CaptureNames; // never destroyed: see the header
    return *names;
}

QString CaptureNames::freeName(const QString &stem, const QString &extension) const {
    QString path = stem + QLatin1Char('.') + extension;
    for (qint64 n = 2; m_reserved.contains(path) || QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extension);
    return path;
}

QString CaptureNames::reserve(const QString &folder, const QDateTime &taken, const QString &extension) {
    std::lock_guard lock(m_mutex);
    const QString path = freeName(folder + QLatin1Char('/') + CaptureFileName::stem(taken), extension);
    m_reserved.insert(path);
    return path;
}

void CaptureNames::release(const QString &path) {
    std::lock_guard lock(m_mutex);
    m_reserved.remove(path);
}

bool CaptureNames::takeReserved(const QString &path) {
    return m_reserved.remove(path) && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();
}

bool CaptureNames::isOwn(const QString &name) {
    // Never destroyed either: a late worker may still ask.
    static const auto *pattern = new QRegularExpression(
        QStringLiteral("^Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d(?: \\(\\d+\\))?\\.(?:png|heic)$"));
    return pattern->match(name).hasMatch();
}

void CaptureNames::date(const QString &path, const QDateTime &taken) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.setFileTime(taken, QFileDevice::FileModificationTime))
        qCInfo(lcHistory, "%s keeps the time it was written: %s", qPrintable(path), qPrintable(file.errorString()));
}
