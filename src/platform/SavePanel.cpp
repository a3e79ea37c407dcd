#include "platform/SavePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

class FileDialogSavePanel : public SavePanel {
public:
    std::optional<QString> run(const SaveRequest &request) override {
        if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) {
            m_folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) m_folder = QDir::homePath();
        }
        QFileDialog dialog(nullptr, QString(), QDir(m_folder).filePath(request.proposedName));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QStringLiteral("%1 (*.%2)").arg(request.typeName, request.extension));
        dialog.setDefaultSuffix(request.extension);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        QString path = dialog.selectedFiles().constFirst();
        if (QFileInfo(path).suffix().compare(request.extension, Qt::CaseInsensitive) != 0)
            path += QLatin1Char('.') + request.extension;
        m_folder = QFileInfo(path).absolutePath();
        return path;
    }

private:
    QString m_folder;
};

SavePanel *&substitute() {
    static SavePanel *panel = nullptr;
    return panel;
}

} // namespace

SavePanel &SavePanel::shared() {
    static FileDialogSavePanel real;
    return substitute() ? *substitute() : real;
}

void SavePanel::setSharedForTesting(SavePanel *panel) { substitute() = panel; }

} // namespace platform
