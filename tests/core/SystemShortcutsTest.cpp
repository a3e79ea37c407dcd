#include "core/SystemShortcuts.h"
#include "platform/KeyEvent.h"
#include "platform/SystemSettings.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace platform::ModifierFlag;

namespace {

Shortcut sc(std::uint16_t code, std::uint32_t mods, const char *key) { return {code, mods, QString::fromUtf8(key)}; }

} // namespace

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
