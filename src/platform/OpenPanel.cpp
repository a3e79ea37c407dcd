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
        QFileDialog dialog(nullptr, request.message, m_folder);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!request.prompt.isEmpty()) dialog.setLabelText(QFileDialog::Accept, request.prompt);
        if (!request.patterns.isEmpty()) {
            const QString patterns = request.patterns.join(QLatin1Char(' '));
            const QString named = QStringLiteral("%1 (%2)").arg(request.typeName, patterns);
            dialog.setNameFilter(request.typeName.isEmpty() ? patterns : named);
        }
        fitFileDialog(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString file = dialog.selectedFiles().constFirst();
        m_folder = QFileInfo(file).absolutePath(); // the next panel opens where this one ended
        return file;
    }

private:
    QString m_folder;
};

OpenPanel *substitute = nullptr;

} // namespace

OpenPanel &OpenPanel::shared() {
    if (substitute) return *substitute;
    static FileDialogOpenPanel real;
    return real;
}

void OpenPanel::setSharedForTesting(OpenPanel *panel) { substitute = panel; }

} // namespace platform
