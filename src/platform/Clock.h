#pragma once

#include "platform/SharedService.h"

#include <QDateTime>
#include <QFileInfo>

namespace platform {

// The moment, in local time; tests fix it. The real one is the system clock.
class Clock : public SharedService<Clock> {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};
template <>
Clock &SharedService<Clock>::real();

// The times a file keeps, as the file system tells them; tests date files as they please. Any thread.
class FileDates : public SharedService<FileDates> {
public:
    virtual ~FileDates() = default;
    // When the file was made, where the file system keeps that; invalid otherwise.
    virtual QDateTime made(const QFileInfo &file) = 0;
    // When the file was last written; invalid when that cannot be read.
    virtual QDateTime modified(const QFileInfo &file) = 0;
};
template <>
FileDates &SharedService<FileDates>::real();

} // namespace platform
