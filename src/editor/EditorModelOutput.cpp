// EditorModel: copying, saving and dragging out the result, copying the capture's text and hiding
// its sensitive data.
#include "editor/EditorModel.h"

#include "core/Clipboard.h"
#include "core/DragFile.h"
#include "core/ExportSaving.h"
#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/StyleStore.h"
#include "core/TextRecognizer.h"
#include "platform/BuildKind.h"
#include "platform/Pasteboard.h"

#include <QMimeData>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds textReadingLimit = 15s * platform::BuildKind::slowdown;
constexpr std::chrono::milliseconds sensitiveSearchLimit = 20s * platform::BuildKind::slowdown;
constexpr quint32 sensitiveBlurColor = 0x000000;

qsizetype lineCount(const QString &text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(); }

} // namespace

EditorModel::Encoded EditorModel::encodedExport(const ExportSettings &settings) {
    Encoded out{finalImage(settings), std::nullopt};
    if (out.image.isNull()) return out;
    out.bytes = m_renderers.encode(out.image, settings);
    if (out.bytes && out.bytes->isEmpty()) out.bytes.reset();
    return out;
}

void EditorModel::notifyNotMade(ExportFormat format) {
    notifyFailure(L(LKey(QStringLiteral("Não consegui gerar o %@"), {formatName(format)})),
                  L("Tente outro formato em Exportar"));
}

void EditorModel::copy() {
    // At full size: the clipboard's copy scales it to the stored export scale itself, as PNG.
    ExportSettings full = m_styles.exportSettings();
    full.format = ExportFormat::png;
    full.scale = ExportScale::retina;
    const QImage image = finalImage(full);
    // Without an image there is nothing to copy, and no other format would make one: nothing happens.
    if (image.isNull()) return;
    const Clipboard::PastingCopy copied = Clipboard::copyForPasting(image);
    Notifier::shared().notify(copied.notice());
    if (copied.copied) close();
}

void EditorModel::save() {
    const ExportSettings settings = m_styles.exportSettings();
    const Encoded encoded = encodedExport(settings);
    if (!encoded.bytes) {
        notifyNotMade(settings.format);
        return;
    }
    if (const std::optional<QString> path = ExportSaving::saveWithPanel(*encoded.bytes, settings.format, takenAt()))
        Notifier::shared().notify(ExportSaving::savedNotice(*path, encoded.bytes->size(), encoded.image));
}

QMimeData *EditorModel::dragProvider() {
    const ExportSettings settings = m_styles.exportSettings();
    return DragFile::mimeData(encodedExport(settings).bytes.value_or(QByteArray()), settings.format);
}

// --- Text ------------------------------------------------------------------------------------------------

void EditorModel::copyText() {
    if (m_page.isReadingText()) {
        // Pressed again: the reading stops and its text never reaches the clipboard.
        m_ocrToken.reset();
        m_reading.cancel();
        m_page.setReadingText(false);
        return;
    }
    const QUuid token = QUuid::createUuid();
    m_ocrToken = token;
    m_page.setReadingText(true);
    m_reading = m_renderers.readText(m_document.original(), textReadingLimit);
    m_reading
        .then(this,
              [this, token](const QString &text) {
                  if (endReading(token)) announceText(text);
              })
        .onFailed(this,
                  [this, token](const QException &error) {
                      if (endReading(token))
                          Notifier::shared().notify({original(), L("Não consegui ler o texto"),
                                                     TextRecognizer::describe(error), ToastKind::failure});
                  })
        .onFailed(this,
                  [this, token] {
                      if (endReading(token))
                          Notifier::shared().notify({original(), L("Não consegui ler o texto"),
                                                     TextRecognizer::describe(QException()), ToastKind::failure});
                  })
        .onCanceled(this, [this, token] { endReading(token); });
}

bool EditorModel::endReading(const QUuid &token) {
    if (m_ocrToken != token) return false;
    m_ocrToken.reset();
    m_page.setReadingText(false);
    return true;
}

void EditorModel::announceText(const QString &text) {
    if (text.isEmpty()) {
        Notifier::shared().notify(
            {original(), L("Nenhum texto encontrado"), L("Este print não tem texto legível"), ToastKind::notice});
        return;
    }
    if (!platform::Pasteboard::shared().setContents({{QStringLiteral("text/plain"), text.toUtf8()}})) {
        Notifier::shared().notify({original(), L("Não foi possível copiar"),
                                   L("A área de transferência não aceitou o texto."), ToastKind::failure});
        return;
    }
    const qsizetype lines = lineCount(text);
    Notifier::shared().notify(
        {original(), L("Texto copiado"),
         lines == 1 ? L("1 linha") : L(LKey(QStringLiteral("%@ linhas"), {QString::number(lines)}))});
}

// --- Sensitive data ---------------------------------------------------------------------------------------

void EditorModel::hideSensitiveData() {
    if (m_page.isDetectingSensitive()) return;
    m_page.setDetectingSensitive(true);
    auto failed = [this](const QString &message) {
        Notifier::shared().notify({original(), L("Não consegui analisar o print"), message, ToastKind::failure});
        m_page.setDetectingSensitive(false);
    };
    m_renderers.findSensitive(m_document.original(), sensitiveSearchLimit)
        .then(this,
              [this](const QList<QRectF> &regions) {
                  coverSensitive(regions);
                  m_page.setDetectingSensitive(false);
              })
        .onFailed(this, [failed](const QException &error) { failed(TextRecognizer::describe(error)); })
        .onFailed(this, [failed] { failed(TextRecognizer::describe(QException())); })
        .onCanceled(this, [this] { m_page.setDetectingSensitive(false); });
}

void EditorModel::coverSensitive(const QList<QRectF> &regions) {
    if (regions.isEmpty()) {
        Notifier::shared().notify({original(), L("Nada sensível encontrado"),
                                   L("Use a ferramenta Ocultar para esconder à mão"), ToastKind::notice});
        return;
    }
    QList<Annotation> blurs;
    blurs.reserve(regions.size());
    for (const QRectF &region : regions) {
        Annotation blur;
        blur.kind = Annotation::Kind::blur;
        blur.start = region.topLeft();
        blur.end = region.bottomRight();
        blur.color = sensitiveBlurColor;
        blur.width = m_document.strokeWidth(m_document.thickness());
        blurs.append(blur);
    }
    // One undo step; a text being typed ends first, a drag in progress gets them when it ends.
    m_document.addAnnotations(blurs);
    m_document.setTool(EditorTool::preview);
    Notifier::shared().notify({original(),
                               blurs.size() == 1
                                   ? L("1 dado escondido")
                                   : L(LKey(QStringLiteral("%@ dados escondidos"), {QString::number(blurs.size())})),
                               L("E-mails, telefones, documentos e chaves. ⌘Z desfaz")});
}
