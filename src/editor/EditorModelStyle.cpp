// EditorModel: the style operations of the side panel, the commands and the keys.
#include "editor/EditorModel.h"

#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/StyleStore.h"
#include "platform/NamePrompt.h"

#include <QPointer>

#include <algorithm>

namespace {

constexpr double maximumPadding = 160;
const QString transparentID = QStringLiteral("none");

bool isBuiltIn(const Backdrop &backdrop) {
    const QList<Backdrop> &builtIns = Backdrop::defaults();
    return std::any_of(builtIns.begin(), builtIns.end(), [&](const Backdrop &b) { return b.id == backdrop.id; });
}

qsizetype customBackdropCount(const StyleStore &styles) {
    const QList<Backdrop> &stored = styles.backdrops();
    return std::count_if(stored.begin(), stored.end(), [](const Backdrop &b) { return !isBuiltIn(b); });
}

QString newBackdropID() { return uuidString(QUuid::createUuid()); }

} // namespace

void EditorModel::notify(const QString &title, const QString &subtitle) {
    Notifier::shared().notify({preview().isNull() ? original() : preview(), title, subtitle});
}

void EditorModel::notifyFailure(const QString &title, const QString &subtitle) {
    Notifier::shared().notify({preview().isNull() ? original() : preview(), title, subtitle, ToastKind::failure});
}

void EditorModel::changeStyle(const std::function<void(BeautyStyle &)> &edit) {
    BeautyStyle changed = m_document.style();
    edit(changed);
    m_document.setStyle(changed);
}

void EditorModel::applyPreset(int index) {
    const QList<StylePreset> &presets = m_styles.presets();
    if (index < 0 || index >= presets.size()) return;
    m_document.setStyle(presets[index].style);
}

void EditorModel::nextBackdrop() {
    const QList<Backdrop> &stored = m_styles.backdrops();
    if (stored.isEmpty()) return;
    qsizetype next = 0;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i].id != m_document.style().backdrop.id) continue;
        next = (i + 1) % stored.size();
        break;
    }
    const Backdrop chosen = stored[next];
    changeStyle([&](BeautyStyle &s) { s.backdrop = chosen; });
}

void EditorModel::newBackdrop() {
    if (!m_styles.hasRoomForBackdrop()) {
        notifyFailure(L(LKey(QStringLiteral("Limite de %@ fundos"), {QString::number(StyleStore::maxBackdrops)})),
                      L("Exclua um fundo para criar outro"));
        return;
    }
    Backdrop made =
        m_document.style().backdrop.id == transparentID ? Backdrop::defaults().first() : m_document.style().backdrop;
    made.id = newBackdropID();
    made.name = L(LKey(QStringLiteral("Meu fundo %@"), {QString::number(customBackdropCount(m_styles) + 1)}));
    if (made.kind == Backdrop::Kind::solid) made.setKind(Backdrop::Kind::linear);
    m_page.setBackdropDraft(BackdropDraft(made, true));
}

void EditorModel::editBackdrop(const Backdrop &backdrop) {
    if (backdrop.id == transparentID) {
        newBackdrop();
        return;
    }
    m_page.setBackdropDraft(BackdropDraft(backdrop, false));
}

void EditorModel::duplicateBackdrop(Backdrop backdrop) {
    if (backdrop.id == transparentID || !m_styles.hasRoomForBackdrop()) return;
    Backdrop copy = backdrop;
    copy.id = newBackdropID();
    copy.name = L(LKey(QStringLiteral("%@ (cópia)"), {backdrop.displayName()}));
    m_styles.saveBackdrop(copy);
    changeStyle([&](BeautyStyle &s) { s.backdrop = copy; });
}

void EditorModel::deleteBackdrop(Backdrop backdrop) {
    if (backdrop.id == transparentID) return;
    m_styles.removeBackdrop(backdrop);
    if (m_page.backdropDraft() && m_page.backdropDraft()->backdrop.id == backdrop.id)
        m_page.setBackdropDraft(std::nullopt);
    notify(L("Fundo excluído"), L("Restaure os de fábrica nas Preferências"));
}

void EditorModel::commitBackdrop(Backdrop backdrop) {
    // A full store would drop a new backdrop: the user keeps the sheet and can still delete one.
    if (!m_styles.hasRoomForBackdrop(backdrop.id)) {
        notifyFailure(L(LKey(QStringLiteral("Limite de %@ fundos"), {QString::number(StyleStore::maxBackdrops)})),
                      L("Exclua um fundo para criar outro"));
        return;
    }
    m_styles.saveBackdrop(backdrop);
    changeStyle([&](BeautyStyle &s) { s.backdrop = backdrop; });
    m_page.setBackdropDraft(std::nullopt);
}

void EditorModel::updatePreset(StylePreset preset) {
    m_styles.updatePreset(preset.id, m_document.style());
    notify(L(LKey(QStringLiteral("Preset “%@” atualizado"), {preset.displayName()})),
           L("Agora ele usa o estilo atual"));
}

void EditorModel::deletePreset(StylePreset preset) {
    m_styles.removePreset(preset);
    notify(L(LKey(QStringLiteral("Preset “%@” excluído"), {preset.displayName()})),
           L("Os atalhos 1–9 foram reorganizados"));
}

void EditorModel::adjustPadding(double delta) {
    changeStyle([&](BeautyStyle &s) { s.padding = std::clamp(s.padding + delta, 0.0, maximumPadding); });
}

void EditorModel::toggleCorners() {
    changeStyle([](BeautyStyle &s) { s.roundedCorners = !s.roundedCorners; });
}

void EditorModel::toggleShadow() {
    changeStyle([](BeautyStyle &s) { s.shadow = !s.shadow; });
}

void EditorModel::toggleBalance() {
    changeStyle([](BeautyStyle &s) { s.autoBalance = !s.autoBalance; });
}

void EditorModel::makeDefault() {
    m_styles.setDefaultStyle(m_document.style());
    notify(L("Estilo padrão salvo"), L("Os próximos prints já saem assim"));
}

void EditorModel::saveAsPreset() {
    StyleStore &store = m_styles;
    if (store.presets().size() >= StyleStore::maxPresets) {
        notifyFailure(L("Limite de 9 presets"), L("Exclua um com o botão direito"));
        return;
    }
    // The prompt runs an event loop, in which the router may replace this model.
    const QPointer<EditorModel> self(this);
    const std::optional<QString> name =
        askName(L("Novo preset"), L("Salva o estilo atual com um nome."),
                L(LKey(QStringLiteral("Preset %@"), {QString::number(store.presets().size() + 1)})), L("Salvar"));
    if (!self || !name) return;
    store.addPreset(*name, m_document.style());
    notify(L(LKey(QStringLiteral("Preset “%@” criado"), {*name})),
           L(LKey(QStringLiteral("Aplique com a tecla %@"), {QString::number(store.presets().size())})));
}

std::optional<QString> EditorModel::askName(const QString &title, const QString &message, const QString &initial,
                                            const QString &confirm) {
    const std::optional<QString> answer =
        platform::NamePrompt::shared().run({title, message, initial, confirm, L("Cancelar")});
    if (!answer) return std::nullopt;
    const QString name = answer->trimmed();
    if (name.isEmpty()) return std::nullopt;
    return name;
}
