#pragma once

#include "platform/SharedService.h"

#include <QString>

namespace platform {

// Who the personal greeting greets (its moment is platform::Clock's); tests substitute a fixed name.
// The real one is fullUserName().
class UserSession : public SharedService<UserSession> {
public:
    virtual ~UserSession() = default;
    virtual QString accountFullName() = 0;
};
template <>
UserSession &SharedService<UserSession>::real();

// The full name of the logged-in account: the comment field (GECOS) of its password entry up to the
// first comma, as the system's tools show it; empty when the account has none or cannot be read.
QString fullUserName();

// The full name held in a GECOS field ("Ana Souza,Room 1,,"): the part before the first comma.
QString fullNameFromGecos(const char *gecos);

} // namespace platform
