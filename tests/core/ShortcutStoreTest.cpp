#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "core/TestValues.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace platform::ModifierFlag;

namespace {

struct ShortcutStoreTest : testing::Test {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

} // namespace

TEST_F(ShortcutStoreTest, LoadsStoredValuesAndFallsBackPerAction) {
    defaults.setJson(Settings::shortcut(ShortcutAction::captureWindow).key(),
                     QJsonObject{{"keyCode", 35}, {"modifiers", 0x180000}, {"key", "P"}});
    defaults.setJson(Settings::shortcut(ShortcutAction::captureArea).key(),
                     QJsonObject{{"keyCode", 0}, {"modifiers", 1572864}});
    // Stored as data (a JSON document's bytes) reads the same.
    defaults.setData(Settings::shortcut(ShortcutAction::captureFullScreen).key(),
                     R"({"keyCode":3,"modifiers":655360,"key":"F"})");
    ShortcutStore store(defaults);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), sc(35, 0x180000, "P"));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea), Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureFullScreen).symbols(), (QStringList{"Alt", "Shift", "F"}));
    EXPECT_EQ(store.shortcuts().size(), 5);
    // The unreadable value stays until it is saved over or reset.
    EXPECT_TRUE(defaults.contains(Settings::shortcut(ShortcutAction::captureArea).key()));

    QSignalSpy published(&store, &ShortcutStore::shortcutsChanged);
    store.setShortcut(ShortcutAction::captureArea, sc(35, 0xA0000, "P"));
    store.save(sc(35, 0xA0000, "P"), ShortcutAction::captureArea);
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(defaults.dataValue("shortcut.captureArea"), QByteArray(R"({"keyCode":35,"modifiers":655360,"key":"P"})"));
    EXPECT_EQ(sc(1, option, "\"\\").toJsonBytes(), QByteArray(R"({"keyCode":1,"modifiers":524288,"key":"\"\\"})"));
    EXPECT_FALSE(store.isDefault(ShortcutAction::captureArea));

    // While another action holds ⌥⇧A, resetting is refused with that problem and changes nothing.
    store.setShortcut(ShortcutAction::captureWindow, Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_EQ(store.reset(ShortcutAction::captureArea), ShortcutProblem::usedByOtherAction("Capturar janela"));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea), sc(35, 0xA0000, "P"));
    EXPECT_TRUE(defaults.contains("shortcut.captureArea"));
    store.setShortcut(ShortcutAction::captureWindow, Shortcut::defaultFor(ShortcutAction::captureWindow));

    published.clear();
    EXPECT_EQ(store.reset(ShortcutAction::captureArea), std::nullopt);
    EXPECT_EQ(published.count(), 1);
    EXPECT_TRUE(store.isDefault(ShortcutAction::captureArea));
    EXPECT_FALSE(defaults.contains("shortcut.captureArea"));
}

TEST_F(ShortcutStoreTest, ValidationOrderAndMessages) {
    ShortcutStore store(defaults);
    const auto problem = [&](Shortcut s, ShortcutAction action = ShortcutAction::captureWindow) {
        return store.validate(s, action);
    };
    EXPECT_EQ(problem(sc(0, shift, "A")), ShortcutProblem::needsModifier());
    EXPECT_EQ(problem(sc(0, shift | capsLock, "A")), ShortcutProblem::needsModifier());
    EXPECT_EQ(problem(sc(107, 0, "F14")), std::nullopt);
    EXPECT_EQ(problem(sc(96, 0, "F5")), std::nullopt);
    EXPECT_EQ(problem(sc(0, option | shift, "A")), ShortcutProblem::usedByOtherAction("Capturar área"));
    EXPECT_EQ(problem(sc(0, option | shift, "A"), ShortcutAction::captureArea), std::nullopt);
    // The desktop's screenshot keys are kept with a warning; its own keys and Ctrl's conventions are refused.
    EXPECT_EQ(problem(sc(105, shift, "F13")), ShortcutProblem::systemScreenshot("Captura de uma área"));
    EXPECT_EQ(problem(sc(12, command, "Q")), ShortcutProblem::reservedBySystem("Sair do app"));
    EXPECT_EQ(problem(sc(48, option, "⇥")), ShortcutProblem::reservedBySystem("Trocar de janela"));
    EXPECT_EQ(problem(sc(12, command, "X")), ShortcutProblem::reservedBySystem("Sair do app")); // label ignored
    // Super alone counts as a modifier: Super+L is the desktop's.
    EXPECT_EQ(problem(sc(37, control, "L")), ShortcutProblem::reservedBySystem("Bloquear a tela"));

    // What the user reads names this system's keys and settings.
    EXPECT_EQ(ShortcutProblem::reservedBySystem("Sair do app").message(),
              QStringLiteral("Essa combinação é do sistema (Sair do app). Escolha outra."));
    EXPECT_EQ(ShortcutProblem::usedByOtherAction("Capturar área").message(),
              QStringLiteral("Já está em uso em “Capturar área”."));
    EXPECT_EQ(ShortcutProblem::systemScreenshot("Captura de uma área").message(),
              QStringLiteral("Gravado. É o atalho de captura de uma área do sistema: desligue-o nas configurações de "
                             "teclado do sistema para o Pelicarta recebê-lo."));
    EXPECT_EQ(
        ShortcutProblem::needsModifier().message(),
        QStringLiteral("Use pelo menos Ctrl, Alt ou Super junto com a tecla (ou uma tecla F13–F20 / Print Screen)."));
    EXPECT_TRUE(ShortcutProblem::systemScreenshot("x").isWarning());
    EXPECT_FALSE(ShortcutProblem::reservedBySystem("x").isWarning());
}

TEST_F(ShortcutStoreTest, ACombinationEditedInTheFileIsTakenIn) {
    ShortcutStore store(defaults);
    QSignalSpy published(&store, &ShortcutStore::shortcutsChanged);
    // Someone else writes the file: the area action becomes Ctrl+Alt+9.
    platform::UserDefaults other(defaults.filePath());
    Settings::shortcut(ShortcutAction::captureArea).set(Shortcut{25, command | option, QStringLiteral("9")}, other);
    defaults.reloadFromDisk();
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea), (Shortcut{25, command | option, QStringLiteral("9")}));
    EXPECT_EQ(published.size(), 1);
}
