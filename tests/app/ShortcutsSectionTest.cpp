#include "app/ShortcutsSection.h"
#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(ShortcutsSectionTest, ResetButtonsAndRefusalLines) {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults(folder.file(QStringLiteral("defaults.json")));
    // A label of its own on the default key and modifiers counts as changed.
    defaults.setData("shortcut.repeatLastArea", R"({"keyCode":15,"modifiers":655360,"key":"X"})");
    ShortcutStore store(defaults);
    auto fake = std::make_unique<FakeHotkeys>();
    fake->heldElsewhere << FakeHotkeys::Combo{17, platform::ModifierFlag::option | platform::ModifierFlag::shift};
    HotkeyManager manager(store, std::move(fake));
    manager.start();
    QCoreApplication::processEvents();

    ShortcutsSection section(store, manager);
    section.resize(640, 900);
    section.show();
    const auto resetShown = [&](ShortcutAction action) { return section.resetButton(action)->isEnabled(); };
    EXPECT_FALSE(resetShown(ShortcutAction::captureArea));
    EXPECT_TRUE(resetShown(ShortcutAction::repeatLastArea));
    EXPECT_EQ(section.resetButton(ShortcutAction::captureWindow)->toolTip(), QStringLiteral("Voltar ao padrão (Alt+Shift+W)"));
    EXPECT_EQ(section.failureText(ShortcutAction::toggleTutorial),
              QStringLiteral("⚠︎ O sistema recusou — outro app pode estar usando. Grave outro."));
    EXPECT_EQ(section.failureText(ShortcutAction::captureArea), QString());
    // No keyboard settings program here (the test's PATH has none): no link to one.
    const auto *link = section.findChild<QWidget *>(QStringLiteral("keyboardSettingsLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isVisible());

    // Recording Alt+Shift+Q for the window action shows only that row's reset button.
    QTest::mouseClick(section.recorder(ShortcutAction::captureWindow)->field(), Qt::LeftButton);
    QTest::keyClick(&section, Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_TRUE(resetShown(ShortcutAction::captureWindow));
    EXPECT_TRUE(defaults.contains("shortcut.captureWindow"));

    // Reset: the default again, the stored value removed, the button hidden.
    QTest::mouseClick(section.resetButton(ShortcutAction::captureWindow), Qt::LeftButton);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), Shortcut::defaultFor(ShortcutAction::captureWindow));
    EXPECT_FALSE(defaults.contains("shortcut.captureWindow"));
    EXPECT_FALSE(resetShown(ShortcutAction::captureWindow));

    // Freeing Alt+Shift+T elsewhere and re-registering clears the refusal line.
    store.setShortcut(ShortcutAction::toggleTutorial, Shortcut{17, platform::ModifierFlag::option | platform::ModifierFlag::command, "T"});
    EXPECT_EQ(section.failureText(ShortcutAction::toggleTutorial), QString());
}
