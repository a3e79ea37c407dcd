#include "capture/CaptureFile.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

// What shows a capture before its file exists learns the file once, whenever it asks; a receiver that
// has gone, or a capture that got no file, learns nothing.
TEST(CaptureFileTest, ReceiversLearnTheWrittenFileOnceWheneverTheyAsk) {
    const CaptureFile::Ptr file = CaptureFile::pending();
    QStringList heard;
    QObject panel;
    auto *editor = new QObject;
    file->whenWritten(&panel, [&](const QString &path) { heard.append(QStringLiteral("panel ") + path); });
    file->whenWritten(editor, [&](const QString &path) { heard.append(QStringLiteral("editor ") + path); });
    delete editor;
    EXPECT_TRUE(file->path().isEmpty());
    EXPECT_FALSE(file->isSettled());

    file->settle(QStringLiteral("/r/a.png"));
    file->settle(QStringLiteral("/r/b.png")); // settled once
    EXPECT_EQ(heard, QStringList{QStringLiteral("panel /r/a.png")});
    file->whenWritten(&panel, [&](const QString &path) { heard.append(QStringLiteral("late ") + path); });
    EXPECT_EQ(heard.last(), QStringLiteral("late /r/a.png"));
    EXPECT_EQ(CaptureFile::known(QStringLiteral("/r/c.png"))->path(), QStringLiteral("/r/c.png"));

    const CaptureFile::Ptr none = CaptureFile::pending();
    bool called = false;
    none->whenWritten(&panel, [&](const QString &) { called = true; });
    none->settle(QString());
    none->whenWritten(&panel, [&](const QString &) { called = true; });
    EXPECT_TRUE(none->isSettled());
    EXPECT_FALSE(called);
}
