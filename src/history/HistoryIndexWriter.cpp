#include "history/HistoryIndexWriter.h"

#include "history/Log.h"
#include "platform/AtomicFile.h"

#include <utility>

HistoryIndexWriter::HistoryIndexWriter(QString path, QObject *parent) : QObject(parent), m_path(std::move(path)) {
    m_thread.setObjectName(QStringLiteral("IndexWriter"));
    m_thread.setMaxThreadCount(1);
    m_thread.setExpiryTimeout(5000);
}

HistoryIndexWriter::~HistoryIndexWriter() { waitForDone(); }

void HistoryIndexWriter::keepAsideBeforeNextWrite() {
    std::lock_guard lock(m_mutex);
    m_keepAside = true;
}

void HistoryIndexWriter::write(HistoryRecords snapshot) {
    std::lock_guard lock(m_mutex);
    m_next = std::move(snapshot);
    if (m_running) return;
    m_running = true;
    m_thread.start([this] { drain(); });
}

void HistoryIndexWriter::waitForDone() { m_thread.waitForDone(); }

void HistoryIndexWriter::drain() {
    for (;;) {
        std::optional<HistoryRecords> snapshot;
        bool keepAside = false;
        {
            std::lock_guard lock(m_mutex);
            if (!m_next) {
                m_running = false;
                return;
            }
            snapshot.swap(m_next);
            std::swap(keepAside, m_keepAside);
        }
        // An index the reader would set aside is not written: the file keeps the last one that fits.
        const std::optional<QByteArray> json = HistoryIndexFile::serialize(*snapshot, HistoryIndexFile::maxFileBytes);
        snapshot.reset();
        bool ok = false;
        if (json) {
            if (keepAside) platform::keepAside(m_path);
            ok =
                platform::writeFileAtomically(m_path, *json, nullptr, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        } else {
            if (keepAside) keepAsideBeforeNextWrite();
            if (!std::exchange(m_warnedTooLarge, true))
                qCWarning(lcHistory,
                          "the history index outgrew %lld MB and is no longer written; the text of "
                          "captures kept since is read again at each start until fewer captures are kept",
                          HistoryIndexFile::maxFileBytes >> 20);
        }
        QMetaObject::invokeMethod(
            this, [this, ok] { emit written(ok); }, Qt::QueuedConnection);
    }
}
