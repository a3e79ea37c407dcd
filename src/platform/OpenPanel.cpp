#include "platform/OpenPanel.h"

#include "platform/FileDialogFit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

namespace {

class FileDialogOpenPanel final : public OpenPanel {
public:
    std::optional<QString> run(const OpenRequest &request) override {
        if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) m_folder = QDir::homePath();
        QFileDialog dialog(fileDialogOwner(), request.message, m_folder);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!request.prompt.isEmpty()) dialog.setLabelText(QFileDialog::Accept, request.prompt);
        if (!request.patterns.isEmpty()) {
            const QString patterns = request.patterns.join(QLatin1Char(' '));
            const QString named = QStringLiteral("%1 (%2)").arg(request.typeName, patterns);
            dialog.setNameFilter(request.typeName.isEmpty() ? patterns : named);
        }
        const std::optional<QString> file = runFileDialog(dialog);
        if (file) m_folder = QFileInfo(*file).absolutePath(); // the next panel opens where this one ended
        return file;
    }

private:
    QString m_folder;
};

} // namespace

template <>
OpenPanel &SharedService<OpenPanel>::real() {
    static FileDialogOpenPanel panel;
    return panel;
}

} // namespace platform
