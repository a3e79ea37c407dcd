#include "platform/SavePanel.h"

#include "platform/Alert.h"
#include "platform/FileDialogFit.h"
#include "platform/StringTables.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

namespace {

class FileDialogSavePanel : public SavePanel {
public:
    std::optional<QString> run(const SaveRequest &request) override {
        const QString folder = QFileInfo(request.folder).isDir() ? request.folder : QDir::homePath();
        QString proposed = QDir(folder).filePath(request.proposedName);
        QWidget *owner = fileDialogOwner();
        for (;;) {
            QFileDialog dialog(owner, QString(), proposed);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setNameFilter(QStringLiteral("%1 (*.%2)").arg(request.typeName, request.extension));
            dialog.setDefaultSuffix(request.extension);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
            // No DontUseNativeDialog: where the platform theme has a file chooser of its own (the desktop
            // portal's, GTK's, KDE's), Qt hands the dialog to it; elsewhere Qt shows its own, set up here.
            const std::optional<QString> chosen = runFileDialog(dialog);
            if (!chosen) return std::nullopt;
            if (const std::optional<QString> path = completedPath(*chosen, request.extension)) return path;
            // Declined replacing: back to the dialog, showing the name that would have been written.
            proposed = *chosen + QLatin1Char('.') + request.extension;
        }
    }
};

QString localized(const char *key) {
    return StringTables::lookup(QString::fromUtf8(key), StringTables::currentLanguage());
}

} // namespace

std::optional<QString> SavePanel::completedPath(const QString &chosen, const QString &extension) {
    if (QFileInfo(chosen).suffix().compare(extension, Qt::CaseInsensitive) == 0) return chosen;
    const QString path = chosen + QLatin1Char('.') + extension;
    if (!QFileInfo::exists(path)) return path;
    const Alert question{
        localized("“%@” já existe. Deseja substituí-lo?").replace(QStringLiteral("%@"), QFileInfo(path).fileName()),
        localized("Já existe um arquivo com esse nome nesta pasta. Substituí-lo sobrescreverá o conteúdo atual."),
        {localized("Substituir"), localized("Cancelar")},
        1}; // what is there now cannot be brought back
    if (AlertPresenter::shared().run(question) == 0) return path;
    return std::nullopt;
}

template <>
SavePanel &SharedService<SavePanel>::real() {
    static FileDialogSavePanel panel;
    return panel;
}

} // namespace platform
