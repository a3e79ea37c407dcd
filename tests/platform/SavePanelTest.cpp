#include "platform/Alert.h"
#include "platform/SavePanel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::SavePanel;

namespace {

struct ScriptedAlerts : platform::AlertPresenter {
    int answer = 0;
    QList<platform::Alert> shown;
    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer;
    }
};

} // namespace

TEST(SavePanelTest, ACompletedNameThatExistsIsReplacedOnlyWhenConfirmed) {
    testsupport::TempFolder temp;
    ScriptedAlerts alerts;
    platform::AlertPresenter::setSharedForTesting(&alerts);

    // A name with the type's extension was confirmed by the dialog itself.
    EXPECT_EQ(SavePanel::completedPath(temp.file(QStringLiteral("a.JPG")), QStringLiteral("jpg")),
              temp.file(QStringLiteral("a.JPG")));
    // Completing a name to a free path needs no question.
    EXPECT_EQ(SavePanel::completedPath(temp.file(QStringLiteral("shot.v2")), QStringLiteral("jpg")),
              temp.file(QStringLiteral("shot.v2.jpg")));
    EXPECT_TRUE(alerts.shown.isEmpty());

    // "shot.v2" becomes "shot.v2.jpg", which exists: the user is asked before it is overwritten.
    ASSERT_TRUE(temp.write(QStringLiteral("shot.v2.jpg"), "older"));
    alerts.answer = 1;
    EXPECT_EQ(SavePanel::completedPath(temp.file(QStringLiteral("shot.v2")), QStringLiteral("jpg")), std::nullopt);
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].messageText.contains(QStringLiteral("shot.v2.jpg")));
    alerts.answer = 0;
    EXPECT_EQ(SavePanel::completedPath(temp.file(QStringLiteral("shot.v2")), QStringLiteral("jpg")),
              temp.file(QStringLiteral("shot.v2.jpg")));
    platform::AlertPresenter::setSharedForTesting(nullptr);
}
