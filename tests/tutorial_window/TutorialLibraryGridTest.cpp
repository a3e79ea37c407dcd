#include "platform/NamePrompt.h"
#include "support/ScriptedAlerts.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/TutorialLibraryGrid.h"
#include "tutorials/TutorialStore.h"

#include <QFile>
#include <QMenu>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ScriptedNames : platform::NamePrompt {
    QList<platform::NameRequest> asked;
    std::optional<QString> answer;
    std::optional<QString> run(const platform::NameRequest &request) override {
        asked.append(request);
        return answer;
    }
};

struct TutorialLibraryGridTest : testing::Test {
    testsupport::TempFolder temp;
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    PictureLoader loader;
    TutorialLibraryGrid grid{store, loader};
    testsupport::ScriptedAlerts alerts;
    ScriptedNames names;

    void SetUp() override { platform::NamePrompt::setSharedForTesting(&names); }
    void TearDown() override { platform::NamePrompt::setSharedForTesting(nullptr); }
    QUuid add(const QString &title) {
        const QUuid id = store.newTutorial();
        store.addStep(testsupport::filledImage(80, 50, Qt::darkMagenta));
        store.rename(id, title);
        store.closeTutorial();
        return id;
    }
};

} // namespace

TEST_F(TutorialLibraryGridTest, CardTexts) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Tutorial t;
    t.updatedAt = now.addSecs(-2 * 3600);
    EXPECT_EQ(TutorialLibraryGrid::title(t), QStringLiteral("Sem título"));
    EXPECT_EQ(TutorialLibraryGrid::subtitle(t, now), QStringLiteral("0 passos · editado há 2 horas"));
    t.title = QStringLiteral(" ");
    t.steps.append(TutorialStep());
    t.updatedAt = now.addDays(-1);
    EXPECT_EQ(TutorialLibraryGrid::title(t), QStringLiteral(" "));
    EXPECT_EQ(TutorialLibraryGrid::subtitle(t, now), QStringLiteral("1 passo · editado ontem"));
}

TEST_F(TutorialLibraryGridTest, CardsSitInColumnsOfTwoHundredFiftyToThreeHundredForty) {
    for (int i = 0; i < 7; ++i) add(QStringLiteral("T%1").arg(i));
    grid.setTutorials(store.library());
    for (int width : {300, 700, 1000, 1400, 2600}) {
        grid.resize(width, grid.heightFor(width));
        for (qsizetype i = 0; i < 7; ++i) {
            const QRect card = grid.cardRect(i);
            EXPECT_GE(card.width(), std::min(250, width - 48)) << width;
            EXPECT_LE(card.width(), 340);
            EXPECT_GE(card.left(), 24);
            EXPECT_LE(card.right(), width - 24);
            if (i > 0 && grid.cardRect(i - 1).top() == card.top()) {
                EXPECT_EQ(card.left() - grid.cardRect(i - 1).right() - 1, 18);
            }
            EXPECT_EQ(grid.cardAt(card.center()), i);
        }
        EXPECT_LE(grid.cardRect(6).bottom(), grid.heightFor(width) - 24);
    }
}

TEST_F(TutorialLibraryGridTest, ClickOpensAndTheMenuRenamesDuplicatesAndDeletes) {
    const QUuid first = add(QStringLiteral("Primeiro"));
    add(QStringLiteral("Segundo"));
    grid.setTutorials(store.library());
    grid.resize(900, 600);
    const qsizetype index = store.library()[0].id == first ? 0 : 1;
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.cardRect(index).center());
    EXPECT_EQ(store.currentID(), first);
    store.closeTutorial();
    grid.setTutorials(store.library());

    QMenu *menu = grid.contextMenu(0);
    QStringList items;
    for (const QAction *action : menu->actions())
        items.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("Abrir"), QStringLiteral("Renomear…"), QStringLiteral("Duplicar"),
                                  QStringLiteral("—"), QStringLiteral("Excluir…")}));
    const Tutorial shown = grid.tutorials()[0];
    menu->actions()[2]->trigger();
    EXPECT_EQ(store.library().size(), 3);
    EXPECT_EQ(store.library()[0].title, shown.title + QStringLiteral(" (cópia)"));
    delete menu;

    grid.rename(shown); // cancelled
    ASSERT_EQ(names.asked.size(), 1);
    EXPECT_EQ(names.asked[0].title, QStringLiteral("Renomear tutorial"));
    EXPECT_EQ(names.asked[0].initial, shown.title);
    EXPECT_EQ(names.asked[0].confirm, QStringLiteral("Renomear"));
    EXPECT_EQ(store.library().size(), 3);
    names.answer = QStringLiteral("  Renomeado ");
    grid.rename(shown);
    const auto renamed = std::find_if(store.library().cbegin(), store.library().cend(),
                                      [&](const Tutorial &t) { return t.id == shown.id; });
    ASSERT_NE(renamed, store.library().cend());
    EXPECT_EQ(renamed->title, QStringLiteral("Renomeado"));

    Tutorial untitled = shown;
    untitled.title.clear();
    alerts.answer = 1;
    grid.confirmDelete(untitled);
    EXPECT_EQ(alerts.shown.last().messageText, QStringLiteral("Excluir “”?"));
    EXPECT_EQ(alerts.shown.last().informativeText,
              QStringLiteral("Os passos e as imagens deste tutorial serão apagados."));
    EXPECT_EQ(store.library().size(), 3);
    alerts.answer = testsupport::ScriptedAlerts::pressReturn; // a stray Return deletes nothing
    grid.confirmDelete(untitled);
    EXPECT_EQ(store.library().size(), 3);
    alerts.answer = 0;
    grid.confirmDelete(untitled);
    EXPECT_EQ(store.library().size(), 2);
}

TEST_F(TutorialLibraryGridTest, AFirstPictureThatCannotBeReadShowsTheNoCoverSymbol) {
    const QUuid broken = add(QStringLiteral("Quebrado"));
    const Tutorial stored = store.library()[store.library()[0].id == broken ? 0 : 1];
    ASSERT_EQ(stored.id, broken);
    QFile picture(store.folder(broken) + QLatin1Char('/') + stored.steps.constFirst().imageFile);
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly | QIODevice::Truncate));
    picture.write("não é uma imagem");
    picture.close();
    const QUuid empty = store.newTutorial();
    store.rename(empty, QStringLiteral("Vazio"));
    store.closeTutorial();

    grid.setTutorials(store.library());
    grid.resize(900, 600);
    grid.show();
    const auto indexOf = [&](const QUuid &id) {
        for (qsizetype i = 0; i < grid.tutorials().size(); ++i)
            if (grid.tutorials()[i].id == id) return i;
        return qsizetype(-1);
    };
    const auto cover = [&](const QUuid &id) {
        const QRect card = grid.cardRect(indexOf(id));
        return grid.grab(QRect(card.left() + 16, card.top() + 16, card.width() - 32, 110)).toImage();
    };
    cover(broken); // starts the decode
    const QString path = store.folder(broken) + QLatin1Char('/') + stored.steps.constFirst().imageFile;
    const auto failed = [&] { return loader.state(path, {680, 680}) == PictureLoader::State::failed; };
    ASSERT_TRUE(testsupport::becomes(failed));
    const QImage shown = cover(broken);
    EXPECT_EQ(shown, cover(empty));
    QSet<QRgb> colors;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) colors.insert(shown.pixel(x, y));
    EXPECT_GT(colors.size(), 2) << "a blank cover";
}
