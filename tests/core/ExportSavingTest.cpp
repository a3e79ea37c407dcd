#include "core/ExportSaving.h"

#include "core/SaveFolder.h"
#include "core/Settings.h"
#include "platform/StringTables.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ExportSavingTest, ThePanelNamesTheTypeAndOpensWhereTheLastSaveWasWrittenNeverWhereOneFailed) {
    testsupport::PlatformFakes fakes;
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    Settings::saveFolder.reset();
    const QString first = SaveFolder::start();
    testsupport::TempFolder temp;
    const QImage picture = testsupport::filledImage(40, 30, Qt::darkCyan);
    const QDateTime taken(QDate(2026, 1, 2), QTime(14, 44, 5));

    fakes.savePanel.answer = temp.file(QStringLiteral("tela.png"));
    EXPECT_EQ(ExportSaving::saveWithPanel("png", ExportFormat::png, taken), fakes.savePanel.answer);
    // What the caller tells of it: the picture, the size written and the file's name.
    const Notice saved = ExportSaving::savedNotice(*fakes.savePanel.answer, 3, picture);
    EXPECT_EQ(saved.subtitle, QStringLiteral("tela.png"));
    EXPECT_TRUE(saved.title.startsWith(QStringLiteral("Salvo · ")));
    EXPECT_EQ(saved.picture.size(), picture.size());
    // A place the system refuses: the alert, and the next panel still opens where the last file went.
    fakes.savePanel.answer = QStringLiteral("/proc/sys/tela.png");
    EXPECT_EQ(ExportSaving::saveWithPanel("png", ExportFormat::png, taken), std::nullopt);
    EXPECT_EQ(fakes.alerts.shown.size(), 1);
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    fakes.savePanel.answer.reset();
    EXPECT_EQ(ExportSaving::saveWithPanel("jpeg", ExportFormat::jpeg, taken), std::nullopt);
    platform::StringTables::setCurrentLanguage({});

    ASSERT_EQ(fakes.savePanel.asked.size(), 3);
    EXPECT_EQ(fakes.savePanel.asked[0].folder, first);
    EXPECT_EQ(fakes.savePanel.asked[1].folder, temp.path());
    EXPECT_EQ(fakes.savePanel.asked[2].folder, temp.path());
    EXPECT_EQ(fakes.savePanel.asked[0].typeName, QStringLiteral("Imagem PNG"));
    EXPECT_EQ(fakes.savePanel.asked[2].typeName, QStringLiteral("JPEG image"));
    EXPECT_EQ(fakes.savePanel.asked[2].extension, QStringLiteral("jpg"));
    // Named after the moment the capture was taken.
    EXPECT_EQ(fakes.savePanel.asked[2].proposedName, QStringLiteral("Pelicarta 2026-01-02 14.44.05.jpg"));
    Settings::saveFolder.reset();
}
