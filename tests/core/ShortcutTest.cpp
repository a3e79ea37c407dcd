#include "core/Shortcut.h"
#include "core/TestValues.h"
#include "platform/KeyEvent.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>

#include <gtest/gtest.h>

using namespace platform::ModifierFlag;

TEST(ShortcutTest, SymbolsJsonAndDefaults) {
    // Shown as this keyboard names the keys; the stored flags keep their meaning.
    EXPECT_EQ(sc(40, command | option | control | shift, "K").symbols(),
              (QStringList{"Ctrl", "Alt", "Shift", "Super", "K"}));
    EXPECT_EQ(sc(49, command, "Espaço").displayString(), QStringLiteral("Ctrl+Espaço"));
    EXPECT_EQ(sc(48, option, "⇥").displayString(), QStringLiteral("Alt+Tab"));
    EXPECT_EQ(sc(51, command, "⌫").displayString(), QStringLiteral("Ctrl+Backspace"));
    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureFullScreen).symbols(), (QStringList{"Alt", "Shift", "F"}));
    QStringList defaults;
    for (ShortcutAction action : ShortcutActions::all()) defaults << Shortcut::defaultFor(action).displayString();
    EXPECT_EQ(defaults, (QStringList{"Alt+Shift+A", "Alt+Shift+W", "Alt+Shift+F", "Alt+Shift+R", "Alt+Shift+T"}));
    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureArea).modifiers, 0xA0000u);

    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureFullScreen).toJsonBytes(),
              QByteArray(R"({"keyCode":3,"modifiers":655360,"key":"F"})"));
    const auto parsed =
        Shortcut::fromJson(QJsonDocument::fromJson(R"({"keyCode":3,"modifiers":655360,"key":"F"})").object());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, Shortcut::defaultFor(ShortcutAction::captureFullScreen));

    // Missing fields, wrong types, fractions, negatives and out-of-range numbers are unreadable.
    for (const char *bad :
         {R"({"keyCode":0,"modifiers":1572864})", R"({"keyCode":"0","modifiers":1,"key":"A"})",
          R"({"keyCode":0.5,"modifiers":1,"key":"A"})", R"({"keyCode":-1,"modifiers":1,"key":"A"})",
          R"({"keyCode":70000,"modifiers":1,"key":"A"})", R"({"keyCode":1,"modifiers":1e300,"key":"A"})",
          R"({"keyCode":1,"modifiers":1,"key":null})", R"([1,2,3])"})
        EXPECT_FALSE(Shortcut::fromJson(QJsonDocument::fromJson(bad).isArray()
                                            ? QJsonValue(QJsonDocument::fromJson(bad).array())
                                            : QJsonValue(QJsonDocument::fromJson(bad).object())))
            << bad;
}

// Every set of modifiers reads Ctrl, Alt, Shift, Super in that order, as caps and as running text.
TEST(ShortcutTest, ModifiersReadInTheDesktopsOrder) {
    const QStringList order{"Ctrl", "Alt", "Shift", "Super"};
    const std::uint32_t flags[] = {command, option, shift, control};
    for (unsigned set = 0; set < 16; ++set) {
        std::uint32_t modifiers = 0;
        QStringList expected;
        for (int i = 0; i < 4; ++i) {
            if (!(set & (1u << i))) continue;
            modifiers |= flags[i];
            expected << order[i];
        }
        const Shortcut shortcut = sc(8, modifiers, "C");
        EXPECT_EQ(shortcut.symbols(), expected + QStringList{"C"}) << set;
        EXPECT_EQ(shortcut.displayString(), (expected + QStringList{"C"}).join(QLatin1Char('+'))) << set;
    }
    EXPECT_EQ(sc(8, shift | command, "C").displayString(), QStringLiteral("Ctrl+Shift+C"));
}

TEST(ShortcutTest, KeyNames) {
    const auto name = [](int qtKey, Qt::KeyboardModifiers mods, const QString &text = {}) {
        QKeyEvent qt(QEvent::KeyPress, qtKey, mods, text);
        return Shortcut::keyName(*platform::KeyEvent::fromQt(qt));
    };
    EXPECT_EQ(name(Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier, QStringLiteral("P")), QStringLiteral("P"));
    EXPECT_EQ(name(Qt::Key_Q, Qt::ControlModifier, QString(QChar(0x11))), QStringLiteral("Q"));
    EXPECT_EQ(name(Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" ")), QStringLiteral("Espaço"));
    EXPECT_EQ(name(Qt::Key_Return, Qt::AltModifier, QStringLiteral("\r")), QStringLiteral("↵"));
    EXPECT_EQ(name(Qt::Key_F5, Qt::NoModifier), QStringLiteral("F5"));
    EXPECT_EQ(name(Qt::Key_Print, Qt::NoModifier), QStringLiteral("F13")); // a PC's print key, as on a Mac
    EXPECT_EQ(name(Qt::Key_Up, Qt::MetaModifier), QStringLiteral("↑"));
    EXPECT_EQ(name(Qt::Key_Home, Qt::AltModifier), std::nullopt); // no character: no label
}
