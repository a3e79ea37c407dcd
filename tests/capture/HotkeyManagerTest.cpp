#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "core/ShortcutStore.h"
#include "platform/GlobalHotkeys.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct HotkeyManagerTest : testing::Test {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

constexpr std::uint32_t kOptionShift = platform::ModifierFlag::option | platform::ModifierFlag::shift;

} // namespace

TEST_F(HotkeyManagerTest, RegistersOnTheFirstTurnAndReportsRefusals) {
    // Two actions stored with the same combination: the second one fails.
    defaults.setData("shortcut.toggleTutorial", R"({"keyCode":3,"modifiers":655360,"key":"F"})");
    // A stored shift-only combination is registered as it stands (validation is for recording).
    defaults.setData("shortcut.repeatLastArea", R"({"keyCode":15,"modifiers":131072,"key":"R"})");
    ShortcutStore store(defaults);
    auto fake = std::make_unique<FakeHotkeys>();
    FakeHotkeys *hotkeys = fake.get();
    hotkeys->heldElsewhere << FakeHotkeys::Combo{13, kOptionShift}; // Alt+Shift+W
    HotkeyManager manager(store, std::move(fake));
    QList<ShortcutAction> pressed;
    manager.setHandler([&](ShortcutAction action) { pressed << action; });

    manager.start();
    manager.start();
    EXPECT_TRUE(hotkeys->registered.isEmpty()); // not inside start
    QCoreApplication::processEvents();
    EXPECT_EQ(manager.failed(), (QList<ShortcutAction>{ShortcutAction::captureWindow, ShortcutAction::toggleTutorial}));
    EXPECT_EQ(hotkeys->registered.keys(), (QList<int>{1, 3, 4}));
    EXPECT_EQ(hotkeys->registered.value(4).modifiers, platform::ModifierFlag::shift);

    // A press runs the handler once, after the press has returned.
    hotkeys->press(3, kOptionShift);
    EXPECT_TRUE(pressed.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(pressed, QList<ShortcutAction>{ShortcutAction::captureFullScreen});
    emit hotkeys->pressed(9); // unknown identifiers are ignored
    QCoreApplication::processEvents();
    EXPECT_EQ(pressed.size(), 1);

    // One store change re-registers everything: freeing Alt+Shift+F for the tutorial clears both failures' cause.
    const int before = hotkeys->registrations;
    store.setShortcut(ShortcutAction::toggleTutorial, Shortcut::defaultFor(ShortcutAction::toggleTutorial));
    EXPECT_EQ(hotkeys->registrations - before, 4);
    EXPECT_EQ(manager.failed(), QList<ShortcutAction>{ShortcutAction::captureWindow});
    // A second start added no second subscription.
    EXPECT_EQ(hotkeys->registrations - before, 4);
}

TEST_F(HotkeyManagerTest, SuspendedRegistersNothingAndComesBackWithTheNewCombination) {
    ShortcutStore store(defaults);
    auto fake = std::make_unique<FakeHotkeys>();
    FakeHotkeys *hotkeys = fake.get();
    HotkeyManager manager(store, std::move(fake));
    QList<ShortcutAction> pressed;
    manager.setHandler([&](ShortcutAction action) { pressed << action; });
    manager.start();
    QCoreApplication::processEvents();
    ASSERT_EQ(hotkeys->registered.size(), 5);

    // A press already queued when suspension begins is dropped too.
    hotkeys->press(0, kOptionShift);
    manager.setSuspended(true);
    EXPECT_TRUE(hotkeys->registered.isEmpty());
    EXPECT_TRUE(manager.failed().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(pressed.isEmpty());

    store.setShortcut(ShortcutAction::captureArea, Shortcut{35, kOptionShift, QStringLiteral("P")});
    EXPECT_TRUE(hotkeys->registered.isEmpty());
    manager.setSuspended(false);
    EXPECT_EQ(hotkeys->registered.value(1).keyCode, 35);
    hotkeys->press(0, kOptionShift);
    hotkeys->press(35, kOptionShift);
    QCoreApplication::processEvents();
    EXPECT_EQ(pressed, QList<ShortcutAction>{ShortcutAction::captureArea});

    // The system dropping a registration later lands the action in the failed list.
    emit hotkeys->lost(2);
    EXPECT_EQ(manager.failed(), QList<ShortcutAction>{ShortcutAction::captureWindow});
}

TEST_F(HotkeyManagerTest, WithoutSystemHotkeysEveryActionFails) {
    ShortcutStore store(defaults);
    HotkeyManager manager(store, nullptr);
    manager.registerAll();
    EXPECT_EQ(manager.failed(), ShortcutActions::all());
}
