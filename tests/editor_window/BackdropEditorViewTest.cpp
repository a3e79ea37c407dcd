#include "editor_window/BackdropEditorView.h"

#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor/BackdropEditorState.h"
#include "editor/EditorModel.h"
#include "editor_window/AngleDial.h"
#include "editor_window/BackdropDraftSheet.h"
#include "editor_window/BackdropEditorSections.h"
#include "editor_window/BackdropStage.h"
#include "editor_window/ColorPanelBridge.h"
#include "editor_window/HexField.h"
#include "platform/StringTables.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QColorDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

Backdrop backdropOf(Backdrop::Kind kind, QList<quint32> colors) {
    Backdrop b;
    b.id = QStringLiteral("B1");
    b.name = QStringLiteral("Fundo");
    b.kind = kind;
    b.colors = std::move(colors);
    b.syncPoints();
    return b;
}

class BackdropEditorViewTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override {
        view.reset();
        ColorPanelBridge::shared().detach();
        platform::StringTables::setCurrentLanguage({});
    }

    // A shown sheet over `backdrop` whose callbacks count into `saved`, `cancels` and `deletes`.
    BackdropEditorView &open(const Backdrop &backdrop, bool deletable = false) {
        BackdropEditorView::Host host;
        host.backdrop = backdrop;
        host.saveTitle = QStringLiteral("Salvar");
        host.onSave = [this](const Backdrop &b) { saved.append(b); };
        host.onCancel = [this] { ++cancels; };
        if (deletable) host.onDelete = [this] { ++deletes; };
        view = std::make_unique<BackdropEditorView>(host);
        view->show();
        return *view;
    }
    QAbstractButton *button(const QString &tip) {
        for (auto *b : view->findChildren<QAbstractButton *>())
            if ((b->toolTip() == tip || b->text() == tip) && b->isVisibleTo(view.get())) return b;
        return nullptr;
    }
    QAbstractButton *swatch(int index) {
        return button(L(LKey(QStringLiteral("Cor %@"), {QString::number(index + 1)})));
    }
    void pick(const QColor &color) { ColorPanelBridge::shared().panel()->setCurrentColor(color); }

    std::unique_ptr<BackdropEditorView> view;
    QList<Backdrop> saved;
    int cancels = 0;
    int deletes = 0;
};

} // namespace

TEST_F(BackdropEditorViewTest, ControlsAreAbsentOutsideTheKindsLimits) {
    open(backdropOf(Backdrop::Kind::solid, {0x112233}));
    EXPECT_TRUE(swatch(0));
    EXPECT_FALSE(button(L("Adicionar cor")));
    EXPECT_FALSE(button(L("Remover esta cor")));
    EXPECT_FALSE(view->findChild<AngleDial *>()->isVisibleTo(view.get()));
    EXPECT_FALSE(button(L("Excluir fundo")));

    open(backdropOf(Backdrop::Kind::linear, {1, 2, 3, 4}), true);
    EXPECT_FALSE(button(L("Adicionar cor")));
    EXPECT_TRUE(button(L("Remover esta cor")));
    EXPECT_TRUE(view->findChild<AngleDial *>()->isVisibleTo(view.get()));
    button(L("Excluir fundo"))->click();
    EXPECT_EQ(deletes, 1);

    // A transparent backdrop: no colours, no add, no selected row, no optional section.
    open(Backdrop::transparent());
    EXPECT_FALSE(swatch(0));
    EXPECT_FALSE(button(L("Adicionar cor")));
    EXPECT_FALSE(view->findChild<HexField *>()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->findChild<AngleDial *>()->isVisibleTo(view.get()));
    for (auto *segment : view->findChildren<BackdropKindSegment *>()) EXPECT_FALSE(segment->isChecked());
    button(L("Malha"))->click();
    EXPECT_EQ(view->state().backdrop().colors.size(), 3);
    EXPECT_TRUE(button(L("Adicionar cor")));
}

