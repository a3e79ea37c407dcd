#include "editor_window/EditorSummaries.h"

#include "core/ByteCount.h"
#include "core/Localization.h"

namespace EditorSummaries {

QString editSummary(qsizetype annotations, bool cropped) {
    QStringList parts;
    if (annotations == 1) parts << L("1 anotação");
    else if (annotations > 1) parts << L(LKey(QStringLiteral("%@ anotações"), {QString::number(annotations)}));
    if (cropped) parts << L("recortado");
    // The separators are figures of the summary, the same in every language.
    return parts.isEmpty() ? QString() : QStringLiteral("· ") + parts.join(QStringLiteral(" · "));
}

std::optional<QString> sizeSummary(QSize size, std::optional<qint64> bytes, ExportFormat format) {
    const int width = std::max(size.width(), 0), height = std::max(size.height(), 0);
    if (width == 0 && height == 0) return std::nullopt;
    QString text = QString::number(width) + QStringLiteral(" × ") + QString::number(height) + QStringLiteral(" px");
    if (bytes) text += QStringLiteral(" · ") + formatName(format) + QStringLiteral(" ≈ ") + byteCountText(*bytes);
    return text;
}

QList<Hint> hints(bool previewTool, bool hasSelection, bool canUndo) {
    const QString esc = QStringLiteral("Esc");
    QList<Hint> out;
    if (previewTool) {
        out << Hint{{L("Espaço")}, L("ver original")} << Hint{{esc}, L("fechar")};
    } else {
        out << Hint{{esc}, L("voltar à prévia")};
        if (hasSelection) out << Hint{{QStringLiteral("Delete")}, L("apagar")};
    }
    out << Hint{{QStringLiteral("?")}, L("atalhos")};
    if (canUndo) out << Hint{{QStringLiteral("Ctrl"), QStringLiteral("Z")}, L("desfazer")};
    return out;
}

} // namespace EditorSummaries
