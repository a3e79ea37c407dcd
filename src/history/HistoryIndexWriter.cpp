#include "history/HistoryIndexWriter.h"

#include "platform/AtomicFile.h"

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
        if (keepAside) platform::keepAside(m_path);
        const QByteArray json = HistoryIndexFile::serialize(*snapshot);
        snapshot.reset();
        const bool ok = platform::writeFileAtomically(m_path, json, nullptr,
                                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QMetaObject::invokeMethod(this, [this, ok] { emit written(ok); }, Qt::QueuedConnection);
    }
}
