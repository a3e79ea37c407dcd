#include "editor/EditorFixture.h"

#include "capture/Toast.h"

using editortest::EditorTest;

namespace {

// The title and subtitle of the toast on screen ("" when none was shown since `clearToast`).
QString toastText() {
    auto *view = qobject_cast<ToastView *>(Toast::panel());
    return view && view->isVisible() ? view->title() + QStringLiteral(" / ") + view->subtitle() : QString();
}

void clearToast() {
    if (QWidget *panel = Toast::panel()) panel->hide();
}

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

TEST_F(EditorTest, MarginAndSwitches) {
    auto model = makeModel();
    BeautyStyle style = model->style();
    style.padding = 156;
    model->setStyle(style);
    model->adjustPadding(8);
    EXPECT_EQ(model->style().padding, 160);
    model->adjustPadding(8);
    EXPECT_EQ(model->style().padding, 160);
    style.padding = 4;
    model->setStyle(style);
    model->adjustPadding(-8);
    EXPECT_EQ(model->style().padding, 0);

    model->toggleCorners();
    model->toggleBalance();
    EXPECT_NE(model->style().roundedCorners, style.roundedCorners);
    EXPECT_NE(model->style().autoBalance, style.autoBalance);
    model->undo();
    model->undo();
    EXPECT_EQ(model->style(), [&] { BeautyStyle s = style; s.padding = 0; return s; }());
}

TEST_F(EditorTest, NewBackdropsStartFromTheCurrentOne) {
    auto model = makeModel();
    StyleStore &store = StyleStore::shared();
    for (int n = 0; n < 3; ++n) store.saveBackdrop(custom(n));

    // A solid base becomes a two-colour gradient, named after the customs already stored.
    BeautyStyle style = model->style();
    style.backdrop = custom(9, Backdrop::Kind::solid);
    model->setStyle(style);
    model->newBackdrop();
    ASSERT_TRUE(model->backdropDraft());
    const BackdropDraft first = *model->backdropDraft();
    EXPECT_TRUE(first.isNew);
    EXPECT_EQ(first.backdrop.name, QStringLiteral("Meu fundo 4"));
    EXPECT_EQ(first.backdrop.kind, Backdrop::Kind::linear);
    EXPECT_EQ(first.backdrop.colors.size(), 2);
    EXPECT_EQ(first.backdrop.colors[0], style.backdrop.colors[0]);
    EXPECT_NE(first.backdrop.id, style.backdrop.id);

    // Over the transparent one, a new backdrop starts from the first built-in; every draft is a new
    // opening of the sheet.
    style.backdrop = Backdrop::transparent();
    model->setStyle(style);
    model->editBackdrop(Backdrop::transparent());
    ASSERT_TRUE(model->backdropDraft());
    EXPECT_NE(model->backdropDraft()->id, first.id);
    EXPECT_TRUE(model->backdropDraft()->isNew);
    EXPECT_EQ(model->backdropDraft()->backdrop.colors, Backdrop::defaults().first().colors);
    model->editBackdrop(custom(1));
    EXPECT_FALSE(model->backdropDraft()->isNew);

    // Saving stores it and uses it; deleting the one open in the sheet closes the sheet.
    const Backdrop saved = first.backdrop;
    model->commitBackdrop(saved);
    EXPECT_EQ(model->style().backdrop, saved);
    EXPECT_FALSE(model->backdropDraft());
    EXPECT_EQ(store.backdrops()[store.backdrops().size() - 2], saved);
    model->editBackdrop(saved);
    clearToast();
    model->deleteBackdrop(saved);
    EXPECT_FALSE(model->backdropDraft());
    EXPECT_EQ(model->style().backdrop, saved); // the style keeps its copy
    EXPECT_EQ(toastText(), QStringLiteral("Fundo excluído / Restaure os de fábrica nas Preferências"));
}

TEST_F(EditorTest, TheBackdropLimit) {
    auto model = makeModel();
    storeBackdrops(19);
    model->newBackdrop();
    ASSERT_TRUE(model->backdropDraft());
    const Backdrop made = model->backdropDraft()->backdrop;
    model->duplicateBackdrop(custom(0)); // the twentieth
    ASSERT_EQ(StyleStore::shared().backdrops().size(), 20);
    EXPECT_EQ(model->style().backdrop.name, QStringLiteral("Meu 0 (cópia)"));
    const BeautyStyle before = model->style();

    // The sheet opened before the store filled up: its save is refused, the sheet and style stay.
    clearToast();
    model->commitBackdrop(made);
    EXPECT_EQ(toastText(), QStringLiteral("Limite de 20 fundos / Exclua um fundo para criar outro"));
    EXPECT_TRUE(model->backdropDraft());
    EXPECT_EQ(model->style(), before);
    EXPECT_EQ(StyleStore::shared().backdrops().size(), 20);
    // Saving an edit of a stored one still works at the limit.
    Backdrop edited = custom(1);
    edited.name = QStringLiteral("Renomeado");
    model->commitBackdrop(edited);
    EXPECT_EQ(model->style().backdrop, edited);

    model->setBackdropDraft(std::nullopt);
    clearToast();
    model->newBackdrop();
    EXPECT_FALSE(model->backdropDraft());
    EXPECT_EQ(toastText(), QStringLiteral("Limite de 20 fundos / Exclua um fundo para criar outro"));
    model->duplicateBackdrop(custom(2));
    EXPECT_EQ(StyleStore::shared().backdrops().size(), 20);
}

TEST_F(EditorTest, NextBackdropWrapsAndStartsOverForAnUnstoredOne) {
    auto model = makeModel();
    const QList<Backdrop> stored = StyleStore::shared().backdrops();
    BeautyStyle style = model->style();
    style.backdrop = stored.last();
    model->setStyle(style);
    model->nextBackdrop();
    EXPECT_EQ(model->style().backdrop, stored.first());
    model->nextBackdrop();
    EXPECT_EQ(model->style().backdrop, stored[1]);
    style.backdrop = custom(5);
    model->setStyle(style);
    model->nextBackdrop();
    EXPECT_EQ(model->style().backdrop, stored.first());
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
    EXPECT_EQ(store.presets().last().style, model->style());
    EXPECT_EQ(toastText(), QStringLiteral("Preset “Lançamento” criado / Aplique com a tecla 9"));

    model->saveAsPreset();
    EXPECT_EQ(prompt.asked.size(), 2); // the limit is told without asking
    EXPECT_EQ(toastText(), QStringLiteral("Limite de 9 presets / Exclua um com o botão direito"));

    // Applying follows the store's order; an index outside it changes nothing.
    model->applyPreset(0);
    EXPECT_EQ(model->style(), BeautyStyle{});
    model->applyPreset(9);
    EXPECT_EQ(model->style(), BeautyStyle{});
    model->adjustPadding(-8);
    model->updatePreset(store.presets()[1]);
    EXPECT_EQ(store.presets()[1].style, model->style());
    EXPECT_EQ(toastText(), QStringLiteral("Preset “P2” atualizado / Agora ele usa o estilo atual"));
    model->deletePreset(store.presets()[0]);
    EXPECT_EQ(store.presets()[0].name, QStringLiteral("P2"));
    model->makeDefault();
    EXPECT_EQ(store.defaultStyle(), model->style());
}
