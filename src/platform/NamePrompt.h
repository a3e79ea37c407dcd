#pragma once

#include "platform/SharedService.h"

#include <QString>

#include <optional>

namespace platform {

// What a name prompt asks: a one-line field under a title and an optional explanation, with a
// confirm button (the default, answered by Return) and a cancel button.
struct NameRequest {
    QString title;
    QString message; // not shown when empty
    QString initial; // the field's text when it opens, selected
    QString confirm;
    QString cancel;
};

// The modal prompt that asks the user for a name; tests substitute their own so that nothing ever
// waits on a dialog.
class NamePrompt : public SharedService<NamePrompt> {
public:
    virtual ~NamePrompt() = default;
    // Shows the prompt, modal to the active window (to the application when there is none), and
    // waits: the field's text as typed when confirmed, none when cancelled or dismissed.
    virtual std::optional<QString> run(const NameRequest &request) = 0;
};
template <>
NamePrompt &SharedService<NamePrompt>::real();

} // namespace platform
