#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

namespace testsupport {

TempFolder::TempFolder() = default;

bool TempFolder::write(const QString &name, const QByteArray &bytes) const {
    QFile f(file(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray TempFolder::read(const QString &name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage filledImage(int width, int height, const QColor &color) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}


ScopedEnvironment::ScopedEnvironment(const char *name, const QString &value)
    : m_name(name), m_old(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name)) {
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value.toLocal8Bit());
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_wasSet) qputenv(m_name, m_old);
    else qunsetenv(m_name);
}

bool runsAsRoot() { return ::geteuid() == 0; }

QString outputPath(const QString &name) {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../test-output");
    QDir().mkpath(dir);
    return QDir(dir).absoluteFilePath(name);
}

} // namespace testsupport
