#include "history/HistoryEntry.h"

#include <QHashFunctions>

HistoryEntry::HistoryEntry(QString path, QDateTime date)
    : m_path(std::move(path)), m_date(std::move(date)), m_name(m_path.mid(m_path.lastIndexOf(QLatin1Char('/')) + 1)) {
    if (m_date.isValid()) {
        m_day = m_date.toLocalTime().date();
        m_msecs = m_date.toMSecsSinceEpoch();
    }
}

size_t qHash(const HistoryEntry &entry, size_t seed) { return qHashMulti(seed, entry.path(), entry.date()); }

QList<HistoryDaySection> daySections(const QList<HistoryEntry> &entries) {
    QList<HistoryDaySection> sections;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!sections.isEmpty() && sections.last().day == entries[i].day())
            ++sections.last().count;
        else
            sections.append({entries[i].day(), i, 1});
    }
    return sections;
}
