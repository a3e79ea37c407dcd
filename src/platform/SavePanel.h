#pragma once

#include "platform/SharedService.h"

#include <QString>

#include <optional>

namespace platform {

// What a save panel asks: the proposed file name, the one file type allowed and where it opens.
struct SaveRequest {
    QString proposedName; // "Pelicarta 2026-01-02 10.11.12.png"
    QString typeName;     // the type as its filter is named: "Imagem PNG", "Documento PDF"
    QString extension;    // "png", "jpg", "heic"
    QString folder;       // where the panel opens; one that is no folder (or empty): the home folder
};

// The modal save panel; tests substitute their own so that nothing waits on a dialog. The real one is
// the desktop's own file chooser where the platform theme offers one (a file chooser portal, GTK,
// KDE), otherwise Qt's, fitted by fitFileDialog.
class SavePanel : public SharedService<SavePanel> {
public:
    virtual ~SavePanel() = default;
    // The chosen location, with the extension of the type; none when the user cancels.
    virtual std::optional<QString> run(const SaveRequest &request) = 0;

    // The chosen name completed with `extension` when it lacks it. The dialog confirmed only the
    // name it showed, so when the completed name is an existing file the user is asked (through
    // AlertPresenter) before it is replaced; none when they decline.
    static std::optional<QString> completedPath(const QString &chosen, const QString &extension);
};
template <>
SavePanel &SharedService<SavePanel>::real();

} // namespace platform
