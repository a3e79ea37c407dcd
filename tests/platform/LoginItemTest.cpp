#include "platform/AppPaths.h"
#include "platform/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

void writeEntry(const QByteArray &text) {
    const QString path = platform::AppPaths::autostartEntry();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

TEST(LoginItemTest, AnEntrySwitchedOffByTheDesktopReadsOffUntilWrittenAgain) {
    using namespace platform;
    QFile::remove(AppPaths::autostartEntry());
    EXPECT_FALSE(LoginItem::isEnabled());
    // The desktop's own settings tool turns an entry off with Hidden=true; only the main group counts.
    writeEntry("[Desktop Entry]\nType=Application\nHidden = true\n[Desktop Action x]\nHidden=false\n");
    EXPECT_FALSE(LoginItem::isEnabled());
    writeEntry("[Desktop Action x]\nHidden=true\n[Desktop Entry]\nHidden=false\n");
    EXPECT_TRUE(LoginItem::isEnabled());

    writeEntry("[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(LoginItem::setEnabled(true));
    EXPECT_TRUE(LoginItem::isEnabled());
    ASSERT_TRUE(LoginItem::setEnabled(false));
    EXPECT_FALSE(QFile::exists(AppPaths::autostartEntry()));
    EXPECT_TRUE(LoginItem::setEnabled(false)); // already gone
}

TEST(LoginItemTest, TheExecLineSurvivesAnyProgramPath) {
    // Quoted, with the characters special inside quotes escaped, "%" doubled, then escaped as a value.
    const QByteArray entry = platform::LoginItem::entryFor(QStringLiteral("/opt/my \"app\"/$x 100%/pelicarta"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/my \\\\\"app\\\\\"/\\\\$x 100%%/pelicarta\"\n")) << entry.constData();
}
