#include "core/SaveFolder.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(SaveFolderTest, PanelsOpenWhereTheLastSaveWroteElseInThePicturesFolder) {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    // The user's pictures folder as the desktop's user-dirs file names it.
    const QString pictures = temp.file(QStringLiteral("Imagens"));
    ASSERT_TRUE(QDir().mkpath(pictures));
    ASSERT_TRUE(QDir().mkpath(temp.file(QStringLiteral("config"))));
    const QByteArray userDirs = "XDG_PICTURES_DIR=\"" + pictures.toUtf8() + "\"\n";
    ASSERT_TRUE(temp.write(QStringLiteral("config/user-dirs.dirs"), userDirs));
    testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", temp.file(QStringLiteral("config")));
    EXPECT_EQ(SaveFolder::start(defaults), pictures);

    const QString captures = temp.file(QStringLiteral("Capturas"));
    ASSERT_TRUE(QDir().mkpath(captures));
    SaveFolder::remember(captures + QStringLiteral("/tela.png"), defaults);
    EXPECT_EQ(Settings::saveFolder.value(defaults), captures);
    EXPECT_EQ(SaveFolder::start(defaults), captures);

    // A remembered folder that is gone, or is a file now: the pictures folder again; without one, home.
    ASSERT_TRUE(QDir(captures).removeRecursively());
    ASSERT_TRUE(temp.write(QStringLiteral("Capturas"), "a file"));
    EXPECT_EQ(SaveFolder::start(defaults), pictures);
    ASSERT_TRUE(QDir(pictures).removeRecursively());
    EXPECT_EQ(SaveFolder::start(defaults), QDir::homePath());
}
