#pragma once

#include "platform/Clock.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

namespace testsupport {

// The shared clock while it lives: the moment the test sets, 9:00 on 14 March 2026 until it changes it.
// The clock in place before comes back after it.
class FixedClock : public platform::Clock {
public:
    QDateTime at;

    explicit FixedClock(QDateTime moment = {QDate(2026, 3, 14), QTime(9, 0)})
        : at(std::move(moment)), m_previous(&shared()) {
        setSharedForTesting(this);
    }
    ~FixedClock() override { setSharedForTesting(m_previous); }
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;

    QDateTime now() override { return at; }

private:
    platform::Clock *m_previous;
};

// The shared file dates while they live: a file whose name the test dated was made and last written
// then (an invalid date: it has none); any other keeps the dates it has. Safe to read on workers while
// the test dates more files. The file dates in place before come back after it.
class FixedFileDates : public platform::FileDates {
public:
    FixedFileDates() : m_previous(&shared()) { setSharedForTesting(this); }
    ~FixedFileDates() override { setSharedForTesting(m_previous); }
    FixedFileDates(const FixedFileDates &) = delete;
    FixedFileDates &operator=(const FixedFileDates &) = delete;

    void insert(const QString &fileName, const QDateTime &date) {
        QMutexLocker lock(&m_mutex);
        m_dates.insert(fileName, date);
    }
    bool isEmpty() const {
        QMutexLocker lock(&m_mutex);
        return m_dates.isEmpty();
    }

    QDateTime made(const QFileInfo &file) override {
        const auto date = dateOf(file);
        return date ? *date : m_previous->made(file);
    }
    QDateTime modified(const QFileInfo &file) override {
        const auto date = dateOf(file);
        return date ? *date : m_previous->modified(file);
    }

private:
    std::optional<QDateTime> dateOf(const QFileInfo &file) const {
        QMutexLocker lock(&m_mutex);
        const auto found = m_dates.constFind(file.fileName());
        return found == m_dates.cend() ? std::nullopt : std::optional(*found);
    }

    platform::FileDates *m_previous;
    mutable QMutex m_mutex;
    QHash<QString, QDateTime> m_dates;
};

} // namespace testsupport
