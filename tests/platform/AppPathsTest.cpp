#include "platform/AppPaths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(AppPathsTest, FoldersFollowXdgAndArePrivate) {
    testsupport::TempFolder dir;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("cfg")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("data")).toLocal8Bit());

    EXPECT_EQ(platform::AppPaths::defaultsFile(), dir.file(QStringLiteral("cfg/Pelicarta/defaults.json")));
    const QString docs = platform::AppPaths::documentsFolder();
    EXPECT_EQ(docs, dir.file(QStringLiteral("data/Pelicarta")));
    const auto perms = QFile::permissions(docs);
    EXPECT_TRUE(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(perms & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
    const QString recents = platform::AppPaths::documentsSubfolder(QStringLiteral("Recentes"));
    EXPECT_TRUE(QFileInfo(recents).isDir());

    EXPECT_EQ(platform::AppPaths::documentsSubfolderOrTemp(QStringLiteral("Recentes")), recents);

    // A data folder that cannot be made: the subfolder is empty and the fallback is the temporary one.
    ASSERT_TRUE(dir.write(QStringLiteral("blocker"), "file"));
    qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("blocker/data")).toLocal8Bit());
    EXPECT_TRUE(platform::AppPaths::documentsSubfolder(QStringLiteral("Tutoriais")).isEmpty());
    EXPECT_EQ(platform::AppPaths::documentsSubfolderOrTemp(QStringLiteral("Tutoriais")),
              QDir::tempPath() + QStringLiteral("/Pelicarta/Tutoriais"));

    // A relative XDG path is ignored, as the XDG rules say.
    qputenv("XDG_DATA_HOME", "relative/path");
    EXPECT_TRUE(platform::AppPaths::documentsFolder().startsWith(QDir::homePath()));

    qputenv("XDG_CONFIG_HOME", oldConfig);
    qputenv("XDG_DATA_HOME", oldData);
}
