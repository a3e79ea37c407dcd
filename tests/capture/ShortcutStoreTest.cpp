#include "capture/ShortcutStore.h"
#include "capture/SystemShortcuts.h"
#include "platform/KeyEvent.h"
#include "platform/SystemSettings.h"
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

Shortcut sc(std::uint16_t code, std::uint32_t mods, const char *key) { return {code, mods, QString::fromUtf8(key)}; }

} // namespace

TEST(ShortcutTest, SymbolsJsonAndDefaults) {
    EXPECT_EQ(sc(40, command | option | control | shift, "K").symbols(),
              (QStringList{"⌃", "⌥", "⇧", "⌘", "K"}));
    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureFullScreen).symbols(), (QStringList{"⌥", "⇧", "F"}));
    QStringList defaults;
    for (ShortcutAction action : ShortcutActions::all()) defaults << Shortcut::defaultFor(action).displayString();
    EXPECT_EQ(defaults, (QStringList{"⌥⇧A", "⌥⇧W", "⌥⇧F", "⌥⇧R", "⌥⇧T"}));
    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureArea).modifiers, 0xA0000u);

    EXPECT_EQ(Shortcut::defaultFor(ShortcutAction::captureFullScreen).toJsonBytes(),
              QByteArray(R"({"keyCode":3,"modifiers":655360,"key":"F"})"));
    const auto parsed = Shortcut::fromJson(QJsonDocument::fromJson(R"({"keyCode":3,"modifiers":655360,"key":"F"})").object());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, Shortcut::defaultFor(ShortcutAction::captureFullScreen));

    // Missing fields, wrong types, fractions, negatives and out-of-range numbers are unreadable.
    for (const char *bad : {R"({"keyCode":0,"modifiers":1572864})", R"({"keyCode":"0","modifiers":1,"key":"A"})",
                            R"({"keyCode":0.5,"modifiers":1,"key":"A"})", R"({"keyCode":-1,"modifiers":1,"key":"A"})",
                            R"({"keyCode":70000,"modifiers":1,"key":"A"})", R"({"keyCode":1,"modifiers":1e300,"key":"A"})",
                            R"({"keyCode":1,"modifiers":1,"key":null})", R"([1,2,3])"})
        EXPECT_FALSE(Shortcut::fromJson(QJsonDocument::fromJson(bad).isArray()
                                            ? QJsonValue(QJsonDocument::fromJson(bad).array())
                                            : QJsonValue(QJsonDocument::fromJson(bad).object())))
            << bad;
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

