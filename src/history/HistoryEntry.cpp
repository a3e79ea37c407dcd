#include "history/HistoryEntry.h"

#include <optional>

#include <QHashFunctions>

namespace {

// A local time's instant. Asking the time-zone rules costs microseconds, ten thousand times over at
// every reload; entries come in date order, so the offset of the last day is kept and reused for
// times of that day, unless the day changes its offset (daylight saving) somewhere.
qint64 instantOf(const QDateTime &date) {
    if (date.timeSpec() != Qt::LocalTime) return date.toMSecsSinceEpoch();
    thread_local QDate lastDay;
    thread_local std::optional<int> lastOffset;
    const QDate day = date.date();
    if (day != lastDay) {
        lastDay = day;
        const int start = day.startOfDay().offsetFromUtc();
        lastOffset = start == day.endOfDay().offsetFromUtc() ? std::optional<int>(start) : std::nullopt;
    }
    if (!lastOffset) return date.toMSecsSinceEpoch();
    constexpr qint64 epochJulianDay = 2440588; // 1970-01-01
    constexpr qint64 msecsPerDay = 86400000;
    return (day.toJulianDay() - epochJulianDay) * msecsPerDay + date.time().msecsSinceStartOfDay() -
           qint64(*lastOffset) * 1000;
}

} // namespace

HistoryEntry::HistoryEntry(QString path, QDateTime date)
    : m_path(std::move(path)), m_date(std::move(date)), m_name(m_path.mid(m_path.lastIndexOf(QLatin1Char('/')) + 1)) {
    if (m_date.isValid()) {
        m_day = m_date.timeSpec() == Qt::LocalTime ? m_date.date() : m_date.toLocalTime().date();
        m_msecs = instantOf(m_date);
    }
}

size_t qHash(const HistoryEntry &entry, size_t seed) { return qHashMulti(seed, entry.path(), entry.date()); }

QList<HistoryDaySection> daySections(const QList<HistoryEntry> &entries) {
    QList<HistoryDaySection> sections;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!sections.isEmpty() && sections.last().day == entries[i].day()) ++sections.last().count;
        else sections.append({entries[i].day(), i, 1});
    }
    return sections;
}
