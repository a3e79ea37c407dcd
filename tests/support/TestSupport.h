#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>
#include <string>

class QLabel;
class QWidget;

namespace testsupport {

// A fresh temporary folder for one test, removed afterwards.
class TempFolder {
public:
    TempFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// The CRC-32 that PNG chunks carry, for tests that write a file byte by byte.
quint32 crc32(const QByteArray &bytes);

// The child of `parent` named `name`, as a test reaches a widget the view keeps no getter for. Throws when
// there is none, which fails the test instead of crashing it.
template <typename T>
T *namedChild(const QObject &parent, const char *name) {
    T *child = parent.findChild<T *>(QString::fromUtf8(name));
    if (!child) throw std::runtime_error(std::string("no child named ") + name);
    return child;
}

// The shown child of `parent` named `name` (a sheet), or null: one just closed is hidden at once while
// it waits to be deleted.
template <typename T>
T *shownChild(const QObject &parent, const char *name) {
    for (T *child : parent.findChildren<T *>(QString::fromUtf8(name)))
        if (child->isVisible()) return child;
    return nullptr;
}

// The windows on the screen now.
QObjectList shownWindows();

// The shown window of type `T` (a pill, a panel, a toast), or null.
template <typename T>
T *shownWindow() {
    for (QObject *window : shownWindows())
        if (T *shown = qobject_cast<T *>(window)) return shown;
    return nullptr;
}

// The messages logged while it lives, with their category, so that a test can see that a failure is
// told once and where; they still reach the previous handler.
class LoggedMessages {
public:
    struct Message {
        QtMsgType type;
        QString category;
        QString text;
    };
    LoggedMessages();
    ~LoggedMessages();
    LoggedMessages(const LoggedMessages &) = delete;
    LoggedMessages &operator=(const LoggedMessages &) = delete;
    // Those of one category ("pelicarta.history"), in order.
    QList<Message> in(const QString &category) const;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QList<Message> m_messages;
};

// From now on, a warning Qt gives while painting ("QPainter::begin: A paint device can only be painted by
// one painter at a time", "Painter not active") fails the test that caused it: something drew nothing, or
// drew into a picture already being drawn. The test main installs it for every program.
void failOnPainterWarnings();

// An image of one colour, in the drawing format.
QImage filledImage(int width, int height, const QColor &color);

// Sets an environment variable (a null value unsets it) until the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QString &value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
    bool m_wasSet;
};

// Whether the tests run as root: only then can they stand in for another user (chown, setuid).
bool runsAsRoot();

// The process's anonymous resident memory (its heaps among it), in kB; -1 when it cannot be read.
qint64 anonymousResidentKb();
// The peak of the process's resident memory so far, in kB; -1 when it cannot be read.
qint64 peakResidentKb();
// Whether malloc is the C library's: under the address sanitizer its own allocator keeps what is freed
// for a while (quarantine) and ignores trims, so the heap's size says nothing of what the code holds.
bool usesSystemAllocator();

// Where rendered images of tests go for a human to look at: <build>/test-output/<name>.
QString outputPath(const QString &name);

// While it lives, no file may grow beyond `bytes`: the disk "fills up" (writes fail with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();

private:
    unsigned long m_saved = 0;
};

// While it lives, nothing can be created in or removed from `folder`, also for root (the folder is
// made immutable then). `locked()` is false where the file system refuses that: skip the test.
class LockedFolder {
public:
    explicit LockedFolder(const QString &folder);
    ~LockedFolder();
    bool locked() const { return m_locked; }

private:
    QString m_folder;
    bool m_locked = false;
};

// A name or title holding markup: bold, red, and a picture read from a FIFO in `folder`, which blocks
// whatever lays the text out as rich text until something writes to the FIFO. While it lives, a
// thread looks for such a read every few milliseconds and lets it end (opens the FIFO for writing and
// closes it), so that a test sees the fault instead of hanging; `read()` says whether it had to.
class MarkupWithFifo {
public:
    explicit MarkupWithFifo(const QString &folder);
    ~MarkupWithFifo();
    MarkupWithFifo(const MarkupWithFifo &) = delete;
    MarkupWithFifo &operator=(const MarkupWithFifo &) = delete;
    QString text() const { return m_text; }
    bool read() const;
    // What is wrong with how `root` shows the text: the labels holding it (one at least) must hold it
    // as plain text, and painting `root` must read no picture. Empty when nothing is.
    QString faultShowingIn(QWidget &root) const;

private:
    struct Watch;
    QString m_text;
    std::unique_ptr<Watch> m_watch;
};

} // namespace testsupport
