#include "app/Greeting.h"
#include "core/Settings.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/PlatformFakes.h"

#include <gtest/gtest.h>

namespace {

struct GreetingTest : testing::Test {
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override {
        platform::StringTables::setCurrentLanguage({});
        Settings::customName.reset();
    }
    static QDateTime at(int hour, int minute) { return QDateTime(QDate(2026, 3, 14), QTime(hour, minute)); }
};

} // namespace

TEST_F(GreetingTest, SalutationChangesAtFiveTwelveAndEighteen) {
    const QList<QPair<QTime, const char *>> cases = {
        {QTime(0, 0), "Boa noite"},  {QTime(4, 59), "Boa noite"},  {QTime(5, 0), "Bom dia"},
        {QTime(11, 59), "Bom dia"},  {QTime(12, 0), "Boa tarde"},  {QTime(17, 59), "Boa tarde"},
        {QTime(18, 0), "Boa noite"}, {QTime(23, 59), "Boa noite"},
    };
    for (const auto &[time, expected] : cases)
        EXPECT_EQ(Greeting::salutation(at(time.hour(), time.minute())), QString::fromUtf8(expected))
            << time.toString().toStdString();
}

TEST_F(GreetingTest, TheNameIsTheCustomOneTrimmedElseTheAccountsFirstWord) {
    EXPECT_EQ(Greeting::firstName(QStringLiteral("  Ana Maria \n"), QStringLiteral("Zé Silva")),
              QStringLiteral("Ana Maria"));
    EXPECT_EQ(Greeting::firstName(QStringLiteral("   "), QStringLiteral("Ana  Maria Souza")), QStringLiteral("Ana"));
    // Only the space separates words.
    EXPECT_EQ(Greeting::firstName(QString(), QStringLiteral("Ana\tMaria Souza")), QStringLiteral("Ana\tMaria"));
    EXPECT_EQ(Greeting::firstName(QString(), QStringLiteral("  ")), QString());

    EXPECT_EQ(Greeting::line(at(9, 0), QStringLiteral("Ana Maria")), QStringLiteral("Bom dia, Ana Maria"));
    EXPECT_EQ(Greeting::line(at(20, 0), QString()), QStringLiteral("Boa noite"));

    // The session's clock and account, and the setting, are read at every call.
    testsupport::FixedSession session;
    EXPECT_EQ(Greeting::line(platform::UserDefaults::standard()), QStringLiteral("Bom dia, Ana"));
    Settings::customName.set(QStringLiteral("  Ana Maria \n"));
    session.at = at(20, 0);
    EXPECT_EQ(Greeting::line(platform::UserDefaults::standard()), QStringLiteral("Boa noite, Ana Maria"));
}
