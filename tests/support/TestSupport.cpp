#include "support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <sys/stat.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
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

quint32 crc32(const QByteArray &bytes) {
    quint32 crc = 0xffffffffu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {
LoggedMessages *listening = nullptr;
} // namespace

LoggedMessages::LoggedMessages() {
    listening = this;
    m_previous = qInstallMessageHandler(&LoggedMessages::handle);
}

LoggedMessages::~LoggedMessages() {
    qInstallMessageHandler(m_previous);
    listening = nullptr;
}

void LoggedMessages::handle(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    LoggedMessages *self = listening;
    if (!self) return;
    {
        QMutexLocker lock(&self->m_mutex);
        self->m_messages.append({type, QString::fromUtf8(context.category ? context.category : ""), text});
    }
    if (self->m_previous) self->m_previous(type, context, text);
}

QList<LoggedMessages::Message> LoggedMessages::in(const QString &category) const {
    QMutexLocker lock(&m_mutex);
    QList<Message> found;
    for (const Message &message : m_messages)
        if (message.category == category) found.append(message);
    return found;
}

namespace {
QtMessageHandler beforePainterWarnings = nullptr;

void painterWarningsFail(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (text.startsWith(QLatin1String("QPainter::")) || text.startsWith(QLatin1String("Painter not active")))
        ADD_FAILURE() << "Qt warned while painting: " << text.toStdString();
    if (beforePainterWarnings) beforePainterWarnings(type, context, text);
}
} // namespace

void failOnPainterWarnings() { beforePainterWarnings = qInstallMessageHandler(&painterWarningsFail); }

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

namespace {

// A "Name:   123 kB" line of /proc/self/status, in kB; -1 when it cannot be read.
qint64 statusKb(const QByteArray &name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(name + ':')) return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

qint64 anonymousResidentKb() { return statusKb("RssAnon"); }

qint64 peakResidentKb() { return statusKb("VmHWM"); }

bool usesSystemAllocator() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#endif
#endif
    return true;
}

QString outputPath(const QString &name) {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../test-output");
    QDir().mkpath(dir);
    return QDir(dir).absoluteFilePath(name);
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_saved = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_saved;
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
}

namespace {

// Sets or clears the immutable flag of a folder; false when the file system does not allow it.
bool setImmutable(const QString &folder, bool on) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

LockedFolder::LockedFolder(const QString &folder) : m_folder(folder) {
    // Root writes into read-only folders: only the immutable flag stops it.
    m_locked = ::geteuid() == 0 ? setImmutable(folder, true)
                                : QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
}

LockedFolder::~LockedFolder() {
    if (!m_locked) return;
    if (::geteuid() == 0) setImmutable(m_folder, false);
    else QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

struct MarkupWithFifo::Watch {
    QByteArray path;
    std::atomic<bool> stop{false};
    std::atomic<bool> read{false};
    std::thread thread;
};

MarkupWithFifo::MarkupWithFifo(const QString &folder) : m_watch(std::make_unique<Watch>()) {
    const QString path = QDir(folder).filePath(QStringLiteral("picture.png"));
    m_watch->path = QFile::encodeName(path);
    if (mkfifo(m_watch->path.constData(), 0600) != 0) qFatal("cannot make a FIFO at %s", m_watch->path.constData());
    m_text = QStringLiteral("<b>Ana</b> <font color=#ff0000>Rubi</font> <img src=\"%1\">").arg(path);
    m_watch->thread = std::thread([watch = m_watch.get()] {
        while (!watch->stop) {
            // Opening for writing without waiting succeeds only while a reader waits in its open.
            const int fd = ::open(watch->path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                watch->read = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

MarkupWithFifo::~MarkupWithFifo() {
    m_watch->stop = true;
    m_watch->thread.join();
}

bool MarkupWithFifo::read() const { return m_watch->read; }

QString MarkupWithFifo::faultShowingIn(QWidget &root) const {
    QStringList faults;
    int holding = 0;
    for (const QLabel *label : root.findChildren<QLabel *>()) {
        if (!label->text().contains(m_text)) continue;
        ++holding;
        if (label->textFormat() != Qt::PlainText) faults.append(QStringLiteral("a label may lay it out as markup"));
    }
    if (!holding) faults.append(QStringLiteral("no label holds the text"));
    root.grab();
    if (read()) faults.append(QStringLiteral("the picture it names was read"));
    return faults.join(QStringLiteral("; "));
}

QObjectList shownWindows() {
    QObjectList shown;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible()) shown.append(window);
    return shown;
}

} // namespace testsupport
