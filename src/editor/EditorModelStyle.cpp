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

qsizetype customBackdropCount() {
    const QList<Backdrop> &stored = StyleStore::shared().backdrops();
    return std::count_if(stored.begin(), stored.end(), [](const Backdrop &b) { return !isBuiltIn(b); });
}

bool storeIsFull() { return StyleStore::shared().backdrops().size() >= StyleStore::maxBackdrops; }

bool isStored(const Backdrop &backdrop) {
    const QList<Backdrop> &stored = StyleStore::shared().backdrops();
    return std::any_of(stored.begin(), stored.end(), [&](const Backdrop &b) { return b.id == backdrop.id; });
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
    BeautyStyle changed = style();
    edit(changed);
    setStyle(changed);
}

void EditorModel::applyPreset(int index) {
    const QList<StylePreset> &presets = StyleStore::shared().presets();
    if (index < 0 || index >= presets.size()) return;
    setStyle(presets[index].style);
}

void EditorModel::nextBackdrop() {
    const QList<Backdrop> &stored = StyleStore::shared().backdrops();
    if (stored.isEmpty()) return;
    qsizetype next = 0;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i].id != style().backdrop.id) continue;
        next = (i + 1) % stored.size();
        break;
    }
    const Backdrop chosen = stored[next];
    changeStyle([&](BeautyStyle &s) { s.backdrop = chosen; });
}

void EditorModel::newBackdrop() {
    if (storeIsFull()) {
        notifyFailure(L(LKey(QStringLiteral("Limite de %@ fundos"), {QString::number(StyleStore::maxBackdrops)})),
                      L("Exclua um fundo para criar outro"));
        return;
    }
    Backdrop made = style().backdrop.id == transparentID ? Backdrop::defaults().first() : style().backdrop;
    made.id = newBackdropID();
    made.name = L(LKey(QStringLiteral("Meu fundo %@"), {QString::number(customBackdropCount() + 1)}));
    if (made.kind == Backdrop::Kind::solid) made.setKind(Backdrop::Kind::linear);
    setBackdropDraft(BackdropDraft(made, true));
}

void EditorModel::editBackdrop(const Backdrop &backdrop) {
    if (backdrop.id == transparentID) {
        newBackdrop();
        return;
    }
    setBackdropDraft(BackdropDraft(backdrop, false));
}

void EditorModel::duplicateBackdrop(Backdrop backdrop) {
    if (backdrop.id == transparentID || storeIsFull()) return;
    Backdrop copy = backdrop;
    copy.id = newBackdropID();
    copy.name = L(LKey(QStringLiteral("%@ (cópia)"), {backdrop.displayName()}));
    StyleStore::shared().saveBackdrop(copy);
    changeStyle([&](BeautyStyle &s) { s.backdrop = copy; });
}

void EditorModel::deleteBackdrop(Backdrop backdrop) {
    if (backdrop.id == transparentID) return;
    StyleStore::shared().removeBackdrop(backdrop);
    if (backdropDraft() && backdropDraft()->backdrop.id == backdrop.id) setBackdropDraft(std::nullopt);
    notify(L("Fundo excluído"), L("Restaure os de fábrica nas Preferências"));
}

void EditorModel::commitBackdrop(Backdrop backdrop) {
    // A full store would drop a new backdrop: the user keeps the sheet and can still delete one.
    if (!isStored(backdrop) && storeIsFull()) {
        notifyFailure(L(LKey(QStringLiteral("Limite de %@ fundos"), {QString::number(StyleStore::maxBackdrops)})),
                      L("Exclua um fundo para criar outro"));
        return;
    }
    StyleStore::shared().saveBackdrop(backdrop);
    changeStyle([&](BeautyStyle &s) { s.backdrop = backdrop; });
    setBackdropDraft(std::nullopt);
}

void EditorModel::updatePreset(StylePreset preset) {
    StyleStore::shared().updatePreset(preset.id, style());
    notify(L(LKey(QStringLiteral("Preset “%@” atualizado"), {preset.displayName()})),
           L("Agora ele usa o estilo atual"));
}

void EditorModel::deletePreset(StylePreset preset) {
    StyleStore::shared().removePreset(preset);
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
    StyleStore::shared().setDefaultStyle(style());
    notify(L("Estilo padrão salvo"), L("Os próximos prints já saem assim"));
}

void EditorModel::saveAsPreset() {
    StyleStore &store = StyleStore::shared();
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
    store.addPreset(*name, style());
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
