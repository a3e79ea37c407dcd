#include "platform/Clock.h"

namespace platform {

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

class SystemFileDates final : public FileDates {
public:
    QDateTime made(const QFileInfo &file) override { return file.birthTime(); }
    QDateTime modified(const QFileInfo &file) override { return file.lastModified(); }
};

} // namespace

template <>
Clock &SharedService<Clock>::real() {
    static SystemClock clock;
    return clock;
}

template <>
FileDates &SharedService<FileDates>::real() {
    static SystemFileDates dates;
    return dates;
}

} // namespace platform
