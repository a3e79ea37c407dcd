#include "history/HistoryCard.h"

#include "HistoryPageFixture.h"
#include "history/HistoryGrid.h"
#include "history/HistoryView.h"
#include "support/RecordingNotifier.h"
#include "support/Waiting.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QEnterEvent>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>

using namespace historypage;

namespace {

const QDateTime kTaken(QDate(2026, 3, 14), QTime(14, 5));

class HistoryCardTest : public HistoryPageTest {
protected:
    void SetUp() override {
        HistoryPageTest::SetUp();
        platform::Pasteboard::setSharedForTesting(&pasteboard);
    }
    void TearDown() override {
        card.reset();
        platform::Pasteboard::setSharedForTesting(nullptr);
        HistoryPageTest::TearDown();
    }
    HistoryEntry entryOf(const QString &path) const {
        for (const HistoryEntry &entry : history->entries())
            if (entry.path() == path) return entry;
        return {};
    }
    HistoryCard &showCard(const QString &path) {
        card = std::make_unique<HistoryCard>(*history);
        card->resize(240, HistoryCard::heightFor(240, true));
        card->setEntry(entryOf(path));
        card->show();
        return *card;
    }
    QString toast() const { return notices.last(); }

    RecordingPasteboard pasteboard;
    testsupport::RecordingNotifier notices;
    std::unique_ptr<HistoryCard> card;
};

} // namespace

TEST_F(HistoryCardTest, ThePictureTimeAndSizeComeAsTheStoreKnowsThem) {
    const QString read = addCapture(QStringLiteral("lido.png"), kTaken, QStringLiteral("texto"));
    const QString junk = addCapture(QStringLiteral("lixo.png"), kTaken, QString(), {0, 0});
    ASSERT_TRUE(platform::writeFileAtomically(junk, "not a picture"));
    openStores();

    HistoryCard &shown = showCard(read);
    EXPECT_EQ(shown.timeText(), QStringLiteral("14:05"));
    EXPECT_EQ(shown.sizeText(), QStringLiteral("2880 × 1800"));
    EXPECT_TRUE(testsupport::becomes([&] { return shown.picture() == HistoryCard::Picture::shown; }));

    // A file that cannot be decoded: a still sign, never an endless spinner, and no size.
    shown.setEntry(entryOf(junk));
    EXPECT_TRUE(testsupport::becomes([&] { return shown.picture() == HistoryCard::Picture::unreadable; }));
    EXPECT_EQ(shown.sizeText(), QString());
}

TEST_F(HistoryCardTest, TheSizeAppearsOnTheCardOnScreenWhenTheRecordArrives) {
    const QString waiting = addCapture(QStringLiteral("novo.png"), kTaken, std::nullopt, {}, 0, {2880, 1800});
    openStores();
    HistoryView page(*history, *recents);
    page.resize(1000, 800);
    page.show();
    page.reload();
    const QPointer<HistoryCard> onScreen = testsupport::namedChild<HistoryGrid>(page, "grid")->cardOf(waiting);
    ASSERT_NE(onScreen, nullptr);
    EXPECT_EQ(onScreen->sizeText(), QString());
    QSignalSpy stored(history.get(), &HistoryStore::recordStored);
    engine.open = true;
    ASSERT_TRUE(testsupport::received(stored));
    // The same card, not one made anew, shows the size.
    EXPECT_TRUE(
        testsupport::becomes([&] { return !onScreen || onScreen->sizeText() == QStringLiteral("2880 × 1800"); }));
    ASSERT_NE(onScreen, nullptr);
    EXPECT_EQ(testsupport::namedChild<HistoryGrid>(page, "grid")->cardOf(waiting), onScreen.data());
    EXPECT_EQ(onScreen->sizeText(), QStringLiteral("2880 × 1800"));
}

TEST_F(HistoryCardTest, TheFirstMatchIsMarkedInTheTextsOwnLetters) {
    const QString path = addCapture(QStringLiteral("a.png"), kTaken, QStringLiteral("texto"));
    openStores();
    HistoryCard &shown = showCard(path);
    const auto marked = [&](const QString &snippet, const QString &query) {
        shown.setSnippet(snippet, query);
        const auto mark = shown.mark();
        return mark ? std::pair(snippet.mid(mark->first, mark->second), mark->first)
                    : std::pair(QString(), qsizetype(-1));
    };
    EXPECT_EQ(marked(QStringLiteral("Configuração da ação"), QStringLiteral("acao")),
              std::pair(QStringLiteral("ação"), qsizetype(8)));
    EXPECT_EQ(marked(QStringLiteral("Straße 12"), QStringLiteral("strasse")),
              std::pair(QStringLiteral("Straße"), qsizetype(0)));
    EXPECT_EQ(marked(QStringLiteral("erro e erro"), QStringLiteral("ERRO")),
              std::pair(QStringLiteral("erro"), qsizetype(0)));
    EXPECT_EQ(marked(QStringLiteral("erro"), QStringLiteral("  ")).second, -1);
}

// Text read from a capture is drawn letter for letter: markup in it is text, and the picture it names
// (a FIFO) is never read.
TEST_F(HistoryCardTest, MarkupInTheTextIsShownAsText) {
    const testsupport::MarkupWithFifo markup(temp.path());
    const QString path = addCapture(QStringLiteral("a.png"), kTaken, markup.text());
    openStores();
    HistoryCard &shown = showCard(path);
    shown.setSnippet(markup.text(), QStringLiteral("rubi"));
    ASSERT_TRUE(shown.mark());
    EXPECT_EQ(markup.text().mid(shown.mark()->first, shown.mark()->second), QStringLiteral("Rubi"));
    shown.grab();
    EXPECT_FALSE(markup.read());
}

