#include "platform/FolderPanel.h"

#include "platform/FileDialogFit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

class FileDialogFolderPanel final : public FolderPanel {
public:
    std::optional<QString> run(const FolderRequest &request) override {
        if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) {
            m_folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) m_folder = QDir::homePath();
        }
        QFileDialog dialog(fileDialogOwner(), request.message, m_folder);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setLabelText(QFileDialog::Accept, request.prompt);
        const std::optional<QString> folder = runFileDialog(dialog);
        if (folder) m_folder = *folder;
        return folder;
    }

private:
    QString m_folder;
};

} // namespace

template <>
FolderPanel &SharedService<FolderPanel>::real() {
    static FileDialogFolderPanel panel;
    return panel;
}

} // namespace platform
