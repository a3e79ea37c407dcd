#pragma once

#include "platform/SharedService.h"

#include <QString>
#include <QStringList>

namespace platform {

// Starts a program detached from this one (the desktop's settings); tests substitute their own so that
// nothing starts.
class ProgramLauncher : public SharedService<ProgramLauncher> {
public:
    virtual ~ProgramLauncher() = default;
    // Whether it started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};
template <>
ProgramLauncher &SharedService<ProgramLauncher>::real();

} // namespace platform
