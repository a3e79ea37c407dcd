#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <limits>

// One kept capture file as the history shows it: its path (also its identity) and its date, with
// what every search and day heading needs of them worked out once, when the entry is made.
class HistoryEntry {
public:
    HistoryEntry() = default;
    // `date` invalid: the distant past (before any period, in no day).
    HistoryEntry(QString path, QDateTime date);

    const QString &path() const { return m_path; }
    const QDateTime &date() const { return m_date; }
    // The file name, the key of the file's record in the index.
    const QString &name() const { return m_name; }
    // The local calendar day of `date`; invalid for the distant past.
    QDate day() const { return m_day; }
    // `date` in milliseconds since the epoch; the lowest value for the distant past.
    qint64 msecsSinceEpoch() const { return m_msecs; }

    // Equal on both the path and the date.
    friend bool operator==(const HistoryEntry &a, const HistoryEntry &b) {
        return a.m_path == b.m_path && a.m_date == b.m_date;
    }

private:
    QString m_path;
    QDateTime m_date;
    QString m_name;
    QDate m_day;
    qint64 m_msecs = std::numeric_limits<qint64>::min();
};

size_t qHash(const HistoryEntry &entry, size_t seed = 0);

// A run of consecutive entries of one day, as the history page lists them under a heading.
struct HistoryDaySection {
    QDate day;
    qsizetype first = 0; // index of its first entry
    qsizetype count = 0;
};

// The day sections of `entries` in their order: consecutive entries of the same day share one.
QList<HistoryDaySection> daySections(const QList<HistoryEntry> &entries);
