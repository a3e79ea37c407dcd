#pragma once

#include "history/HistoryIndexFile.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <mutex>
#include <optional>

// Writes the history index file on a thread of its own, one write at a time, always the newest
// state: a snapshot handed in while an earlier one still waits replaces it, so a burst of saves costs
// one or two writes. Handing in is cheap (the records are implicitly shared; the JSON is built on
// the writer's thread). The file is written atomically, readable by its owner only; an index larger
// than the reader takes is not written (`written(false)`).
class HistoryIndexWriter : public QObject {
    Q_OBJECT
public:
    explicit HistoryIndexWriter(QString path, QObject *parent = nullptr);
    // Finishes the write under way and the one waiting.
    ~HistoryIndexWriter() override;

    // The file at the path holds something other than an index: move it aside before writing over it.
    void keepAsideBeforeNextWrite();
    void write(HistoryRecords snapshot);
    // Blocks until every snapshot handed in is written.
    void waitForDone();

signals:
    // After each write, on the writer object's thread.
    void written(bool ok);

private:
    void drain();

    const QString m_path;
    QThreadPool m_thread;
    std::mutex m_mutex;
    std::optional<HistoryRecords> m_next;
    bool m_running = false;
    bool m_keepAside = false;
    bool m_warnedTooLarge = false; // on the writer's thread
};