TEST_F(ShortcutStoreTest, LoadsStoredValuesAndFallsBackPerAction) {
    defaults.setJson(ShortcutStore::key(ShortcutAction::captureWindow),
                     QJsonObject{{"keyCode", 35}, {"modifiers", 0x180000}, {"key", "P"}});
    defaults.setJson(ShortcutStore::key(ShortcutAction::captureArea), QJsonObject{{"keyCode", 0}, {"modifiers", 1572864}});
    // Stored as data (a JSON document's bytes) reads the same.
    defaults.setData(ShortcutStore::key(ShortcutAction::captureFullScreen), R"({"keyCode":3,"modifiers":655360,"key":"F"})");
    ShortcutStore store(defaults);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), sc(35, 0x180000, "P"));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea), Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureFullScreen).symbols(), (QStringList{"⌥", "⇧", "F"}));
    EXPECT_EQ(store.shortcuts().size(), 5);
    // The unreadable value stays until it is saved over or reset.
    EXPECT_TRUE(defaults.contains(ShortcutStore::key(ShortcutAction::captureArea)));

    QSignalSpy published(&store, &ShortcutStore::shortcutsChanged);
    store.setShortcut(ShortcutAction::captureArea, sc(35, 0xA0000, "P"));
    store.save(sc(35, 0xA0000, "P"), ShortcutAction::captureArea);
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(defaults.dataValue("shortcut.captureArea"), QByteArray(R"({"keyCode":35,"modifiers":655360,"key":"P"})"));
    EXPECT_EQ(sc(1, option, "\"\\").toJsonBytes(), QByteArray(R"({"keyCode":1,"modifiers":524288,"key":"\"\\"})"));
    EXPECT_FALSE(store.isDefault(ShortcutAction::captureArea));

    store.reset(ShortcutAction::captureArea);
    EXPECT_EQ(published.count(), 2);
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
    EXPECT_EQ(problem(sc(105, 0, "F13")), std::nullopt);
    EXPECT_EQ(problem(sc(96, 0, "F5")), std::nullopt);
    EXPECT_EQ(problem(sc(0, option | shift, "A")), ShortcutProblem::usedByOtherAction("Capturar área"));
    EXPECT_EQ(problem(sc(0, option | shift, "A"), ShortcutAction::captureArea), std::nullopt);
    EXPECT_EQ(problem(sc(21, shift | command, "4")), ShortcutProblem::systemScreenshot("Print de uma área"));
    EXPECT_EQ(problem(sc(12, command, "Q")), ShortcutProblem::reservedBySystem("Sair do app"));
    EXPECT_EQ(problem(sc(49, command, "Espaço")), ShortcutProblem::reservedBySystem("Spotlight"));
    EXPECT_EQ(problem(sc(12, command, "X")), ShortcutProblem::reservedBySystem("Sair do app")); // label ignored
    // A missing modifier wins over a reserved row (⌃ alone counts as a modifier: ⌃↑ is reserved).
    EXPECT_EQ(problem(sc(126, control, "↑")), ShortcutProblem::reservedBySystem("Mission Control"));

    EXPECT_EQ(ShortcutProblem::reservedBySystem("Sair do app").message(),
              QStringLiteral("Essa combinação é do macOS (Sair do app). Escolha outra."));
    EXPECT_EQ(ShortcutProblem::usedByOtherAction("Capturar área").message(), QStringLiteral("Já está em uso em “Capturar área”."));
    EXPECT_EQ(ShortcutProblem::systemScreenshot("Print de uma área").message(),
              QStringLiteral("Gravado. É o atalho de print de uma área do macOS: desligue-o em Teclado › Atalhos de "
                             "Teclado › Capturas de Tela para o Pelicarta recebê-lo."));
    EXPECT_EQ(ShortcutProblem::needsModifier().message(),
              QStringLiteral("Use pelo menos ⌘, ⌥ ou ⌃ junto com a tecla (ou uma tecla F13–F20 / Print Screen)."));
    EXPECT_TRUE(ShortcutProblem::systemScreenshot("x").isWarning());
    EXPECT_FALSE(ShortcutProblem::reservedBySystem("x").isWarning());
}

TEST(SystemShortcutsTest, TableAndKeyboardSettings) {
    const auto &rows = SystemShortcuts::all();
    ASSERT_EQ(rows.size(), 21);
    EXPECT_EQ(rows.at(0).id(), QStringLiteral("20-1179648"));
    EXPECT_EQ(rows.at(17).id(), QStringLiteral("126-262144"));
    EXPECT_EQ(rows.at(17).name, QStringLiteral("Mission Control"));
    int releasable = 0;
    for (int i = 0; i < rows.size(); ++i) releasable += rows.at(i).releasable ? 1 : 0;
    EXPECT_EQ(releasable, 4);
    EXPECT_TRUE(rows.at(3).releasable);
    EXPECT_FALSE(rows.at(4).releasable);
    EXPECT_EQ(rows.at(4).shortcut.symbols(), (QStringList{"⌘", "Espaço"}));
    EXPECT_EQ(SystemShortcuts::match(sc(12, shift | command, "Q"))->name, QStringLiteral("Encerrar sessão"));
    EXPECT_FALSE(SystemShortcuts::match(sc(12, option | command, "Q")));

    // With a settings program on the PATH it is started; without one nothing happens.
    QStringList started;
    platform::SystemSettings::setLauncher([&](const QString &program, const QStringList &args) {
        started << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
        return true;
    });
    testsupport::TempFolder bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    SystemShortcuts::openKeyboardSettings();
    EXPECT_TRUE(started.isEmpty());
    bin.write("xfce4-keyboard-settings", "#!/bin/sh\n");
    QFile::setPermissions(bin.file("xfce4-keyboard-settings"), QFile::ReadOwner | QFile::ExeOwner);
    SystemShortcuts::openKeyboardSettings();
    EXPECT_EQ(started, QStringList{bin.file("xfce4-keyboard-settings") + QLatin1Char(' ')});
    qputenv("PATH", oldPath);
    platform::SystemSettings::setLauncher({});
}
