#include "editor/BackdropEditorState.h"

#include "core/Localization.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

Backdrop backdropOf(Backdrop::Kind kind, QList<quint32> colors, QString name = QStringLiteral("Fundo")) {
    Backdrop b;
    b.id = QStringLiteral("B1");
    b.name = std::move(name);
    b.kind = kind;
    b.colors = std::move(colors);
    b.syncPoints();
    return b;
}

} // namespace

TEST(BackdropEditorStateTest, SummaryNamesTheKindAndCountsTheColors) {
    BackdropEditorState linear(backdropOf(Backdrop::Kind::linear, {1, 2, 3}));
    EXPECT_EQ(linear.summary(), L(LKey(QStringLiteral("%@ · %@ cores"), {L("Linear"), QStringLiteral("3")})));
    BackdropEditorState solid(backdropOf(Backdrop::Kind::solid, {1}));
    EXPECT_EQ(solid.summary(), L(LKey(QStringLiteral("%@ · 1 cor"), {L("Sólido")})));
    BackdropEditorState none(Backdrop::transparent());
    EXPECT_EQ(none.summary(), L(LKey(QStringLiteral("%@ · %@ cores"), {L("Sem fundo"), QStringLiteral("0")})));
    // A hand-edited angle far out of range still reads as a bounded whole number.
    Backdrop huge = backdropOf(Backdrop::Kind::linear, {1, 2});
    huge.angle = 1e300;
    EXPECT_EQ(BackdropEditorState(huge).angleText(), QStringLiteral("9223372036854775807°"));
}

TEST(BackdropEditorStateTest, SavingTrimsTheNameAndKeepsTheWorkingCopyAsTyped) {
    BackdropEditorState state(backdropOf(Backdrop::Kind::solid, {1}));
    state.setName(QStringLiteral("  Praia \n"));
    EXPECT_EQ(state.savedBackdrop().name, QStringLiteral("Praia"));
    state.setName(QStringLiteral(" \n\t "));
    EXPECT_EQ(state.savedBackdrop().name, L("Meu fundo"));
    EXPECT_EQ(state.backdrop().name, QStringLiteral(" \n\t "));
}

TEST(BackdropEditorStateTest, KindChangesKeepTheSelectionOnAColor) {
    BackdropEditorState state(backdropOf(Backdrop::Kind::mesh, {1, 2, 3, 4, 5}));
    state.selectColor(4);
    state.setKind(Backdrop::Kind::linear);
    EXPECT_EQ(state.backdrop().colors.size(), 4);
    EXPECT_EQ(state.selectedColor(), 3);
    state.setKind(Backdrop::Kind::mesh); // growing keeps the selection
    EXPECT_EQ(state.selectedColor(), 3);
    state.setKind(Backdrop::Kind::solid);
    EXPECT_EQ(state.selectedColor(), 0);
    EXPECT_FALSE(state.canAddColor());
    EXPECT_FALSE(state.canRemoveColor());
    state.setKind(Backdrop::Kind::transparent);
    EXPECT_FALSE(state.hasSelection());
    EXPECT_FALSE(state.canAddColor());
}

TEST(BackdropEditorStateTest, AddingSelectsTheNewColorAndRemovingStaysInRange) {
    BackdropEditorState state(backdropOf(Backdrop::Kind::mesh, {1, 2, 3}));
    state.addColor();
    EXPECT_EQ(state.selectedColor(), 3);
    state.addColor();
    EXPECT_EQ(state.backdrop().points.size(), 5);
    EXPECT_FALSE(state.canAddColor());
    state.removeSelectedColor(); // the last of five
    EXPECT_EQ(state.selectedColor(), 3);
    state.selectColor(1);
    state.removeSelectedColor();
    EXPECT_EQ(state.selectedColor(), 1);
    EXPECT_EQ(state.backdrop().colors.size(), 3);
    state.removeSelectedColor(); // at the minimum: nothing
    EXPECT_EQ(state.backdrop().colors.size(), 3);
}

TEST(BackdropEditorStateTest, PalettesFillTheKindsLimitsAndSelectTheFirstColor) {
    const QList<quint32> first = BackdropEditorState::palettes().first();
    BackdropEditorState linear(backdropOf(Backdrop::Kind::linear, {1, 2, 3, 4}));
    linear.selectColor(3);
    linear.apply(first);
    EXPECT_EQ(linear.backdrop().colors, (QList<quint32>{0x5B4BD6, 0xF29BC4, 0x7FD6E8}));
    EXPECT_EQ(linear.selectedColor(), 0);
    BackdropEditorState solid(backdropOf(Backdrop::Kind::solid, {1}));
    solid.apply(first);
    EXPECT_EQ(solid.backdrop().colors, QList<quint32>{0x5B4BD6});
    BackdropEditorState mesh(backdropOf(Backdrop::Kind::mesh, {1, 2, 3, 4, 5}));
    mesh.apply({0xAA, 0xBB});
    EXPECT_EQ(mesh.backdrop().colors, (QList<quint32>{0xAA, 0xBB, 0xAA}));
    EXPECT_EQ(mesh.backdrop().points.size(), 3);
    // An empty palette (a brand without colours) leaves the colours alone.
    mesh.selectColor(2);
    mesh.apply({});
    EXPECT_EQ(mesh.backdrop().colors, (QList<quint32>{0xAA, 0xBB, 0xAA}));
    EXPECT_EQ(mesh.selectedColor(), 0);
}

TEST(BackdropEditorStateTest, MeshPointsFollowTheDragInsideTheStage) {
    BackdropEditorState state(backdropOf(Backdrop::Kind::mesh, {1, 2, 3}));
    QSignalSpy selected(&state, &BackdropEditorState::selectedColorChanged);
    state.moveMeshPoint(2, {-40, 500}, {400, 200});
    EXPECT_EQ(state.backdrop().points[2], (MeshPoint{0, 1}));
    EXPECT_EQ(state.selectedColor(), 2);
    state.moveMeshPoint(2, {100, 50}, {400, 200});
    EXPECT_EQ(state.backdrop().points[2], (MeshPoint{0.25, 0.25}));
    EXPECT_EQ(selected.size(), 1);
    const Backdrop before = state.backdrop();
    state.moveMeshPoint(3, {1, 1}, {400, 200}); // no such point
    EXPECT_EQ(state.backdrop(), before);
}

TEST(BackdropEditorStateTest, ColorWritesOutsideTheColorsAreIgnored) {
    BackdropEditorState state(backdropOf(Backdrop::Kind::linear, {1, 2}));
    state.setColorAt(1, 0xFF123456);
    EXPECT_EQ(state.colorAt(1), 0x123456u);
    state.setColorAt(2, 0x00FF00);
    EXPECT_EQ(state.colorAt(2), 0u);
    EXPECT_EQ(state.backdrop().colors.size(), 2);
}
