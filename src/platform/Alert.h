#pragma once

#include "platform/SharedService.h"

#include <QString>
#include <QStringList>

namespace platform {

// A modal alert: a message, a longer explanation and buttons, the first being the default.
struct Alert {
    QString messageText;
    QString informativeText;
    QStringList buttons;
};

// Shows alerts; tests substitute their own so that nothing ever waits on a dialog.
class AlertPresenter : public SharedService<AlertPresenter> {
public:
    virtual ~AlertPresenter() = default;
    // Brings the application forward, shows the alert and waits for a choice: the index of the
    // chosen button, or -1 when it was dismissed without one.
    virtual int run(const Alert &alert) = 0;
};
template <>
AlertPresenter &SharedService<AlertPresenter>::real();

} // namespace platform
