#include "editor/EditorFixture.h"

#include "editor/EditorKeyHandler.h"
#include "platform/KeyEvent.h"
#include "support/PlatformFakes.h"
#include "support/Waiting.h"

#include <QKeyEvent>
#include <QLineEdit>

using editortest::EditorTest;

namespace {

namespace Flag = platform::ModifierFlag;
namespace Key = platform::KeyCode;
using platform::KeyEvent;

KeyEvent press(int keyCode, const QString &typed = {}, std::uint32_t modifiers = 0, bool repeat = false) {
    KeyEvent e;
    e.keyCode = keyCode;
    e.modifierFlags = modifiers;
    e.characters = e.charactersIgnoringModifiers = typed;
    e.isRepeat = repeat;
    return e;
}

KeyEvent release(int keyCode) {
    KeyEvent e = press(keyCode);
    e.type = KeyEvent::Type::keyUp;
    return e;
}

// What the main window's monitor hands on for a Qt key event (none: it never reaches the table).
std::optional<KeyEvent> fromQt(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {},
                               const QString &text = {}, bool autoRepeat = false) {
    return KeyEvent::fromQt(QKeyEvent(type, key, modifiers, text, autoRepeat));
}

class KeyTableTest : public EditorTest {
protected:
    bool handle(const KeyEvent &e) { return EditorKeyHandler::handle(e, *model); }
    bool handle(const std::optional<KeyEvent> &e) { return e && handle(*e); }

    void SetUp() override {
        EditorTest::SetUp();
        model = makeModel();
        model->onClose = [this] { ++closed; };
    }

    // An arrow from (10, 10) to (110, 10), selected.
    QUuid drawArrow() {
        model->document().setTool(EditorTool::arrow);
        const QUuid id = *model->document().startAnnotation({10, 10});
        model->document().updateAnnotation(id, {110, 10});
        model->document().finishAnnotation(id);
        return id;
    }

    testsupport::PlatformFakes fakes;
    std::unique_ptr<EditorModel> model;
    int closed = 0;
};

} // namespace

TEST_F(KeyTableTest, ToolLettersFollowTheTypedCharacterWithoutCtrlSuperOrAlt) {
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"))));
    EXPECT_EQ(model->document().tool(), EditorTool::arrow);
    EXPECT_TRUE(handle(press(Key::r, QStringLiteral("r"))));
    EXPECT_EQ(model->document().tool(), EditorTool::rectangle);
    EXPECT_FALSE(handle(press(Key::a, QStringLiteral("a"), Flag::control))); // Super+A
    EXPECT_FALSE(handle(press(Key::a, QStringLiteral("a"), Flag::option)));  // Alt+A
    EXPECT_EQ(model->document().tool(), EditorTool::rectangle);
    // On another layout the letter follows what the key types, not where it is.
    EXPECT_TRUE(handle(press(Key::q, QStringLiteral("a"))));
    EXPECT_EQ(model->document().tool(), EditorTool::arrow);

    // Digits apply presets; one past the stored presets is still the editor's.
    for (int i = 0; i < 3; ++i) StyleStore::shared().addPreset(QStringLiteral("P%1").arg(i), BeautyStyle{});
    const BeautyStyle before = model->document().style();
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_5, {}, QStringLiteral("5"))));
    EXPECT_EQ(model->document().style(), before);

    EXPECT_TRUE(handle(press(Key::rightBracket, QStringLiteral("]"))));
    EXPECT_EQ(model->document().style().padding, before.padding + 8);
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Question, Qt::ShiftModifier, QStringLiteral("?"))));
    EXPECT_TRUE(model->page().isShortcutsOpen());
    // With the sheet open any key only closes it.
    EXPECT_TRUE(handle(press(Key::p, QStringLiteral("p"))));
    EXPECT_FALSE(model->page().isShortcutsOpen());
    EXPECT_EQ(model->document().tool(), EditorTool::arrow);
    EXPECT_TRUE(handle(press(Key::e, QStringLiteral("e"))));
    EXPECT_TRUE(model->page().backdropDraft());
    // The backdrop editor gets every key, presses and releases.
    EXPECT_FALSE(handle(press(Key::escape)));
    EXPECT_FALSE(handle(press(Key::z, QStringLiteral("z"), Flag::command)));
    EXPECT_FALSE(handle(release(Key::space)));
}

TEST_F(KeyTableTest, EscapeEndsTypingThenLeavesTheToolThenClosesTheWindow) {
    model->document().setTool(EditorTool::text);
    const QUuid id = *model->document().startAnnotation({20, 20});
    model->document().setText(id, QStringLiteral("oi"));
    EXPECT_FALSE(handle(press(Key::b, QStringLiteral("b")))); // typed into the text
    EXPECT_TRUE(handle(press(Key::escape)));
    EXPECT_FALSE(model->document().editingTextID());
    EXPECT_EQ(model->document().tool(), EditorTool::text);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(handle(press(Key::escape)));
    EXPECT_EQ(model->document().tool(), EditorTool::preview);
    EXPECT_FALSE(model->document().selectedID());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Escape)));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(model->document().annotations().size(), 1);
}

TEST_F(KeyTableTest, ReturnKeepsTheCropInTheCropToolAndCopiesElsewhere) {
    model->document().setTool(EditorTool::crop);
    model->document().beginInteraction();
    model->document().setCrop(QRectF(10, 10, 100, 100));
    model->document().finishCrop();
    EXPECT_TRUE(handle(press(Key::returnKey)));
    EXPECT_EQ(model->document().tool(), EditorTool::preview);
    EXPECT_EQ(model->document().crop(), QRectF(10, 10, 100, 100));
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(fakes.pasteboard.writes, 0);

    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier)));
    EXPECT_FALSE(fakes.pasteboard.png().isNull());
    EXPECT_EQ(closed, 1);
}

