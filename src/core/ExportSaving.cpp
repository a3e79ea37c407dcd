#include "core/ExportSaving.h"

#include "core/ByteCount.h"
#include "core/CaptureFileName.h"
#include "core/Localization.h"
#include "core/SaveFolder.h"
#include "platform/Alert.h"
#include "platform/AtomicFile.h"
#include "platform/SavePanel.h"

#include <QFileInfo>

namespace ExportSaving {

std::optional<QString> saveWithPanel(const QByteArray &bytes, ExportFormat format, const QDateTime &taken) {
    const QString extension = fileExtension(format);
    const std::optional<QString> path = platform::SavePanel::shared().run(
        {CaptureFileName::withExtension(taken, extension), L(LKey(QStringLiteral("Imagem %@"), {formatName(format)})),
         extension, SaveFolder::start()});
    if (!path) return std::nullopt;
    QString error;
    if (!platform::writeFileAtomically(*path, bytes, &error)) {
        platform::AlertPresenter::shared().run({L("Não foi possível salvar"), error, {QStringLiteral("OK")}});
        return std::nullopt;
    }
    SaveFolder::remember(*path);
    return path;
}

Notice savedNotice(const QString &path, qint64 size, const QImage &picture) {
    return {picture, L(LKey("Salvo · %@", {byteCountText(size)})), QFileInfo(path).fileName()};
}

} // namespace ExportSaving
