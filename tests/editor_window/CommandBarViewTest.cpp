#include "editor_window/CommandBarView.h"

#include "editor/EditorFixture.h"
#include "editor_window/CommandList.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

namespace {

class CommandBarViewTest : public editortest::EditorTest {
protected:
    void SetUp() override {
        editortest::EditorTest::SetUp();
        model = makeModel();
        page = std::make_unique<QWidget>();
        page->resize(1000, 760);
        bar = new CommandBarView(model.get(), page.get());
        QObject::connect(&model->page(), &EditorPageState::isCommandBarOpenChanged, bar,
                         [this] { bar->setShown(model->page().isCommandBarOpen()); });
        page->show();
        page->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(page.get(), testsupport::patienceMs));
        model->page().setCommandBarOpen(true);
    }
    void TearDown() override {
        page.reset();
        model.reset();
        editortest::EditorTest::TearDown();
    }
    CommandList *list() const { return testsupport::namedChild<CommandList>(*bar, "list"); }
    QScrollArea *scroll() const { return testsupport::namedChild<QScrollArea>(*bar, "scroll"); }
    QPoint onRow(int index) const { return list()->mapTo(page.get(), list()->rowRect(index).center()); }
    void click(QWidget *target, QPoint at) { QTest::mouseClick(target, Qt::LeftButton, {}, at); }
    int rowIndex(const QString &id) const {
        const QList<EditorCommand> &rows = list()->rows();
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].id == id) return i;
        return -1;
    }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<QWidget> page;
    CommandBarView *bar = nullptr;
};

} // namespace

TEST_F(CommandBarViewTest, ShowsTheModelsRowsUnderGroupHeadersAndFollowsTheField) {
    EXPECT_TRUE(bar->searchField()->hasFocus());
    EXPECT_EQ(list()->rows().size(), model->commands().size());
    // The card: 620 wide, 110 down, its list no taller than 380 however many rows there are.
    EXPECT_EQ(scroll()->height(), CommandBarView::maxListHeight);
    // Typing goes to the model, whose filter the list shows; no match shows only the notice.
    QTest::keyClicks(bar->searchField(), QStringLiteral("sombra"));
    EXPECT_EQ(model->page().commandQuery(), QStringLiteral("sombra"));
    ASSERT_EQ(list()->rows().size(), 1);
    EXPECT_EQ(list()->rows().first().id, QStringLiteral("shadow"));
    EXPECT_LT(scroll()->height(), 100);
    QTest::keyClicks(bar->searchField(), QStringLiteral("zzz"));
    EXPECT_TRUE(list()->rows().isEmpty());
    EXPECT_FALSE(list()->rowAt(QPoint(100, 30)));
    // Opening again starts with an empty field and the whole table.
    model->page().setCommandBarOpen(false);
    model->page().setCommandBarOpen(true);
    EXPECT_EQ(bar->searchField()->text(), QString());
    EXPECT_EQ(list()->rows().size(), model->commands().size());
}

TEST_F(CommandBarViewTest, AClickRunsTheRowUnderItAndHoverMovesNothing) {
    const bool shadow = model->document().style().shadow;
    const int row = rowIndex(QStringLiteral("shadow"));
    ASSERT_GT(row, 0);
    // The rows below the visible band are reached by scrolling, as the list follows the selection; the
    // scroll glides there, and is looked at where it comes to rest.
    const auto shown = [&](int r) {
        const QRect visible(QPoint(0, scroll()->verticalScrollBar()->value()), scroll()->viewport()->size());
        return visible.contains(list()->rowRect(r));
    };
    model->page().setCommandSelection(row);
    testsupport::finishAnimations(*bar);
    EXPECT_TRUE(shown(row));
    model->page().setCommandSelection(0);
    testsupport::finishAnimations(*bar);
    EXPECT_TRUE(shown(0));
    QTest::mouseMove(list(), list()->rowRect(1).center());
    EXPECT_EQ(model->page().commandSelection(), 0);

    model->page().setCommandSelection(row);
    testsupport::finishAnimations(*bar);
    EXPECT_TRUE(shown(row) && shown(row - 1));
    const int other = row - 1; // a row that is not highlighted
    const QString otherID = list()->rows()[other].id;
    ASSERT_EQ(otherID, QStringLiteral("corners"));
    const bool corners = model->document().style().roundedCorners;
    click(list(), list()->rowRect(other).center());
    EXPECT_FALSE(model->page().isCommandBarOpen());
    EXPECT_NE(model->document().style().roundedCorners, corners);
    EXPECT_EQ(model->document().style().shadow, shadow);
}

TEST_F(CommandBarViewTest, OnlyTheDimmedLayerClosesAndItRunsNothing) {
    const BeautyStyle before = model->document().style();
    // Inside the card but on no row: the search row.
    click(bar, QPoint(page->width() / 2 + 250, CommandBarView::cardTop + 20));
    EXPECT_TRUE(model->page().isCommandBarOpen());
    click(bar, QPoint(20, page->height() - 20));
    EXPECT_FALSE(model->page().isCommandBarOpen());
    EXPECT_EQ(model->document().style(), before);
    EXPECT_EQ(model->document().tool(), EditorTool::preview);
}