TEST_F(BackdropEditorViewTest, ReturnSavesTheTrimmedNameAndEscapeCancels) {
    open(backdropOf(Backdrop::Kind::linear, {1, 2}));
    auto *name = view->findChild<QLineEdit *>();
    ASSERT_FALSE(qobject_cast<HexField *>(name));
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("  Praia  "));
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0].name, QStringLiteral("Praia"));
    EXPECT_EQ(name->text(), QStringLiteral("  Praia  "));
    QTest::keyClick(view->findChild<HexField *>(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(saved.size(), 1);
}

TEST_F(BackdropEditorViewTest, TheHexFieldEditsTheSelectedColor) {
    open(backdropOf(Backdrop::Kind::linear, {0x111111, 0x222222}));
    HexField *hex = view->findChild<HexField *>();
    swatch(1)->click();
    EXPECT_EQ(hex->text(), QStringLiteral("#222222"));
    hex->setText({});
    QTest::keyClicks(hex, QStringLiteral("ff0000"));
    EXPECT_EQ(view->state().backdrop().colors, (QList<quint32>{0x111111, 0xFF0000}));
}

TEST_F(BackdropEditorViewTest, TheColorPanelFollowsTheSelectionAndIsDetachedWhenTheSheetGoes) {
    open(backdropOf(Backdrop::Kind::mesh, {1, 2, 3, 4, 5}));
    swatch(1)->click();
    button(L("Paleta"))->click();
    ASSERT_TRUE(ColorPanelBridge::shared().panel()->isVisible());
    EXPECT_EQ(ColorPanelBridge::shared().panel()->currentColor(), QColor(0, 0, 2));
    swatch(2)->click(); // re-targets the open panel
    pick(QColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(view->state().backdrop().colors, (QList<quint32>{1, 2, 0xABCDEF, 4, 5}));

    // On the last of five, removed: the selection moves to 3 and the panel with it.
    swatch(4)->click();
    button(L("Remover esta cor"))->click();
    EXPECT_EQ(view->state().selectedColor(), 3);
    pick(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(view->state().backdrop().colors, (QList<quint32>{1, 2, 0xABCDEF, 0x123456}));

    view->hide();
    EXPECT_FALSE(ColorPanelBridge::shared().panel()->isVisible());
    pick(QColor(0x65, 0x43, 0x21));
    EXPECT_EQ(view->state().backdrop().colors.last(), 0x123456u);
}

TEST_F(BackdropEditorViewTest, PressingAMeshHandleSelectsItAndMovesItsPoint) {
    open(backdropOf(Backdrop::Kind::mesh, {1, 2, 3}));
    // Half a code typed in the hex field: pressing a handle settles it on the handle's colour.
    HexField *hex = view->findChild<HexField *>();
    QApplication::setActiveWindow(view.get());
    hex->setFocus();
    QTest::keyClicks(hex, QStringLiteral("00"));
    auto *stage = view->findChild<BackdropStage *>();
    const QPoint on = stage->handleCentre(2).toPoint() + QPoint(5, 0);
    QTest::mousePress(stage, Qt::LeftButton, {}, on);
    EXPECT_EQ(view->state().selectedColor(), 2);
    EXPECT_EQ(hex->text(), QStringLiteral("#000003"));
    EXPECT_NEAR(view->state().backdrop().points[2].x * stage->width(), on.x(), 1e-9);
    QTest::mouseMove(stage, QPoint(stage->width() + 50, -50));
    QTest::mouseRelease(stage, Qt::LeftButton, {}, QPoint(stage->width() + 50, -50));
    EXPECT_EQ(view->state().backdrop().points[2], (MeshPoint{1, 0}));
}

// Each mesh point is an element of its own to assistive technology: named after its colour, where its
// handle is drawn, selected with its colour; other kinds have none.
TEST_F(BackdropEditorViewTest, EveryMeshPointIsNamedToAssistiveTechnology) {
    open(backdropOf(Backdrop::Kind::mesh, {1, 2, 3}));
    auto *stage = view->findChild<BackdropStage *>();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(stage);
    ASSERT_NE(accessible, nullptr);
    ASSERT_EQ(accessible->childCount(), 3);
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface *point = accessible->child(i);
        ASSERT_NE(point, nullptr);
        names << point->text(QAccessible::Name);
        EXPECT_EQ(point->parent(), accessible);
        EXPECT_EQ(accessible->indexOfChild(point), i);
        EXPECT_TRUE(point->rect().contains(stage->mapToGlobal(stage->handleCentre(i).toPoint())));
    }
    EXPECT_EQ(names, (QStringList{"Ponto da cor 1", "Ponto da cor 2", "Ponto da cor 3"}));
    EXPECT_EQ(accessible->child(1), accessible->child(1)); // one element per point, kept
    const QPoint second = stage->mapToGlobal(stage->handleCentre(1).toPoint());
    EXPECT_EQ(accessible->childAt(second.x(), second.y()), accessible->child(1));

    QTest::mousePress(stage, Qt::LeftButton, {}, stage->handleCentre(1).toPoint());
    QTest::mouseRelease(stage, Qt::LeftButton, {}, stage->handleCentre(1).toPoint());
    EXPECT_TRUE(accessible->child(1)->state().selected);
    EXPECT_FALSE(accessible->child(0)->state().selected);
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(accessible->child(2)->text(QAccessible::Name), QStringLiteral("Point for colour 3"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));

    QAccessibleInterface *third = accessible->child(2);
    view->state().setKind(Backdrop::Kind::solid);
    EXPECT_EQ(accessible->childCount(), 0);
    EXPECT_FALSE(third->isValid());
}

TEST_F(BackdropEditorViewTest, TheBrandPagesSheetCompletesOnceWithTheSavedBackdrop) {
    QWidget page;
    page.show();
    QList<std::optional<Backdrop>> results;
    BackdropSheet::Request request{
        backdropOf(Backdrop::Kind::solid, {1}), {}, {0xAA, 0xBB, 0xCC}, QStringLiteral("Salvar fundo")};
    BackdropEditorView::present(&page, request, [&](std::optional<Backdrop> b) { results.append(b); });
    auto *sheet = page.findChild<BackdropEditorView *>();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->window()->isModal());
    for (auto *b : sheet->findChildren<QAbstractButton *>()) EXPECT_NE(b->text(), L("Excluir fundo"));
    sheet->state().setName(QStringLiteral(" "));
    sheet->save();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0]->name, L("Meu fundo"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(page.findChild<BackdropEditorView *>());
    EXPECT_EQ(results.size(), 1);

    BackdropEditorView::present(&page, request, [&](std::optional<Backdrop> b) { results.append(b); });
    page.findChild<QDialog *>()->reject(); // closed by the window manager
    ASSERT_EQ(results.size(), 2);
    EXPECT_FALSE(results[1]);
}

TEST_F(BackdropEditorViewTest, TheEditorsSheetKeepsItsEditsWhenTheStoreFillsUp) {
    testsupport::RecordingNotifier notices;
    StyleStore &store = StyleStore::shared();
    store.resetBackdrops();
    QList<Backdrop> full = store.backdrops();
    for (int i = int(full.size()); i < StyleStore::maxBackdrops; ++i) {
        Backdrop b = backdropOf(Backdrop::Kind::solid, {quint32(i)});
        b.id = QStringLiteral("X%1").arg(i);
        full.append(b);
    }
    store.setBackdrops(full.mid(0, StyleStore::maxBackdrops - 1));
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::darkCyan);
    EditorModel model(image, QString(), std::nullopt, StyleStore::shared());
    QWidget page;
    page.show();
    BackdropSheet::setContent(&BackdropEditorView::content);
    BackdropDraftSheet binding(&model, &page);
    const auto shown = [&]() -> BackdropEditorView * {
        QDialog *sheet = testsupport::shownChild<QDialog>(page, "backdropSheet");
        return sheet ? sheet->findChild<BackdropEditorView *>() : nullptr;
    };
    const auto deletable = [&] {
        for (auto *b : shown()->findChildren<QAbstractButton *>())
            if (b->text() == L("Excluir fundo")) return true;
        return false;
    };

    model.newBackdrop();
    ASSERT_TRUE(shown());
    EXPECT_EQ(testsupport::shownChild<QDialog>(page, "backdropSheet")->windowTitle(), L("Novo fundo"));
    EXPECT_FALSE(deletable()); // not stored yet
    store.setBackdrops(full);  // the store fills up meanwhile
    shown()->state().setColorAt(0, 0xFF0000);
    shown()->save();
    ASSERT_TRUE(shown());
    EXPECT_TRUE(model.page().backdropDraft());
    EXPECT_EQ(shown()->state().colorAt(0), 0xFF0000u);
    EXPECT_EQ(store.backdrops().size(), StyleStore::maxBackdrops);
    ASSERT_FALSE(notices.told.isEmpty());
    EXPECT_EQ(notices.told.last().title, L(LKey(QStringLiteral("Limite de %@ fundos"), {QStringLiteral("20")})));

    shown()->cancel();
    EXPECT_FALSE(model.page().backdropDraft());
    model.editBackdrop(store.backdrops().first());
    ASSERT_TRUE(shown());
    EXPECT_EQ(testsupport::shownChild<QDialog>(page, "backdropSheet")->windowTitle(), L("Editar fundo"));
    EXPECT_TRUE(deletable());
    BackdropSheet::setContent({});
    store.resetBackdrops();
}
