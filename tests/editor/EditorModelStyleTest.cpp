#include "editor/EditorFixture.h"

using editortest::clearToast;
using editortest::EditorTest;
using editortest::toastText;
using editortest::toastKind;

namespace {

Backdrop custom(int n, Backdrop::Kind kind = Backdrop::Kind::linear) {
    Backdrop b = Backdrop::builtIn(QStringLiteral("aurora"));
    b.id = QStringLiteral("custom-%1").arg(n);
    b.name = QStringLiteral("Meu %1").arg(n);
    b.setKind(kind);
    return b;
}

// Fills the store with custom backdrops up to `total` (the built-ins and the transparent one included).
void storeBackdrops(int total) {
    StyleStore &store = StyleStore::shared();
    for (int n = 0; store.backdrops().size() < total; ++n) store.saveBackdrop(custom(n));
}

} // namespace

TEST_F(EditorTest, MarginStaysWithinItsRange) {
    auto model = makeModel();
    BeautyStyle style = model->document().style();
    style.padding = 156;
    model->document().setStyle(style);
    model->adjustPadding(8);
    EXPECT_EQ(model->document().style().padding, 160);
    model->adjustPadding(8);
    EXPECT_EQ(model->document().style().padding, 160);
    style.padding = 4;
    model->document().setStyle(style);
    model->adjustPadding(-8);
    EXPECT_EQ(model->document().style().padding, 0);
}

TEST_F(EditorTest, NewBackdropsStartFromTheCurrentOne) {
    auto model = makeModel();
    StyleStore &store = StyleStore::shared();
    for (int n = 0; n < 3; ++n) store.saveBackdrop(custom(n));

    // A solid base becomes a two-colour gradient, named after the customs already stored.
    BeautyStyle style = model->document().style();
    style.backdrop = custom(9, Backdrop::Kind::solid);
    model->document().setStyle(style);
    model->newBackdrop();
    ASSERT_TRUE(model->page().backdropDraft());
    const BackdropDraft first = *model->page().backdropDraft();
    EXPECT_TRUE(first.isNew);
    EXPECT_EQ(first.backdrop.name, QStringLiteral("Meu fundo 4"));
    EXPECT_EQ(first.backdrop.kind, Backdrop::Kind::linear);
    EXPECT_EQ(first.backdrop.colors.size(), 2);
    EXPECT_EQ(first.backdrop.colors[0], style.backdrop.colors[0]);
    EXPECT_NE(first.backdrop.id, style.backdrop.id);

    // Over the transparent one, a new backdrop starts from the first built-in; every draft is a new
    // opening of the sheet.
    style.backdrop = Backdrop::transparent();
    model->document().setStyle(style);
    model->editBackdrop(Backdrop::transparent());
    ASSERT_TRUE(model->page().backdropDraft());
    EXPECT_NE(model->page().backdropDraft()->id, first.id);
    EXPECT_TRUE(model->page().backdropDraft()->isNew);
    EXPECT_EQ(model->page().backdropDraft()->backdrop.colors, Backdrop::defaults().first().colors);

    // Saving stores it and uses it.
    model->commitBackdrop(first.backdrop);
    EXPECT_EQ(model->document().style().backdrop, first.backdrop);
    EXPECT_FALSE(model->page().backdropDraft());
    EXPECT_EQ(store.backdrops()[store.backdrops().size() - 2], first.backdrop);
}

TEST_F(EditorTest, TheBackdropLimit) {
    auto model = makeModel();
    storeBackdrops(19);
    model->newBackdrop();
    ASSERT_TRUE(model->page().backdropDraft());
    const Backdrop made = model->page().backdropDraft()->backdrop;
    model->duplicateBackdrop(custom(0)); // the twentieth
    ASSERT_EQ(StyleStore::shared().backdrops().size(), 20);
    EXPECT_EQ(model->document().style().backdrop.name, QStringLiteral("Meu 0 (cópia)"));
    const BeautyStyle before = model->document().style();

    // The sheet opened before the store filled up: its save is refused, the sheet and style stay.
    clearToast();
    model->commitBackdrop(made);
    EXPECT_EQ(toastText(), QStringLiteral("Limite de 20 fundos / Exclua um fundo para criar outro"));
    EXPECT_EQ(toastKind(), ToastKind::failure); // refused, not done
    EXPECT_TRUE(model->page().backdropDraft());
    EXPECT_EQ(model->document().style(), before);
    EXPECT_EQ(StyleStore::shared().backdrops().size(), 20);
    // Saving an edit of a stored one still works at the limit.
    Backdrop edited = custom(1);
    edited.name = QStringLiteral("Renomeado");
    model->commitBackdrop(edited);
    EXPECT_EQ(model->document().style().backdrop, edited);

    model->page().setBackdropDraft(std::nullopt);
    model->newBackdrop();
    EXPECT_FALSE(model->page().backdropDraft());
}

