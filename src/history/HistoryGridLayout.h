#pragma once

#include "history/HistoryEntry.h"

#include <QList>
#include <QRect>

#include <functional>

// Where the history page puts its day headings and cards, worked out by arithmetic alone, so that a
// list of ten thousand captures costs no widget and no measuring per entry. Top to bottom: 22 px of
// padding, then per day a heading, 12 px, and a grid of as many columns of cards 210 to 300 px wide
// as fit (16 px apart, rows 18 px apart, aligned to the leading edge), days 26 px apart, 22 px of
// padding; 28 px on either side. Every card of a layout has the same height.
class HistoryGridLayout {
public:
    static constexpr int paddingX = 28;
    static constexpr int paddingY = 22;
    static constexpr int daySpacing = 26;
    static constexpr int headingSpacing = 12;
    static constexpr int columnSpacing = 16;
    static constexpr int rowSpacing = 18;
    static constexpr int minCardWidth = 210;
    static constexpr int maxCardWidth = 300;

    struct Card {
        qsizetype index = 0; // into the entries the sections were made from
        QRect rect;
    };
    struct Heading {
        qsizetype section = 0;
        QRect rect;
    };

    // Lays `sections` out across `width`; a card as wide as its argument is `cardHeight` high, a
    // heading `headingHeight`.
    void layOut(const QList<HistoryDaySection> &sections, int width, int headingHeight,
                const std::function<int(int cardWidth)> &cardHeight);

    int columns() const { return m_columns; }
    int cardWidth() const { return m_cardWidth; }
    int cardHeight() const { return m_cardHeight; }
    // The height of everything laid out, paddings included.
    int height() const { return m_height; }

    // What meets the rows from `top` to `bottom` (exclusive), in order.
    QList<Heading> headingsBetween(int top, int bottom) const;
    QList<Card> cardsBetween(int top, int bottom) const;
    // Where the card of an entry lies; an empty rectangle for an index outside the sections.
    QRect cardRect(qsizetype index) const;

private:
    struct Placed {
        HistoryDaySection section;
        int top = 0;     // of the heading
        int gridTop = 0; // of the first row of cards
        int bottom = 0;  // of the last row
    };
    // The first section whose bottom lies below `y`.
    qsizetype sectionAt(int y) const;
    QRect rectInSection(const Placed &placed, qsizetype offset) const;

    QList<Placed> m_sections;
    int m_headingHeight = 0;
    int m_columns = 1;
    int m_cardWidth = 0;
    int m_cardHeight = 0;
    int m_height = 0;
};