TEST_F(KeyTableTest, SpaceShowsTheCaptureWhileHeldInThePreviewOnly) {
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Space, {}, QStringLiteral(" "))));
    EXPECT_TRUE(model->page().showOriginal());
    // X11 repeats a held key as release and press pairs: the releases never reach the table, the
    // presses are swallowed, and the capture stays shown until the real release.
    EXPECT_FALSE(fromQt(QEvent::KeyRelease, Qt::Key_Space, {}, QStringLiteral(" "), true));
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Space, {}, QStringLiteral(" "), true)));
    EXPECT_TRUE(model->page().showOriginal());
    EXPECT_TRUE(handle(fromQt(QEvent::KeyRelease, Qt::Key_Space, {}, QStringLiteral(" "))));
    EXPECT_FALSE(model->page().showOriginal());
    EXPECT_FALSE(handle(release(Key::space))); // nothing left to undo

    model->document().setTool(EditorTool::arrow);
    EXPECT_FALSE(handle(press(Key::space, QStringLiteral(" "))));
    EXPECT_FALSE(model->page().showOriginal());
}

TEST_F(KeyTableTest, ASelectionTakesArrowsAndDelete) {
    EXPECT_FALSE(handle(press(Key::rightArrow)));
    EXPECT_FALSE(handle(press(Key::deleteKey)));
    const QUuid id = drawArrow();
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier)));
    EXPECT_EQ(model->document().annotations().first().start, QPointF(20, 10));
    EXPECT_TRUE(handle(press(Key::upArrow)));
    EXPECT_EQ(model->document().annotations().first().start, QPointF(20, 9));
    EXPECT_FALSE(handle(press(Key::leftArrow, {}, Flag::option)));
    EXPECT_EQ(model->document().annotations().first().start, QPointF(20, 9));
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Delete)));
    EXPECT_TRUE(model->document().annotations().isEmpty());
    model->document().undo();
    EXPECT_EQ(model->document().annotations().first().id, id);
}

TEST_F(KeyTableTest, CtrlKeysGoByPosition) {
    drawArrow();
    EXPECT_TRUE(handle(fromQt(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier)));
    EXPECT_TRUE(model->document().annotations().isEmpty());
    EXPECT_TRUE(handle(press(Key::z, QStringLiteral("z"), Flag::command | Flag::shift)));
    EXPECT_EQ(model->document().annotations().size(), 1);
    // Ctrl+Shift+Z is redo only with exactly those two: with Alt too it is nobody's.
    EXPECT_FALSE(handle(press(Key::z, QStringLiteral("z"), Flag::command | Flag::shift | Flag::option)));

    EXPECT_TRUE(handle(press(Key::c, QStringLiteral("c"), Flag::command | Flag::shift)));
    EXPECT_TRUE(model->page().isReadingText());
    EXPECT_TRUE(handle(press(Key::s, QStringLiteral("s"), Flag::command)));
    EXPECT_EQ(fakes.savePanel.asked.size(), 1);
    EXPECT_FALSE(handle(press(Key::q, QStringLiteral("q"), Flag::command)));
    EXPECT_TRUE(handle(press(Key::w, QStringLiteral("w"), Flag::command)));
    EXPECT_EQ(closed, 1);
    model->onClose = nullptr;
    EXPECT_TRUE(handle(press(Key::w, QStringLiteral("w"), Flag::command))); // consumed even so
}

TEST_F(KeyTableTest, TheOpenCommandBarKeepsTypingAndTakesItsKeys) {
    EXPECT_TRUE(handle(press(Key::k, QStringLiteral("k"), Flag::command)));
    ASSERT_TRUE(model->page().isCommandBarOpen());
    EXPECT_FALSE(handle(press(Key::a, QStringLiteral("a")))); // into the search field
    EXPECT_FALSE(handle(press(Key::deleteKey)));
    EXPECT_EQ(model->document().tool(), EditorTool::preview);
    model->page().setCommandQuery(QStringLiteral("sombra"));
    EXPECT_TRUE(handle(press(Key::upArrow)));
    EXPECT_EQ(model->page().commandSelection(), 0); // one row: wraps onto itself
    const bool shadow = model->document().style().shadow;
    EXPECT_TRUE(handle(press(Key::returnKey, {}, Flag::shift)));
    EXPECT_FALSE(model->page().isCommandBarOpen());
    EXPECT_NE(model->document().style().shadow, shadow);

    model->page().setCommandBarOpen(true);
    EXPECT_TRUE(handle(press(Key::downArrow)));
    EXPECT_EQ(model->page().commandSelection(), 1);
    EXPECT_TRUE(handle(press(Key::k, QStringLiteral("k"), Flag::command)));
    EXPECT_FALSE(model->page().isCommandBarOpen());
    model->page().setCommandBarOpen(true);
    EXPECT_TRUE(handle(press(Key::escape)));
    EXPECT_FALSE(model->page().isCommandBarOpen());
    EXPECT_EQ(closed, 0);
}

TEST_F(KeyTableTest, AFocusedTextFieldKeepsItsKeys) {
    drawArrow();
    QLineEdit field;
    field.show();
    field.activateWindow();
    field.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field, testsupport::patienceMs));
    ASSERT_EQ(QApplication::focusWidget(), &field);
    EXPECT_FALSE(handle(press(Key::z, QStringLiteral("z"), Flag::command)));
    EXPECT_FALSE(handle(press(Key::deleteKey)));
    EXPECT_FALSE(handle(press(Key::b, QStringLiteral("b"))));
    EXPECT_EQ(model->document().annotations().size(), 1);
    EXPECT_EQ(model->document().tool(), EditorTool::arrow);
}
