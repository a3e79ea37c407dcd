#pragma once

#include "platform/SharedService.h"

#include <QString>

#include <optional>

namespace platform {

// What a folder panel asks: the label of its accept button and a line saying what the folder is for.
struct FolderRequest {
    QString prompt;
    QString message;
};

// The modal panel that chooses an existing folder (new folders can be made in it); tests substitute
// their own so that nothing waits on a dialog.
class FolderPanel : public SharedService<FolderPanel> {
public:
    virtual ~FolderPanel() = default;
    // The chosen folder; none when the user cancels.
    virtual std::optional<QString> run(const FolderRequest &request) = 0;
};
template <>
FolderPanel &SharedService<FolderPanel>::real();

} // namespace platform
