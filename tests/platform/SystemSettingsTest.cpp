#include "platform/SystemSettings.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(SystemSettingsTest, PrivacySettingsOpenTheFirstInstalledProgramOnItsPrivacyPage) {
    testsupport::RecordingLauncher launcher;
    testsupport::TempFolder bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    EXPECT_FALSE(platform::SystemSettings::openPrivacySettings());
    for (const char *program : {"lxqt-config", "gnome-control-center"}) {
        bin.write(QString::fromLatin1(program), "#!/bin/sh\n");
        QFile::setPermissions(bin.file(QString::fromLatin1(program)), QFile::ReadOwner | QFile::ExeOwner);
    }
    EXPECT_TRUE(platform::SystemSettings::openPrivacySettings());
    const QStringList privacy{bin.file(QStringLiteral("gnome-control-center")), QStringLiteral("privacy")};
    EXPECT_EQ(launcher.started, QList<QStringList>{privacy});
    qputenv("PATH", oldPath);
}
