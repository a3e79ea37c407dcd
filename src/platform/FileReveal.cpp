#include "platform/FileReveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {

bool openFolderOf(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

class FileManagerReveal final : public FileReveal {
public:
    bool reveal(const QString &path) override;
};

bool FileManagerReveal::reveal(const QString &path) {
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return openFolderOf(path);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{url.toString()} << QString();
    // Not waited for: a slow file manager must not freeze the application. The folder opens only
    // when the call fails, never as well as a window that merely came late.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [path](QDBusPendingCallWatcher *done) {
        if (done->isError()) openFolderOf(path);
        done->deleteLater();
    });
    return true;
}

} // namespace

template <>
FileReveal &SharedService<FileReveal>::real() {
    static FileManagerReveal reveal;
    return reveal;
}

} // namespace platform
