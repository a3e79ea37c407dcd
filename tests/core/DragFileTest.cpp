#include "core/DragFile.h"
#include "platform/OwnTempFolder.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

TEST(DragFileTest, EachDragWritesItsOwnPrivateFile) {
    const QByteArray bytes("jpeg bytes");
    std::unique_ptr<QMimeData> a(DragFile::mimeData(bytes, ExportFormat::jpeg));
    std::unique_ptr<QMimeData> b(DragFile::mimeData(bytes, ExportFormat::jpeg));
    ASSERT_EQ(a->urls().size(), 1);
    ASSERT_EQ(b->urls().size(), 1);
    const QFileInfo fa(a->urls()[0].toLocalFile()), fb(b->urls()[0].toLocalFile());
    EXPECT_NE(fa.absolutePath(), fb.absolutePath());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.jpg$"))
                    .match(fa.fileName())
                    .hasMatch())
        << fa.fileName().toStdString();
    EXPECT_EQ(QFileInfo(fa.absolutePath()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    QFile file(fa.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(a->data(QStringLiteral("image/jpeg")), bytes);
    for (const QFileInfo &f : {fa, fb}) QDir(f.absolutePath()).removeRecursively();

    std::unique_ptr<QMimeData> nothing(DragFile::mimeData({}, ExportFormat::png));
    EXPECT_TRUE(nothing->formats().isEmpty());
}

TEST(DragFileTest, OnlyOurOldDragFoldersAreRemoved) {
    testsupport::TempFolder temp;
    QDir dir(temp.path());
    for (const char *name : {"pelicarta-drag-old", "pelicarta-drag-nested", "pelicarta-drag-linked", "other-drag"})
        ASSERT_TRUE(dir.mkpath(QString::fromLatin1(name)));
    for (const char *name : {"pelicarta-drag-old", "pelicarta-drag-nested", "pelicarta-drag-linked"})
        ASSERT_TRUE(platform::OwnTempFolder::mark(temp.file(QString::fromLatin1(name))));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-drag-old/Pelicarta 2020-01-01 00.00.00.png"), "x"));
    ASSERT_TRUE(temp.write(QStringLiteral("other-drag/keep.png"), "x"));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("pelicarta-drag-nested/inner")));
    // A link into someone else's folder is not followed.
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("other-drag/keep.png")),
                            temp.file(QStringLiteral("pelicarta-drag-linked/link.png"))));
    ASSERT_TRUE(
        QFile::link(temp.file(QStringLiteral("other-drag")), temp.file(QStringLiteral("pelicarta-drag-alias"))));

    // Today's folders stay.
    EXPECT_EQ(DragFile::removeOldFolders(temp.path(), QDateTime::currentDateTime()), 0);
    // A day on: only the one that is plainly ours goes.
    EXPECT_EQ(DragFile::removeOldFolders(temp.path(), QDateTime::currentDateTime().addSecs(25 * 3600)), 1);
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("pelicarta-drag-old"))));
    for (const char *kept : {"pelicarta-drag-nested/inner", "pelicarta-drag-linked/link.png", "pelicarta-drag-alias",
                             "other-drag/keep.png"})
        EXPECT_TRUE(QFileInfo::exists(temp.file(QString::fromLatin1(kept)))) << kept;
}

// A folder the user made under a drag folder's name keeps what is in it; in one a drag made, only the
// drag's own file goes, and the user's beside it keeps the folder.
TEST(DragFileTest, OnlyTheFilesADragWroteAreRemoved) {
    testsupport::TempFolder temp;
    QDir dir(temp.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("pelicarta-drag-mine")));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-drag-mine/notes.txt"), "mine"));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-drag-mine/photo.png"), "mine"));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("pelicarta-drag-shared")));
    ASSERT_TRUE(platform::OwnTempFolder::mark(temp.file(QStringLiteral("pelicarta-drag-shared"))));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-drag-shared/Pelicarta 2020-01-01 00.00.00.png"), "drag"));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-drag-shared/photo.png"), "mine"));
    EXPECT_EQ(DragFile::removeOldFolders(temp.path(), QDateTime::currentDateTime().addSecs(25 * 3600)), 0);
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-drag-mine/notes.txt")), "mine");
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-drag-mine/photo.png")), "mine");
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-drag-shared/photo.png")), "mine");
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("pelicarta-drag-shared/Pelicarta 2020-01-01 00.00.00.png"))));

    // A drag's own folder carries the marker, and goes whole once old.
    testsupport::TempFolder tmp;
    testsupport::ScopedEnvironment tmpdir("TMPDIR", tmp.path());
    std::unique_ptr<QMimeData> drag(DragFile::mimeData("bytes", ExportFormat::png));
    ASSERT_EQ(drag->urls().size(), 1);
    const QString made = QFileInfo(drag->urls().first().toLocalFile()).absolutePath();
    EXPECT_TRUE(made.startsWith(tmp.path()));
    EXPECT_TRUE(platform::OwnTempFolder::isMarked(made));
    EXPECT_EQ(DragFile::removeOldFolders(tmp.path(), QDateTime::currentDateTime().addSecs(25 * 3600)), 1);
    EXPECT_FALSE(QFileInfo::exists(made));
}
