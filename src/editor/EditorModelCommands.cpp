// EditorModel: the command bar's table and running its selected row.
#include "editor/EditorModel.h"

#include "core/Localization.h"
#include "core/Shortcut.h"
#include "core/StyleStore.h"
#include "editor/EditorKeyHandler.h"
#include "platform/KeyEvent.h"

#include <QPointer>

namespace {

namespace Flag = platform::ModifierFlag;
namespace Key = platform::KeyCode;

// Builds the rows; each row's action holds the model weakly. The store outlives every model.
class Rows {
public:
    Rows(EditorModel *model, StyleStore &store) : styles(store), m_model(model) {
        m_rows.reserve(64); // the largest table
    }

    void add(const QString &id, const QString &group, const QString &title, const QString &shortcut,
             std::function<void(EditorModel &)> action, std::optional<Backdrop> backdrop = std::nullopt) {
        m_rows.append({id, group, title, shortcut, std::move(backdrop), [model = m_model, action = std::move(action)] {
                           if (model) action(*model);
                       }});
    }
    QList<EditorCommand> take() { return std::move(m_rows); }

    StyleStore &styles;

private:
    QPointer<EditorModel> m_model;
    QList<EditorCommand> m_rows;
};

// A key combination's hint, written as every shortcut is shown.
QString keyHint(std::uint32_t modifiers, int keyCode, const QString &key) {
    return Shortcut{static_cast<std::uint16_t>(keyCode), modifiers, key}.displayString();
}

// The mark of the current choice of a family of rows.
QString currentMark(bool current) { return current ? L("atual") : QString(); }

void changeStyle(EditorModel &model, const std::function<void(BeautyStyle &)> &edit) {
    BeautyStyle style = model.document().style();
    edit(style);
    model.document().setStyle(style);
}

void changeExport(StyleStore &styles, const std::function<void(ExportSettings &)> &edit) {
    ExportSettings settings = styles.exportSettings();
    edit(settings);
    styles.setExportSettings(settings);
}

void addTools(Rows &rows) {
    const QString group = L("Ferramentas");
    for (EditorTool tool : EditorTools::all)
        rows.add(QStringLiteral("tool-") + EditorTools::rawValue(tool), group,
                 EditorTools::title(tool) + QStringLiteral(" — ") + EditorTools::detail(tool),
                 EditorKeyHandler::toolKey(tool), [tool](EditorModel &m) { m.document().setTool(tool); });
    rows.add(QStringLiteral("hide-sensitive"), group, L("Esconder dados sensíveis automaticamente"), {},
             [](EditorModel &m) { m.hideSensitiveData(); });
    rows.add(QStringLiteral("crop-reset"), group, L("Remover recorte"), {},
             [](EditorModel &m) { m.document().removeCrop(); });
    rows.add(QStringLiteral("clear-annotations"), group, L("Apagar todas as anotações"), {},
             [](EditorModel &m) { m.document().clearAnnotations(); });
}

void addBackdrops(Rows &rows, const BeautyStyle &style) {
    const QString group = L("Fundo");
    rows.add(QStringLiteral("next-bg"), group, L("Próximo fundo"), {}, [](EditorModel &m) { m.nextBackdrop(); });
    rows.add(QStringLiteral("bg-new"), group, L("Novo fundo…"), {}, [](EditorModel &m) { m.newBackdrop(); });
    rows.add(QStringLiteral("bg-edit"), group, L("Editar fundo atual…"), QStringLiteral("E"),
             [](EditorModel &m) { m.editBackdrop(m.document().style().backdrop); });
    for (const Backdrop &backdrop : rows.styles.backdrops())
        rows.add(
            QStringLiteral("bg-") + backdrop.id, group, L(LKey(QStringLiteral("Fundo: %@"), {backdrop.displayName()})),
            currentMark(backdrop.id == style.backdrop.id),
            [backdrop](EditorModel &m) { changeStyle(m, [&](BeautyStyle &s) { s.backdrop = backdrop; }); }, backdrop);
    const QList<StylePreset> &presets = rows.styles.presets();
    for (qsizetype i = 0; i < presets.size(); ++i)
        rows.add(QStringLiteral("preset-") + uuidString(presets[i].id), L("Presets"),
                 L(LKey(QStringLiteral("Preset: %@"), {presets[i].displayName()})), QString::number(i + 1),
                 [i](EditorModel &m) { m.applyPreset(int(i)); });
}

void addStyle(Rows &rows, const BeautyStyle &style) {
    const QString group = L("Ajustes do estilo");
    rows.add(QStringLiteral("pad-up"), group, L("Aumentar margem"), QStringLiteral("]"),
             [](EditorModel &m) { m.adjustPadding(8); });
    rows.add(QStringLiteral("pad-down"), group, L("Diminuir margem"), QStringLiteral("["),
             [](EditorModel &m) { m.adjustPadding(-8); });
    rows.add(QStringLiteral("corners"), group,
             style.roundedCorners ? L("Desligar cantos arredondados") : L("Ligar cantos arredondados"), {},
             [](EditorModel &m) { m.toggleCorners(); });
    rows.add(QStringLiteral("shadow"), group, style.shadow ? L("Desligar sombra") : L("Ligar sombra"), {},
             [](EditorModel &m) { m.toggleShadow(); });
    rows.add(QStringLiteral("balance"), group,
             style.autoBalance ? L("Desligar centralização automática") : L("Ligar centralização automática"), {},
             [](EditorModel &m) { m.toggleBalance(); });
    for (AspectRatio aspect : allAspectRatios)
        rows.add(QStringLiteral("aspect-") + rawValue(aspect), L("Proporção"),
                 L(LKey(QStringLiteral("Proporção: %@"), {aspectLabel(aspect)})), currentMark(aspect == style.aspect),
                 [aspect](EditorModel &m) { changeStyle(m, [&](BeautyStyle &s) { s.aspect = aspect; }); });
}

void addExport(Rows &rows) {
    const QString group = L("Exportar");
    const ExportSettings stored = rows.styles.exportSettings();
    for (ExportFormat format : allExportFormats)
        rows.add(QStringLiteral("format-") + rawValue(format), group,
                 L(LKey(QStringLiteral("Formato: %@"), {formatName(format)})), currentMark(format == stored.format),
                 [format, &styles = rows.styles](EditorModel &) {
                     changeExport(styles, [&](ExportSettings &e) { e.format = format; });
                 });
    for (ExportScale scale : allExportScales)
        rows.add(QStringLiteral("scale-") + rawValue(scale), group,
                 L(LKey(QStringLiteral("Tamanho: %@"), {scaleLabel(scale)})), currentMark(scale == stored.scale),
                 [scale, &styles = rows.styles](EditorModel &) {
                     changeExport(styles, [&](ExportSettings &e) { e.scale = scale; });
                 });
}

void addActions(Rows &rows) {
    const QString group = L("Ações");
    const ExportFormat format = rows.styles.exportSettings().format;
    rows.add(QStringLiteral("copy"), group, L("Copiar"), keyHint(Flag::command, Key::c, QStringLiteral("C")),
             [](EditorModel &m) { m.copy(); });
    rows.add(QStringLiteral("copy-text"), group, L("Copiar texto do print (OCR)"),
             keyHint(Flag::shift | Flag::command, Key::c, QStringLiteral("C")), [](EditorModel &m) { m.copyText(); });
    rows.add(QStringLiteral("save"), group, L(LKey(QStringLiteral("Salvar como %@…"), {formatName(format)})),
             keyHint(Flag::command, Key::s, QStringLiteral("S")), [](EditorModel &m) { m.save(); });
    rows.add(QStringLiteral("default"), group, L("Usar este estilo como padrão"), {},
             [](EditorModel &m) { m.makeDefault(); });
    rows.add(QStringLiteral("preset-new"), group, L("Salvar estilo como preset"), {},
             [](EditorModel &m) { m.saveAsPreset(); });
    rows.add(QStringLiteral("shortcuts"), group, L("Mapa de atalhos"), QStringLiteral("?"),
             [](EditorModel &m) { m.page().setShortcutsOpen(true); });
    rows.add(QStringLiteral("close"), group, L("Fechar sem salvar"), QStringLiteral("Esc"),
             [](EditorModel &m) { m.close(); });
}

} // namespace

QList<EditorCommand> EditorModel::commands() {
    Rows rows(this, m_styles);
    addTools(rows);
    addBackdrops(rows, m_document.style());
    addStyle(rows, m_document.style());
    addExport(rows);
    addActions(rows);
    return rows.take();
}

void EditorModel::runSelectedCommand() {
    const QList<EditorCommand> rows = filteredCommands();
    if (m_page.commandSelection() < 0 || m_page.commandSelection() >= rows.size()) return;
    const std::function<void()> action = rows[m_page.commandSelection()].run;
    m_page.setCommandBarOpen(false);
    action();
}
