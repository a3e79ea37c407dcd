#include "platform/KeyEvent.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QKeyEvent qtKey(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString &text = {}, quint32 scan = 0,
                bool autoRepeat = false) {
    return QKeyEvent(type, key, mods, scan, 0, 0, text, autoRepeat);
}

} // namespace

TEST(KeyEventTest, ScanCodesMapByPhysicalPosition) {
    struct Row {
        int evdev;
        int code;
    };
    const Row rows[] = {{28, 36}, {96, 76}, {57, 49}, {1, 53}, {105, 123}, {106, 124}, {108, 125}, {103, 126},
                        {30, 0},  {17, 13}, {33, 3},  {2, 18}, {11, 29},   {14, 51},   {111, 117}, {15, 48}};
    for (const Row &row : rows) {
        EXPECT_EQ(keyCodeFromEvdev(row.evdev), row.code) << "evdev " << row.evdev;
        EXPECT_EQ(evdevFromKeyCode(row.code), row.evdev) << "code " << row.code;
    }
    EXPECT_EQ(keyCodeFromEvdev(0), -1);
    EXPECT_EQ(keyCodeFromEvdev(100000), -1);

    // An X11 event with a scan code ignores the layout: on a layout where that position types "q",
    // the key is still the one in the A position.
    const auto fromX =
        KeyEvent::fromQt(qtKey(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"), 30 + 8));
    ASSERT_TRUE(fromX);
    EXPECT_EQ(fromX->keyCode, KeyCode::a);

    // Keys of Brazilian and Japanese keyboards that type a symbol found elsewhere on a US one are their
    // own keys, grabbed where they are pressed; a real key not known at all is not taken for the US key
    // of its symbol.
    for (const auto &[evdev, qt] : {std::pair{89, Qt::Key_Slash}, {124, Qt::Key_Backslash}, {121, Qt::Key_Period}}) {
        const auto pressed = KeyEvent::fromQt(qtKey(QEvent::KeyPress, qt, Qt::ControlModifier, {}, evdev + 8));
        ASSERT_TRUE(pressed);
        EXPECT_GE(pressed->keyCode, 0) << "evdev " << evdev;
        EXPECT_EQ(evdevFromKeyCode(pressed->keyCode), evdev);
    }
    const auto unknown =
        KeyEvent::fromQt(qtKey(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/"), 200 + 8));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->keyCode, -1);
}

TEST(KeyEventTest, QtKeysFallBackWithoutScanCode) {
    struct Row {
        int qt;
        bool keypad;
        int code;
    };
    const Row rows[] = {{Qt::Key_Return, false, 36}, {Qt::Key_Enter, true, 76},      {Qt::Key_Space, false, 49},
                        {Qt::Key_Escape, false, 53}, {Qt::Key_Left, false, 123},     {Qt::Key_Right, false, 124},
                        {Qt::Key_Down, false, 125},  {Qt::Key_Up, false, 126},       {Qt::Key_A, false, 0},
                        {Qt::Key_W, false, 13},      {Qt::Key_1, false, 18},         {Qt::Key_9, false, 25},
                        {Qt::Key_1, true, 83},       {Qt::Key_Backspace, false, 51}, {Qt::Key_F1, false, 122}};
    for (const Row &row : rows) EXPECT_EQ(keyCodeFromQtKey(row.qt, row.keypad), row.code) << row.qt;
    EXPECT_EQ(keyCodeFromQtKey(Qt::Key_unknown, false), -1);
}

TEST(KeyEventTest, ModifiersReadAsTheirMacPositions) {
    const auto e = KeyEvent::fromQt(
        qtKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, QString(QChar(3))));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->modifierFlags, ModifierFlag::command | ModifierFlag::shift);
    EXPECT_EQ(e->keyCode, KeyCode::c);
    EXPECT_EQ(e->charactersIgnoringModifiers, QStringLiteral("c"));
    EXPECT_EQ(e->characters, QStringLiteral("c")); // never a control character
    EXPECT_EQ(modifierFlagsFromQt(Qt::AltModifier), ModifierFlag::option);
    EXPECT_EQ(modifierFlagsFromQt(Qt::MetaModifier), ModifierFlag::control);
    EXPECT_EQ(modifierFlagsFromQt(Qt::KeypadModifier), 0u);
}

TEST(KeyEventTest, AutoRepeatReleasesAreDropped) {
    EXPECT_FALSE(KeyEvent::fromQt(qtKey(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, {}, 0, true)));
    const auto press = KeyEvent::fromQt(qtKey(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, {}, 0, true));
    ASSERT_TRUE(press);
    EXPECT_TRUE(press->isRepeat);
    const auto release = KeyEvent::fromQt(qtKey(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier));
    ASSERT_TRUE(release);
    EXPECT_EQ(release->type, KeyEvent::Type::keyUp);
}
