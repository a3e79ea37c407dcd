#pragma once

#include "core/BackgroundTextReader.h"
#include "core/TextReaderFrames.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class QProcess;

// Reads in a short-lived reader process (TextReaderChild): the program itself started again with
// "--read-text" at background priority, so the text engine and everything reading takes never stay in
// the caller's memory. Started on the first read, it ends by itself when idle and is started again
// on the next. A reader that dies, answers nonsense or outlives a read's deadline (its limit and a
// margin for starting the engine) is killed, and that read ends `crashed`; the next read starts a new
// one. A reader that cannot be started at all answers `notStarted`. Main thread only (the reader
// process follows the thread that starts it: it is killed when that thread ends).
class TextReaderProcess : public QObject, public BackgroundTextReader {
    Q_OBJECT
public:
    struct Options {
        // The program and its arguments; by default this very program, even when its file has since
        // been replaced by another version.
        QString program = QStringLiteral("/proc/self/exe");
        QStringList arguments = {QStringLiteral("--read-text")};
        std::chrono::milliseconds deadlineMargin{15000};
    };

    TextReaderProcess();
    explicit TextReaderProcess(Options options, QObject *parent = nullptr);
    // Ends the reader process.
    ~TextReaderProcess() override;

    quint64 read(const QString &path, std::chrono::milliseconds limit, Done done) override;
    void cancel(quint64 id) override;

    // Ends the reader process now (at quit); reads still asked for start a new one.
    void stop();
    // The reader process's id while one runs, else 0.
    qint64 processId() const;

private:
    struct Pending {
        quint32 id = 0;
        QString path;
        std::chrono::milliseconds limit{0};
        Done done;
        bool resent = false;
    };

    void sendNext();
    bool ensureStarted();
    void takeOutput();
    // Ends the read under way with `result` and goes on with the next.
    void finishCurrent(const Result &result);
    // The reader failed: it is killed and the read under way, if any, ends `crashed`.
    void abandonProcess(const char *why);
    void discardProcess();

    Options m_options;
    QProcess *m_process = nullptr;
    TextReaderFrames::Parser m_parser;
    QList<Pending> m_waiting;
    std::optional<Pending> m_current;
    QTimer m_deadline;
    quint32 m_lastId = 0;
    bool m_answeringUnstarted = false;
};
