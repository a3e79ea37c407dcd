#include "app/SettingsNotice.h"

#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(SettingsNoticeTest, ASettingsFileSetAsideIsNamedAtTheTopOfTheWindowUntilClosed) {
    testsupport::TempFolder temp;
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    // One value the file cannot hold (a number past any double, a byte that is not UTF-8): the whole
    // file is set aside and every setting starts over.
    for (const QByteArray &bytes : {QByteArray(R"({"values":{"hasCompletedOnboarding":{"type":"bool","value":true},)"
                                               R"("x":{"type":"double","value":1e999}}})"),
                                    QByteArray("{\"values\":{\"t\":{\"type\":\"string\",\"value\":\"\xff\"}}}")}) {
        ASSERT_TRUE(temp.write(QStringLiteral("defaults.json"), bytes));
        platform::UserDefaults defaults(temp.file(QStringLiteral("defaults.json")));
        const QString aside = defaults.keptAsidePath();
        ASSERT_FALSE(aside.isEmpty()) << bytes.toStdString();
        auto *notice = new SettingsNotice(defaults, &window);
        column->addWidget(notice);
        window.show();
        EXPECT_TRUE(notice->isVisible());
        const QString text = testsupport::namedChild<QLabel>(*notice, "settingsNoticeText")->text();
        EXPECT_TRUE(text.startsWith(QStringLiteral("As configurações não puderam ser lidas"))) << text.toStdString();
        EXPECT_TRUE(text.contains(aside)) << text.toStdString();
        testsupport::namedChild<QAbstractButton>(*notice, "settingsNoticeClose")->click();
        EXPECT_FALSE(notice->isVisible());
        ASSERT_TRUE(QFile::remove(aside));
    }

    // A file that reads: nothing to say.
    platform::UserDefaults fine(temp.file(QStringLiteral("defaults.json")));
    ASSERT_TRUE(fine.keptAsidePath().isEmpty());
    auto *quiet = new SettingsNotice(fine, &window);
    column->addWidget(quiet);
    EXPECT_FALSE(quiet->isVisible());
}
