#include "platform/AppPaths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::PrivateFolder::Problem;

namespace {

int modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

TEST(AppPathsTest, FoldersFollowXdgAndArePrivate) {
    testsupport::TempFolder dir;
    testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", dir.file(QStringLiteral("cfg")));
    testsupport::ScopedEnvironment data("XDG_DATA_HOME", dir.file(QStringLiteral("data")));

    EXPECT_EQ(platform::AppPaths::defaultsFile(), dir.file(QStringLiteral("cfg/Pelicarta/defaults.json")));
    // A documents folder of ours left open to others is narrowed.
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("data/Pelicarta"))));
    ::chmod(QFile::encodeName(dir.file(QStringLiteral("data/Pelicarta"))).constData(), 0777);
    const QString docs = platform::AppPaths::documentsFolder();
    EXPECT_EQ(docs, dir.file(QStringLiteral("data/Pelicarta")));
    EXPECT_EQ(modeOf(docs), 0700);
    const QString recents = platform::AppPaths::documentsSubfolder(QStringLiteral("Recentes"));
    EXPECT_EQ(modeOf(recents), 0700);
    const auto place = platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Recentes"));
    EXPECT_EQ(place.path, recents);
    EXPECT_FALSE(place.temporary);

    // A relative XDG path is ignored, as the XDG rules say.
    testsupport::ScopedEnvironment relative("XDG_DATA_HOME", QStringLiteral("relative/path"));
    EXPECT_TRUE(platform::AppPaths::documentsFolder().startsWith(QDir::homePath()));
}

TEST(AppPathsTest, ALinkedDocumentsFolderIsRefusedAndLeftAlone) {
    testsupport::TempFolder dir;
    testsupport::ScopedEnvironment data("XDG_DATA_HOME", dir.file(QStringLiteral("data")));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("data"))));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("photos"))));
    ::chmod(QFile::encodeName(dir.file(QStringLiteral("photos"))).constData(), 0755);
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("photos")), dir.file(QStringLiteral("data/Pelicarta"))));

    Problem problem = Problem::none;
    EXPECT_TRUE(platform::AppPaths::documentsFolder(&problem).isEmpty());
    EXPECT_EQ(problem, Problem::link);
    EXPECT_TRUE(platform::AppPaths::documentsSubfolder(QStringLiteral("Tutoriais")).isEmpty());
    // The folder the link points to keeps its mode and gets no "Tutoriais".
    EXPECT_EQ(modeOf(dir.file(QStringLiteral("photos"))), 0755);
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("photos"))).isEmpty());

    // The same for a linked subfolder inside a real documents folder.
    QFile::remove(dir.file(QStringLiteral("data/Pelicarta")));
    ASSERT_FALSE(platform::AppPaths::documentsFolder().isEmpty());
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("photos")), dir.file(QStringLiteral("data/Pelicarta/Recentes"))));
    EXPECT_TRUE(platform::AppPaths::documentsSubfolder(QStringLiteral("Recentes"), &problem).isEmpty());
    EXPECT_EQ(problem, Problem::link);
    EXPECT_EQ(modeOf(dir.file(QStringLiteral("photos"))), 0755);
    // Nothing stands in for it, not even the runtime folder.
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path());
    const auto place = platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Recentes"));
    EXPECT_TRUE(place.path.isEmpty());
    EXPECT_EQ(place.problem, Problem::link);
}

TEST(AppPathsTest, WithoutDocumentsFolderOnlyThePrivateRuntimeFolderStandsIn) {
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("blocker"), "a file where a folder should be"));
    testsupport::ScopedEnvironment data("XDG_DATA_HOME", dir.file(QStringLiteral("blocker/data")));
    testsupport::ScopedEnvironment tmp("TMPDIR", dir.file(QStringLiteral("tmp")));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("tmp"))));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("run"))));
    ::chmod(QFile::encodeName(dir.file(QStringLiteral("run"))).constData(), 0700);
    {
        testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.file(QStringLiteral("run")));
        const auto place = platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Tutoriais"));
        EXPECT_EQ(place.path, dir.file(QStringLiteral("run/Pelicarta/Tutoriais")));
        EXPECT_TRUE(place.temporary);
        EXPECT_EQ(place.problem, Problem::cannotCreate);
        EXPECT_EQ(modeOf(place.path), 0700);
    }
    // A runtime folder others may write into is no private place; without one there is nothing.
    ::chmod(QFile::encodeName(dir.file(QStringLiteral("run"))).constData(), 0777);
    for (const QString &runtime : {dir.file(QStringLiteral("run")), QString()}) {
        testsupport::ScopedEnvironment variable("XDG_RUNTIME_DIR", runtime);
        EXPECT_TRUE(platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Recentes")).path.isEmpty());
    }
    // Never the shared temporary folder.
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("tmp"))).isEmpty());
}
