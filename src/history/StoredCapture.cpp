#include "history/StoredCapture.h"

#include "core/Clipboard.h"
#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/PictureService.h"
#include "history/Log.h"

#include <QFileInfo>

namespace StoredCapture {

void open(const QString &path, QObject *context, std::function<void(const QImage &)> opened,
          std::function<void()> gone) {
    PictureService::shared().whole(path).then(
        context, [path, opened = std::move(opened), gone = std::move(gone)](const QImage &image) {
            if (!image.isNull()) {
                opened(image);
            } else if (!QFileInfo::exists(path)) {
                qCInfo(lcHistory, "%s is gone; it leaves the recent captures", qPrintable(path));
                gone();
            } else {
                qCWarning(lcHistory, "%s cannot be read; it is not opened", qPrintable(path));
                Notifier::shared().notify({QImage(), L("Não foi possível abrir"),
                                           L("O arquivo da captura não pôde ser lido."), ToastKind::failure});
            }
        });
}

void copy(const QString &path, const QImage &thumbnail) {
    Clipboard::copyInBackground(
        PictureService::shared().whole(path), [path, thumbnail](const Clipboard::PastingCopy &copied) {
            if (copied.overtaken) return;
            if (copied.copied) {
                Notifier::shared().notify({thumbnail, L("Copiado"), L("Cole com ⌘V em qualquer app")});
                return;
            }
            qCWarning(lcHistory, "%s could not be copied", qPrintable(path));
            Notifier::shared().notify({thumbnail, L("Não foi possível copiar"),
                                       L("O arquivo da captura não pôde ser lido."), ToastKind::failure});
        });
}

} // namespace StoredCapture
