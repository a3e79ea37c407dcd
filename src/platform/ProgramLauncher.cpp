#include "platform/ProgramLauncher.h"

#include <QProcess>

namespace platform {

namespace {

class ProcessLauncher final : public ProgramLauncher {
public:
    bool startDetached(const QString &program, const QStringList &arguments) override {
        return QProcess::startDetached(program, arguments);
    }
};

} // namespace

template <>
ProgramLauncher &SharedService<ProgramLauncher>::real() {
    static ProcessLauncher launcher;
    return launcher;
}

} // namespace platform
