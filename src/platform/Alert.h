#pragma once

#include "platform/SharedService.h"

#include <QString>
#include <QStringList>

namespace platform {

// An alert: a message, a longer explanation and buttons.
struct Alert {
    QString messageText;
    QString informativeText;
    QStringList buttons;
    // The button Return presses: the first unless told otherwise. A confirmation that deletes what
    // cannot be brought back names its "Cancelar", so that a stray Return never deletes.
    int defaultButton = 0;
};

// Shows alerts; tests substitute their own so that nothing ever waits on a dialog.
class AlertPresenter : public SharedService<AlertPresenter> {
public:
    virtual ~AlertPresenter() = default;
    // Brings the application forward, shows the alert and waits for a choice: the index of the
    // chosen button, or -1 when it was dismissed without one.
    virtual int run(const Alert &alert) = 0;
    // Shows the alert and returns at once: it stays on screen, above the other windows but without
    // taking the focus, until its button is pressed, and holds up neither the application nor a capture.
    // For what the user should know but need not answer while working (a recording goes on meanwhile).
    // A substitute that only records alerts may leave it to `run`.
    virtual void tell(const Alert &alert) { run(alert); }
};
template <>
AlertPresenter &SharedService<AlertPresenter>::real();

} // namespace platform
