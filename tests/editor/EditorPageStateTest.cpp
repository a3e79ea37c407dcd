#include "editor/EditorPageState.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(EditorPageStateTest, CommandBarStartsOnTheFirstRow) {
    EditorPageState page;
    page.setCommandBarOpen(true);
    page.setCommandQuery(QStringLiteral("som"));
    page.setCommandSelection(3);
    // Every assignment of the query, the same text included, goes back to the first row.
    page.setCommandQuery(QStringLiteral("som"));
    EXPECT_EQ(page.commandSelection(), 0);
    page.setCommandSelection(2);
    page.setCommandBarOpen(true);
    EXPECT_EQ(page.commandQuery(), QString());
    EXPECT_EQ(page.commandSelection(), 0);
}

// The backdrop sheet opens anew on every announcement: a draft set again (the same opening) keeps it,
// while another opening of the same backdrop, or none, is announced once.
TEST(EditorPageStateTest, TheBackdropEditorIsAnnouncedOnlyWhenItsOpeningChanges) {
    EditorPageState page;
    QSignalSpy announced(&page, &EditorPageState::backdropDraftChanged);
    BackdropDraft draft(Backdrop::defaults().first(), false);
    page.setBackdropDraft(draft);
    draft.backdrop.name = QStringLiteral("Renomeado");
    page.setBackdropDraft(draft);
    EXPECT_EQ(announced.count(), 1);
    EXPECT_EQ(page.backdropDraft()->backdrop.name, QStringLiteral("Renomeado"));

    page.setBackdropDraft(BackdropDraft(draft.backdrop, false));
    EXPECT_EQ(announced.count(), 2);
    page.setBackdropDraft(std::nullopt);
    page.setBackdropDraft(std::nullopt);
    EXPECT_EQ(announced.count(), 3);
    EXPECT_FALSE(page.backdropDraft());
}
