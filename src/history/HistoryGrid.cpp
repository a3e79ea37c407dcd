#include "history/HistoryGrid.h"

#include "history/HistoryCard.h"
#include "history/HistoryPeriod.h"
#include "history/HistoryStore.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kScrollStep = 40;

int headingHeight() {
    static const int height = SectionLabel(QString()).sizeHint().height();
    return height;
}

} // namespace

HistoryGrid::HistoryGrid(HistoryStore &history, QWidget *parent) : QAbstractScrollArea(parent), m_history(history) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::ClickFocus);
    verticalScrollBar()->setSingleStep(kScrollStep);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void HistoryGrid::setContent(Content content) {
    m_content = std::move(content);
    m_headingTexts.clear();
    m_snippets.clear();
    layOut();
    // Cards that stay on screen keep their widget and picture and take the new snippet and marks.
    placeShown();
}

void HistoryGrid::setSelectedPath(const QString &path) {
    m_selected = path;
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it) it.value()->setSelected(it.key() == path);
}

void HistoryGrid::scrollToTop() { verticalScrollBar()->setValue(0); }

QList<HistoryCard *> HistoryGrid::shownCards() const {
    QList<HistoryCard *> cards = m_shown.values();
    std::sort(cards.begin(), cards.end(),
              [](HistoryCard *a, HistoryCard *b) { return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x()); });
    return cards;
}

HistoryCard *HistoryGrid::cardOf(const QString &path) const { return m_shown.value(path); }

QList<SectionLabel *> HistoryGrid::shownHeadings() const {
    QList<SectionLabel *> headings = m_shownHeadings.values();
    std::sort(headings.begin(), headings.end(), [](SectionLabel *a, SectionLabel *b) { return a->y() < b->y(); });
    return headings;
}

void HistoryGrid::layOut() {
    const bool withSnippet = m_content.searching;
    m_layout.layOut(m_content.sections, viewport()->width(), headingHeight(),
                    [withSnippet](int width) { return HistoryCard::heightFor(width, withSnippet); });
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    // Setting the range clamps the value, which scrolls and places what is shown.
    bar->setRange(0, std::max(0, m_layout.height() - viewport()->height()));
}

void HistoryGrid::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    layOut();
    placeShown();
}

void HistoryGrid::scrollContentsBy(int, int) { placeShown(); }

void HistoryGrid::paintEvent(QPaintEvent *event) { QPainter(viewport()).fillRect(event->rect(), Theme::bg()); }

void HistoryGrid::placeShown() {
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    placeCards(top, bottom);
    placeHeadings(top, bottom);
}

void HistoryGrid::placeCards(int top, int bottom) {
    QHash<QString, HistoryCard *> shown;
    QList<HistoryGridLayout::Card> arriving;
    for (const HistoryGridLayout::Card &placed : m_layout.cardsBetween(top, bottom)) {
        const HistoryEntry &entry = m_content.entries[placed.index];
        HistoryCard *card = m_shown.take(entry.path());
        if (!card) {
            arriving.append(placed);
            continue;
        }
        card->setGeometry(placed.rect.translated(0, -top));
        bindCard(card, entry);
        shown.insert(entry.path(), card);
    }
    // What scrolled away lets go of its capture before the arriving ones take the cards.
    for (HistoryCard *card : std::as_const(m_shown)) {
        card->hide();
        card->setEntry(HistoryEntry());
    }
    m_shown = std::move(shown);
    // Their pictures are asked for together in reading order, so the top cards, where the eye lands,
    // get theirs first.
    const PictureService::Batch pictures = m_history.thumbnailBatch();
    for (const HistoryGridLayout::Card &placed : std::as_const(arriving)) {
        const HistoryEntry &entry = m_content.entries[placed.index];
        HistoryCard *card = takeFreeCard();
        card->setGeometry(placed.rect.translated(0, -top));
        bindCard(card, entry);
        card->show();
        m_shown.insert(entry.path(), card);
    }
}

HistoryCard *HistoryGrid::takeFreeCard() {
    for (HistoryCard *card : std::as_const(m_cards)) {
        if (card->entry().path().isEmpty()) return card;
    }
    auto *card = new HistoryCard(m_history, viewport());
    connect(card, &HistoryCard::selectRequested, this, &HistoryGrid::selectRequested);
    connect(card, &HistoryCard::openRequested, this, &HistoryGrid::openRequested);
    connect(card, &HistoryCard::deleteRequested, this, &HistoryGrid::deleteRequested);
    m_cards.append(card);
    return card;
}

void HistoryGrid::bindCard(HistoryCard *card, const HistoryEntry &entry) {
    card->setEntry(entry);
    std::optional<QString> snippet;
    if (m_content.searching) {
        auto known = m_snippets.constFind(entry.path());
        if (known == m_snippets.cend())
            known = m_snippets.insert(entry.path(), m_history.snippet(entry, m_content.query));
        snippet = *known;
    }
    card->setSnippet(snippet, m_content.query);
    card->setSelected(entry.path() == m_selected);
}

void HistoryGrid::placeHeadings(int top, int bottom) {
    QHash<qsizetype, SectionLabel *> shown;
    QList<HistoryGridLayout::Heading> arriving;
    for (const HistoryGridLayout::Heading &placed : m_layout.headingsBetween(top, bottom)) {
        SectionLabel *label = m_shownHeadings.take(placed.section);
        if (!label) {
            arriving.append(placed);
            continue;
        }
        label->setGeometry(placed.rect.translated(0, -top));
        label->setText(headingText(placed.section));
        shown.insert(placed.section, label);
    }
    QList<SectionLabel *> free = m_shownHeadings.values();
    for (SectionLabel *label : std::as_const(free)) label->hide();
    for (SectionLabel *label : std::as_const(m_headings)) {
        if (label->isHidden() && !free.contains(label)) free.append(label);
    }
    m_shownHeadings = std::move(shown);
    for (const HistoryGridLayout::Heading &placed : std::as_const(arriving)) {
        SectionLabel *label = free.isEmpty() ? nullptr : free.takeFirst();
        if (!label) {
            label = new SectionLabel(QString(), viewport());
            m_headings.append(label);
        }
        label->setText(headingText(placed.section));
        label->setGeometry(placed.rect.translated(0, -top));
        label->show();
        m_shownHeadings.insert(placed.section, label);
    }
}

QString HistoryGrid::headingText(qsizetype section) {
    auto known = m_headingTexts.constFind(section);
    if (known == m_headingTexts.cend())
        known = m_headingTexts.insert(section, dayTitle(m_content.sections[section].day, m_content.today));
    return *known;
}
