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
        QFileDialog dialog(nullptr, request.message, m_folder);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setLabelText(QFileDialog::Accept, request.prompt);
        fitFileDialog(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        m_folder = dialog.selectedFiles().constFirst();
        return m_folder;
    }

private:
    QString m_folder;
};

FolderPanel *substitute = nullptr;

} // namespace

FolderPanel &FolderPanel::shared() {
    if (substitute) return *substitute;
    static FileDialogFolderPanel real;
    return real;
}

void FolderPanel::setSharedForTesting(FolderPanel *panel) { substitute = panel; }

} // namespace platform
