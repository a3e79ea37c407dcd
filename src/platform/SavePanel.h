#pragma once

#include <QString>

#include <optional>

namespace platform {

// What a save panel asks: the proposed file name and the one file type allowed.
struct SaveRequest {
    QString proposedName;  // "Pelicarta 2026-01-02 10.11.12.png"
    QString typeName;      // "PNG", "JPEG", "HEIC"
    QString extension;     // "png", "jpg", "heic"
};

// The modal save panel; tests substitute their own so that nothing waits on a dialog.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    // The chosen location, with the extension of the type; none when the user cancels.
    virtual std::optional<QString> run(const SaveRequest &request) = 0;

    // The chosen name completed with `extension` when it lacks it. The dialog confirmed only the
    // name it showed, so when the completed name is an existing file the user is asked (through
    // AlertPresenter) before it is replaced; none when they decline.
    static std::optional<QString> completedPath(const QString &chosen, const QString &extension);

    static SavePanel &shared();
    // nullptr restores the real panel.
    static void setSharedForTesting(SavePanel *panel);
};

} // namespace platform
