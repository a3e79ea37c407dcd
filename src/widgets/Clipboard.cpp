#include "widgets/Clipboard.h"

#include "core/Exporter.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "platform/Pasteboard.h"
#include "platform/PngStreamWriter.h"
#include "widgets/Toast.h"

namespace Clipboard {

QList<platform::Pasteboard::Item> encode(const QImage &image) {
    QList<platform::Pasteboard::Item> items;
    if (image.isNull()) return items;
    // The fast zlib level: a copy is pasted at once, and screenshots compress nearly as well with it.
    if (const auto png = platform::PngStreamWriter::encode(image); png && !png->isEmpty())
        items.append({QStringLiteral("image/png"), *png});
    if (const auto tiff = Exporter::encodeWithQt(image, "tiff"); tiff && !tiff->isEmpty())
        items.append({QStringLiteral("image/tiff"), *tiff});
    return items;
}

bool put(const QList<platform::Pasteboard::Item> &items) {
    return !items.isEmpty() && platform::Pasteboard::general().setContents(items);
}

bool copy(const QImage &image) { return put(encode(image)); }

bool copyForPasting(const QImage &image) {
    // Always PNG at the stored scale: a copy is scaled, never flattened on white.
    ExportSettings settings;
    settings.format = ExportFormat::png;
    settings.scale = StyleStore::shared().exportSettings().scale;
    const QImage prepared = Exporter::prepare(image, settings);
    const bool copied = copy(prepared);
    if (copied)
        Toast::show(prepared, L("Copiado"), L("Cole com ⌘V em qualquer app"));
    else
        Toast::show(prepared, L("Não foi possível copiar"), L("A área de transferência não aceitou a imagem."));
    return copied;
}

} // namespace Clipboard
