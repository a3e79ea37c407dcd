#pragma once

#include "history/HistoryEntry.h"
#include "history/HistoryGridLayout.h"

#include <QAbstractScrollArea>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class HistoryCard;
class HistoryStore;
class SectionLabel;

// The history page's list: the found captures under their day headings, in a scroll area whose
// layout is arithmetic (HistoryGridLayout). Only what is on screen exists as widgets: a few cards and
// headings are made and handed from entry to entry as the list scrolls, never one per entry. Cards
// ask the store for their snippet while the page searches. Main thread only.
class HistoryGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Content {
        QList<HistoryEntry> entries; // newest first
        QList<HistoryDaySection> sections;
        QString query;          // as typed; marked on the cards
        bool searching = false; // cards show snippets
        QDate today;            // for the headings
    };

    explicit HistoryGrid(HistoryStore &history, QWidget *parent = nullptr);

    // Shows new content, keeping the scroll position as far as it still reaches.
    void setContent(Content content);
    const Content &content() const { return m_content; }
    void setSelectedPath(const QString &path);
    void scrollToTop();

    // The cards on screen, in reading order; the card of `path` when it is on screen.
    QList<HistoryCard *> shownCards() const;
    HistoryCard *cardOf(const QString &path) const;
    // The headings on screen, in order.
    QList<SectionLabel *> shownHeadings() const;
    // Every card made so far, shown or waiting to be reused.
    int cardsMade() const { return int(m_cards.size()); }

signals:
    void selectRequested(const HistoryEntry &entry);
    void openRequested(const HistoryEntry &entry);
    void deleteRequested(const HistoryEntry &entry);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void layOut();
    // Hands the cards and headings to what lies on screen now.
    void placeShown();
    void placeCards(int top, int bottom);
    void placeHeadings(int top, int bottom);
    HistoryCard *takeFreeCard();
    void bindCard(HistoryCard *card, const HistoryEntry &entry);
    QString headingText(qsizetype section);

    HistoryStore &m_history;
    Content m_content;
    HistoryGridLayout m_layout;
    QString m_selected;
    QList<HistoryCard *> m_cards;          // every card made
    QHash<QString, HistoryCard *> m_shown; // by path
    QList<SectionLabel *> m_headings;      // every heading made
    QHash<qsizetype, SectionLabel *> m_shownHeadings;
    QHash<qsizetype, QString> m_headingTexts;          // per section of the content
    QHash<QString, std::optional<QString>> m_snippets; // per path, for the content's query
};
