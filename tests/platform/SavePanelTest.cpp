#include "platform/Alert.h"
#include "platform/FileDialogFit.h"
#include "platform/SavePanel.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QStandardPaths>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>

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

TEST(SavePanelTest, QtsOwnDialogOpensInTheAskedFolderWithTheNamedTypeAtAComfortableSize) {
    EXPECT_EQ(platform::fileDialogSize(QRect(0, 0, 1920, 1080)), QSize(900, 600));
    EXPECT_EQ(platform::fileDialogSize(QRect(0, 0, 1240, 800)), QSize(900, 600));
    EXPECT_EQ(platform::fileDialogSize(QRect(0, 0, 800, 600)), QSize(720, 520));

    testsupport::TempFolder temp;
    // The places column lists the user's folders under their own names, a long one among them.
    testsupport::TempFolder places;
    for (const char *name : {"Documents", "Pictures and Screenshots"}) QDir(places.path()).mkpath(QLatin1String(name));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(QDir().mkpath(config));
    const QString userDirs = config + QStringLiteral("/user-dirs.dirs");
    QFile dirsFile(userDirs);
    ASSERT_TRUE(dirsFile.open(QIODevice::WriteOnly));
    dirsFile.write(QStringLiteral("XDG_DOCUMENTS_DIR=\"%1/Documents\"\nXDG_PICTURES_DIR=\"%1/Pictures and "
                                  "Screenshots\"\n")
                       .arg(places.path())
                       .toUtf8());
    dirsFile.close();
    int placesShown = 0;
    QStringList filters;
    QString folder;
    QString name;
    QSize size;
    int cut = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(window);
            if (!dialog || !dialog->isVisible()) continue;
            filters = dialog->nameFilters();
            folder = dialog->directory().absolutePath();
            name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            size = dialog->size();
            // Every column of the file list shows its whole title.
            const QHeaderView *header = dialog->findChild<QTreeView *>(QStringLiteral("treeView"))->header();
            for (int i = 0; i < header->count(); ++i) {
                cut += header->sectionSize(i) < header->sectionSizeHint(i) ? 1 : 0;
                cut += header->sectionViewportPosition(i) + header->sectionSize(i) > header->width() ? 1 : 0;
            }
            // Every place shows its whole name.
            const auto *sidebar = dialog->findChild<QListView *>(QStringLiteral("sidebar"));
            for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
                const QModelIndex place = sidebar->model()->index(row, 0);
                ++placesShown;
                cut += sidebar->visualRect(place).left() + sidebar->sizeHintForIndex(place).width() >
                               sidebar->viewport()->width()
                           ? 1
                           : 0;
            }
            dialog->reject();
        }
    });
    poll.start(10);
    const platform::SaveRequest request{QStringLiteral("Pelicarta 2026-01-02 10.11.12.png"),
                                        QStringLiteral("Imagem PNG"), QStringLiteral("png"), temp.path()};
    EXPECT_EQ(SavePanel::shared().run(request), std::nullopt);
    EXPECT_EQ(filters, QStringList{QStringLiteral("Imagem PNG (*.png)")});
    EXPECT_EQ(folder, temp.path());
    EXPECT_EQ(name, request.proposedName);
    EXPECT_EQ(size, platform::fileDialogSize(QGuiApplication::primaryScreen()->availableGeometry()));
    EXPECT_EQ(cut, 0);
    EXPECT_GE(placesShown, 3);
    QFile::remove(userDirs);
}

// The save panel opens over the window that asked for it, centred on it, not in the screen's middle.
TEST(SavePanelTest, TheDialogOpensOverTheWindowThatAskedForIt) {
    testsupport::TempFolder temp;
    QWidget owner;
    owner.setGeometry(0, 0, 760, 540); // off the screen's middle, with room around its centre for the dialog
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner, testsupport::patienceMs));
    QWidget *parent = nullptr;
    QRect placed;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(window);
            if (!dialog || !dialog->isVisible()) continue;
            parent = dialog->parentWidget();
            placed = dialog->frameGeometry();
            dialog->reject();
        }
    });
    poll.start(10);
    const platform::SaveRequest request{QStringLiteral("Pelicarta 2026-01-02 10.11.12.png"),
                                        QStringLiteral("Imagem PNG"), QStringLiteral("png"), temp.path()};
    EXPECT_EQ(SavePanel::shared().run(request), std::nullopt);
    EXPECT_EQ(parent, &owner);
    ASSERT_TRUE(placed.isValid());
    // Across, centred on it (20 px left of the screen's middle). Down, Qt allows for a title bar it
    // cannot know here and keeps the dialog inside the screen.
    EXPECT_NEAR(placed.center().x(), owner.frameGeometry().center().x(), 2);
}
