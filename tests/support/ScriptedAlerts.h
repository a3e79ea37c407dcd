#pragma once

#include "platform/Alert.h"

#include <QList>

namespace testsupport {

// The shared alert presenter while it lives: records every alert and answers each with `answer` (the
// index of the button pressed), so that no test waits on a dialog.
struct ScriptedAlerts : platform::AlertPresenter {
    QList<platform::Alert> shown;
    int answer = 0;

    ScriptedAlerts() { setSharedForTesting(this); }
    ~ScriptedAlerts() override { setSharedForTesting(nullptr); }
    ScriptedAlerts(const ScriptedAlerts &) = delete;
    ScriptedAlerts &operator=(const ScriptedAlerts &) = delete;

    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer;
    }
};

} // namespace testsupport