TEST_F(EditorTest, PresetsAreSavedUnderAnAskedName) {
    auto model = makeModel();
    StyleStore &store = StyleStore::shared();
    for (int n = 1; n <= 8; ++n) store.addPreset(QStringLiteral("P%1").arg(n), BeautyStyle{});

    // A blank answer is a cancel: nothing is stored or shown.
    prompt.answer = QStringLiteral("  \t ");
    clearToast();
    model->saveAsPreset();
    EXPECT_EQ(store.presets().size(), 8);
    EXPECT_EQ(toastText(), QString());
    ASSERT_EQ(prompt.asked.size(), 1);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("Novo preset"));
    EXPECT_EQ(prompt.asked[0].message, QStringLiteral("Salva o estilo atual com um nome."));
    EXPECT_EQ(prompt.asked[0].initial, QStringLiteral("Preset 9"));
    EXPECT_EQ(prompt.asked[0].confirm, QStringLiteral("Salvar"));

    model->adjustPadding(8);
    prompt.answer = QStringLiteral("  Lançamento ");
    model->saveAsPreset();
    ASSERT_EQ(store.presets().size(), 9);
    EXPECT_EQ(store.presets().last().name, QStringLiteral("Lançamento"));
    EXPECT_EQ(store.presets().last().style, model->document().style());
    EXPECT_EQ(toastText(), QStringLiteral("Preset “Lançamento” criado / Aplique com a tecla 9"));

    model->saveAsPreset();
    EXPECT_EQ(prompt.asked.size(), 2); // the limit is told without asking
    EXPECT_EQ(toastText(), QStringLiteral("Limite de 9 presets / Exclua um com o botão direito"));
    EXPECT_EQ(toastKind(), ToastKind::failure);

    // Applying follows the store's order; an index outside it changes nothing.
    model->applyPreset(0);
    EXPECT_EQ(model->document().style(), BeautyStyle{});
    model->applyPreset(9);
    EXPECT_EQ(model->document().style(), BeautyStyle{});
}

namespace {
// Identifiers only: a copy of a list would share its storage and hide the fault.
template <typename T>
QStringList idsOf(const QList<T> &list) {
    QStringList ids;
    for (const T &item : list) {
        if constexpr (std::is_same_v<T, StylePreset>) ids.append(item.id.toString());
        else ids.append(item.id);
    }
    return ids;
}
} // namespace

TEST_F(EditorTest, DeletingAStoredElementNamesAndRemovesThatOne) {
    // The side panel passes the store's own elements, which the deletion replaces under them.
    auto model = makeModel();
    StyleStore &store = StyleStore::shared();
    for (int n = 1; n <= 3; ++n) store.addPreset(QStringLiteral("P%1").arg(n), BeautyStyle{});
    const QStringList presetsBefore = idsOf(store.presets());
    const QString firstName = store.presets().first().displayName();
    clearToast();
    model->deletePreset(store.presets().first());
    EXPECT_EQ(toastText(), QStringLiteral("Preset “%1” excluído / Os atalhos 1–9 foram reorganizados").arg(firstName));
    EXPECT_EQ(idsOf(store.presets()), presetsBefore.mid(1));

    for (int n = 0; n < 2; ++n) store.saveBackdrop(custom(n));
    const QStringList backdropsBefore = idsOf(store.backdrops());
    model->editBackdrop(store.backdrops().first());
    ASSERT_TRUE(model->page().backdropDraft());
    model->deleteBackdrop(store.backdrops().first());
    EXPECT_EQ(idsOf(store.backdrops()), backdropsBefore.mid(1));
    EXPECT_FALSE(model->page().backdropDraft());

    // Saving a stored element as it is keeps it and uses it.
    model->commitBackdrop(store.backdrops().first());
    EXPECT_EQ(idsOf(store.backdrops()), backdropsBefore.mid(1));
    EXPECT_EQ(model->document().style().backdrop.id, backdropsBefore[1]);
}
