#include "core/SystemShortcuts.h"
#include "core/TestValues.h"
#include "platform/KeyEvent.h"
#include "platform/SystemSettings.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace platform::ModifierFlag;

TEST(SystemShortcutsTest, TableAndKeyboardSettings) {
    const auto &rows = SystemShortcuts::all();
    // Only the desktop's screenshot keys (Print, alone or with Shift, Alt or Ctrl) can be released.
    QStringList releasable;
    for (const ReservedShortcut &row : rows)
        if (row.releasable) releasable << row.shortcut.displayString();
    EXPECT_EQ(releasable, (QStringList{"Print", "Shift+Print", "Alt+Print", "Ctrl+Print"}));
    // The desktop's own keys and Ctrl's conventions in every program.
    EXPECT_EQ(SystemShortcuts::match(sc(118, option, "F4"))->name, QStringLiteral("Fechar janela"));
    EXPECT_EQ(SystemShortcuts::match(sc(117, command | option, "Del"))->name, QStringLiteral("Encerrar sessão"));
    EXPECT_EQ(SystemShortcuts::match(sc(8, command, "C"))->name, QStringLiteral("Copiar"));
    EXPECT_FALSE(SystemShortcuts::match(sc(0, option | shift, "A"))) << "a default of ours is reserved";

    // With a settings program on the PATH it is started; without one nothing happens.
    testsupport::RecordingLauncher launcher;
    testsupport::TempFolder bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    SystemShortcuts::openKeyboardSettings();
    EXPECT_TRUE(launcher.started.isEmpty());
    EXPECT_FALSE(SystemShortcuts::hasKeyboardSettings());
    bin.write("xfce4-keyboard-settings", "#!/bin/sh\n");
    QFile::setPermissions(bin.file("xfce4-keyboard-settings"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_TRUE(SystemShortcuts::hasKeyboardSettings());
    SystemShortcuts::openKeyboardSettings();
    EXPECT_EQ(launcher.started, QList<QStringList>{QStringList{bin.file("xfce4-keyboard-settings")}});
    qputenv("PATH", oldPath);
}