TEST_F(HistoryCardTest, HoverButtonsMenuAndAccessibility) {
    const QString withText = addCapture(QStringLiteral("a.png"), kTaken, QStringLiteral("Olá\nmundo"));
    const QString withoutText = addCapture(QStringLiteral("b.png"), kTaken.addSecs(-60), QString());
    openStores();
    // The card on a larger page, so that the pointer can leave it.
    QWidget host;
    host.resize(600, 600);
    HistoryCard &shown = showCard(withText);
    shown.setParent(&host);
    shown.move(100, 100);
    card.release(); // the host owns it now
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::mouseMove(&host, QPoint(550, 550));
    QSignalSpy opened(&shown, &HistoryCard::openRequested);
    QSignalSpy deleted(&shown, &HistoryCard::deleteRequested);

    auto *copyButton = testsupport::namedChild<QAbstractButton>(shown, "copyButton");
    auto *openButton = testsupport::namedChild<QAbstractButton>(shown, "openButton");
    auto *deleteButton = testsupport::namedChild<QAbstractButton>(shown, "deleteButton");
    EXPECT_FALSE(deleteButton->isVisible());
    QTest::mouseMove(&shown, QPoint(20, 20));
    for (QAbstractButton *button : {copyButton, openButton, deleteButton}) EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(copyButton->toolTip(), QStringLiteral("Copiar"));
    EXPECT_EQ(openButton->accessibleName(), QStringLiteral("Abrir no Editor"));
    EXPECT_EQ(deleteButton->toolTip(), QStringLiteral("Excluir"));
    deleteButton->click();
    EXPECT_EQ(deleted.count(), 1);
    QTest::mouseMove(&host, QPoint(550, 550));
    testsupport::finishAnimations(shown); // the buttons fade out, then hide
    EXPECT_FALSE(deleteButton->isVisible());

    std::unique_ptr<QMenu> menu(shown.createMenu(nullptr));
    QStringList items;
    for (QAction *action : menu->actions()) items.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("Abrir no Editor"), QStringLiteral("Copiar imagem"),
                                  QStringLiteral("Copiar texto do print"), QStringLiteral("Mostrar na pasta"),
                                  QStringLiteral("—"), QStringLiteral("Excluir")}));
    ASSERT_TRUE(menu->actions()[2]->isEnabled());
    menu->actions()[2]->trigger();
    ASSERT_EQ(pasteboard.m_items.size(), 1);
    EXPECT_EQ(pasteboard.m_items.first(), platform::Pasteboard::Item(QStringLiteral("text/plain"), "Olá\nmundo"));
    EXPECT_EQ(toast(), QStringLiteral("Texto copiado — Cole com Ctrl+V"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(opened.count(), 1);

    // A capture whose text is empty when the menu opens offers no text to copy.
    shown.setEntry(entryOf(withoutText));
    std::unique_ptr<QMenu> empty(shown.createMenu(nullptr));
    EXPECT_FALSE(empty->actions()[2]->isEnabled());

    // One element for assistive technology, named after its moment, whose action opens it.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&shown);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Print de 14 de mar. de 2026, 14:04"));
    EXPECT_EQ(accessible->childCount(), 0);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    EXPECT_EQ(accessible->actionInterface()->actionNames(), QStringList{QStringLiteral("Abrir no Editor")});
    accessible->actionInterface()->doAction(QStringLiteral("Abrir no Editor"));
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(opened.last().first().value<HistoryEntry>().path(), withoutText);
}

TEST_F(HistoryCardTest, CopiedSaysSoOnlyOnceTheClipboardHoldsTheImage) {
    const QString good = addCapture(QStringLiteral("a.png"), kTaken, QStringLiteral("x"));
    const QString bad = addCapture(QStringLiteral("b.png"), kTaken.addSecs(-60), QStringLiteral("x"));
    openStores();
    HistoryCard &shown = showCard(good);
    shown.copyImage();
    ASSERT_TRUE(testsupport::becomes([&] { return !pasteboard.m_items.isEmpty(); }));
    EXPECT_EQ(pasteboard.m_items.first().first, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(pasteboard.m_items.first().second).size(), capturePicture().size());
    EXPECT_EQ(toast(), QStringLiteral("Copiado — Cole com Ctrl+V em qualquer app"));

    // A file that can no longer be read leaves the clipboard alone and says so.
    pasteboard.m_items.clear();
    ASSERT_TRUE(platform::writeFileAtomically(bad, "broken"));
    shown.setEntry(entryOf(bad));
    shown.copyImage();
    EXPECT_TRUE(testsupport::becomes([&] { return toast().startsWith(QStringLiteral("Não foi possível copiar")); }));
    EXPECT_EQ(notices.lastKind(), ToastKind::failure);
    EXPECT_TRUE(pasteboard.m_items.isEmpty());

    // The page gives the card another capture while its menu is open: the menu copies the one it
    // was opened for.
    shown.setEntry(entryOf(good));
    std::unique_ptr<QMenu> menu(shown.createMenu(nullptr));
    shown.setEntry(entryOf(bad));
    menu->actions()[1]->trigger();
    ASSERT_TRUE(testsupport::becomes([&] { return !pasteboard.m_items.isEmpty(); }));
    EXPECT_EQ(QImage::fromData(pasteboard.m_items.first().second).size(), capturePicture().size());
    EXPECT_EQ(toast(), QStringLiteral("Copiado — Cole com Ctrl+V em qualquer app"));
}
