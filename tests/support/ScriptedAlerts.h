#pragma once

#include "platform/Alert.h"

#include <QList>

namespace testsupport {

// The shared alert presenter while it lives: records every alert and answers each with `answer` (the
// index of the button pressed, or `pressReturn`: the alert's default button), so that no test waits on
// a dialog. Alerts told without waiting for an answer are kept apart, in `notices`.
struct ScriptedAlerts : platform::AlertPresenter {
    static constexpr int pressReturn = -2;
    QList<platform::Alert> shown;
    QList<platform::Alert> notices;
    int answer = 0;

    ScriptedAlerts() { setSharedForTesting(this); }
    ~ScriptedAlerts() override { setSharedForTesting(nullptr); }
    ScriptedAlerts(const ScriptedAlerts &) = delete;
    ScriptedAlerts &operator=(const ScriptedAlerts &) = delete;

    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer == pressReturn ? alert.defaultButton : answer;
    }
    void tell(const platform::Alert &alert) override { notices.append(alert); }
};

} // namespace testsupport
