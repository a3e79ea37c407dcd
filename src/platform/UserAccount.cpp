#include "platform/UserAccount.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {

class SystemSession final : public UserSession {
public:
    QString accountFullName() override { return fullUserName(); }
};

} // namespace

template <>
UserSession &SharedService<UserSession>::real() {
    static SystemSession session;
    return session;
}

QString fullNameFromGecos(const char *gecos) {
    if (!gecos) return {};
    const QString field = QString::fromLocal8Bit(gecos);
    return field.left(field.indexOf(QLatin1Char(',')));
}

QString fullUserName() {
    long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(hint > 0 ? hint : 1024));
    passwd entry{};
    passwd *found = nullptr;
    // The buffer grows while the entry does not fit, up to a bound no real entry reaches.
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found ? fullNameFromGecos(found->pw_gecos) : QString();
}

} // namespace platform
