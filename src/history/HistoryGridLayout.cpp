#include "history/HistoryGridLayout.h"

#include <algorithm>

void HistoryGridLayout::layOut(const QList<HistoryDaySection> &sections, int width, int headingHeight,
                               const std::function<int(int)> &cardHeight) {
    const int room = std::max(1, width - 2 * paddingX);
    // As many columns as fit at the narrowest width, then widened to share the row, up to the widest.
    m_columns = std::max(1, (room + columnSpacing) / (minCardWidth + columnSpacing));
    m_cardWidth = std::min(maxCardWidth, (room - (m_columns - 1) * columnSpacing) / m_columns);
    m_cardWidth = std::max(1, m_cardWidth);
    m_cardHeight = cardHeight(m_cardWidth);
    m_headingHeight = headingHeight;

    m_sections.clear();
    m_sections.reserve(sections.size());
    int y = paddingY;
    for (const HistoryDaySection &section : sections) {
        Placed placed{section, y, y + headingHeight + headingSpacing, 0};
        const qsizetype rows = (section.count + m_columns - 1) / m_columns;
        placed.bottom = placed.gridTop + int(rows) * m_cardHeight + int(std::max<qsizetype>(0, rows - 1)) * rowSpacing;
        m_sections.append(placed);
        y = placed.bottom + daySpacing;
    }
    m_height = sections.isEmpty() ? 0 : y - daySpacing + paddingY;
}

qsizetype HistoryGridLayout::sectionAt(int y) const {
    const auto it = std::upper_bound(m_sections.cbegin(), m_sections.cend(), y,
                                     [](int value, const Placed &placed) { return value < placed.bottom; });
    return it - m_sections.cbegin();
}

QRect HistoryGridLayout::rectInSection(const Placed &placed, qsizetype offset) const {
    const int row = int(offset / m_columns), column = int(offset % m_columns);
    return {paddingX + column * (m_cardWidth + columnSpacing), placed.gridTop + row * (m_cardHeight + rowSpacing),
            m_cardWidth, m_cardHeight};
}

QList<HistoryGridLayout::Heading> HistoryGridLayout::headingsBetween(int top, int bottom) const {
    QList<Heading> found;
    for (qsizetype i = sectionAt(top); i < m_sections.size() && m_sections[i].top < bottom; ++i) {
        const QRect rect(paddingX, m_sections[i].top,
                         std::max(0, m_columns * (m_cardWidth + columnSpacing) - columnSpacing), m_headingHeight);
        if (rect.bottom() >= top) found.append({i, rect});
    }
    return found;
}

QList<HistoryGridLayout::Card> HistoryGridLayout::cardsBetween(int top, int bottom) const {
    QList<Card> found;
    const int rowStep = m_cardHeight + rowSpacing;
    for (qsizetype i = sectionAt(top); i < m_sections.size() && m_sections[i].gridTop < bottom; ++i) {
        const Placed &placed = m_sections[i];
        // The first row that ends below `top`.
        const int above = top - placed.gridTop - m_cardHeight;
        const int firstRow = above < 0 ? 0 : above / rowStep + 1;
        for (qsizetype offset = qsizetype(firstRow) * m_columns; offset < placed.section.count; ++offset) {
            const QRect rect = rectInSection(placed, offset);
            if (rect.top() >= bottom) break;
            if (rect.bottom() >= top) found.append({placed.section.first + offset, rect});
        }
    }
    return found;
}

QRect HistoryGridLayout::cardRect(qsizetype index) const {
    const auto it =
        std::upper_bound(m_sections.cbegin(), m_sections.cend(), index, [](qsizetype value, const Placed &placed) {
            return value < placed.section.first + placed.section.count;
        });
    if (it == m_sections.cend() || index < it->section.first) return {};
    return rectInSection(*it, index - it->section.first);
}
