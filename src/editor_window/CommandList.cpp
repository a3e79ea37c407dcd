#include "editor_window/CommandList.h"

#include "core/Localization.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int kPadding = 8, kSpacing = 2, kEmptyPadding = 16;
constexpr int kRowInset = 12, kSwatch = 22;

int headerTextHeight() { return QFontMetrics(SectionLabel::headingFont()).height(); }

} // namespace

CommandList::CommandList(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("commandList"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CommandList::setRows(QList<EditorCommand> rows, int selection) {
    m_rows = std::move(rows);
    m_selection = selection;
    m_pressed.reset();
    m_current = L("atual");
    relayout();
    update();
}

void CommandList::setSelection(int selection) {
    if (selection == m_selection) return;
    const QRect before = rowRect(m_selection);
    m_selection = selection;
    update(before);
    update(rowRect(selection));
}

void CommandList::relayout() {
    m_rowTops.clear();
    m_headers.clear();
    int y = kPadding;
    if (m_rows.isEmpty()) {
        y += kEmptyPadding * 2 + QFontMetrics(Theme::font(13)).height();
    }
    const int text = headerTextHeight();
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (i > 0) y += kSpacing;
        // A header wherever the group changes from the row above (plain comparison, so a group that
        // comes back gets its header again).
        if (i == 0 || m_rows[i].group != m_rows[i - 1].group) {
            y += i == 0 ? 6 : 12;
            m_headers.append({y, m_rows[i].group.toUpper()});
            y += text + 4 + kSpacing;
        }
        m_rowTops.append(y);
        y += rowHeight;
    }
    m_height = y + kPadding;
    setFixedHeight(m_height);
    updateGeometry();
}

QRect CommandList::rowRect(int index) const {
    if (index < 0 || index >= m_rowTops.size()) return {};
    return {kPadding, m_rowTops[index], width() - 2 * kPadding, rowHeight};
}

std::optional<int> CommandList::rowAt(QPoint point) const {
    // Rows are in order of their tops: the last one starting at or above the point.
    const auto after = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), point.y());
    if (after == m_rowTops.begin()) return std::nullopt;
    const int index = int(after - m_rowTops.begin()) - 1;
    return rowRect(index).contains(point) ? std::optional<int>(index) : std::nullopt;
}

void CommandList::mousePressEvent(QMouseEvent *event) {
    m_pressed = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : std::nullopt;
}

void CommandList::mouseReleaseEvent(QMouseEvent *event) {
    const std::optional<int> pressed = std::exchange(m_pressed, std::nullopt);
    if (pressed && event->button() == Qt::LeftButton && rowAt(event->position().toPoint()) == pressed)
        emit rowClicked(*pressed);
}

void CommandList::paintEvent(QPaintEvent *event) {
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const QRect exposed = event->rect();
    if (m_rows.isEmpty()) {
        p.setFont(Theme::font(13));
        p.setPen(Theme::text3());
        p.drawText(QRect(kPadding + kEmptyPadding, kPadding + kEmptyPadding, width(), height()),
                   Qt::AlignLeft | Qt::AlignTop, L("Nenhum comando encontrado."));
        return;
    }
    p.setFont(SectionLabel::headingFont());
    p.setPen(Theme::text3());
    const int text = headerTextHeight();
    for (const Header &h : m_headers) {
        const QRect r(kPadding + 12, h.y, width() - 2 * kPadding - 24, text);
        if (r.intersects(exposed)) p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, h.text);
    }
    // Only the rows in the exposed band are drawn.
    const auto first = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), exposed.top() - rowHeight);
    for (auto it = first; it != m_rowTops.end() && *it <= exposed.bottom(); ++it) {
        const int index = int(it - m_rowTops.begin());
        paintRow(p, index, rowRect(index));
    }
}

void CommandList::paintRow(QPainter &p, int index, const QRect &rect) const {
    const EditorCommand &row = m_rows[index];
    const bool selected = index == m_selection;
    if (selected) {
        const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 10);
        p.fillPath(shape, Theme::accentSoft());
        QColor line = Theme::accentLine();
        line.setAlphaF(line.alphaF() * 0.7);
        p.setPen(QPen(line, 1));
        p.drawPath(shape);
    }
    int x = rect.left() + kRowInset;
    const int right = rect.right() - kRowInset;
    if (row.backdrop) {
        const QRect tile(x, rect.center().y() - kSwatch / 2 + 1, kSwatch, kSwatch);
        p.drawPixmap(tile, swatch(*row.backdrop));
        p.setPen(QPen(Theme::lineStrong(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Theme::continuousRoundedRect(QRectF(tile).adjusted(0.5, 0.5, -0.5, -0.5), 6));
        x += kSwatch + 12;
    }
    int end = right;
    if (!row.shortcut.isEmpty()) {
        if (row.shortcut == m_current) {
            p.setFont(Theme::font(12));
            p.setPen(Theme::text3());
            const int w = p.fontMetrics().horizontalAdvance(row.shortcut);
            p.drawText(QRect(right - w, rect.top(), w, rect.height()), Qt::AlignVCenter, row.shortcut);
            end = right - w - 12;
        } else {
            const QSize cap = Keycap::faceSize(row.shortcut, Keycap::Size::small);
            Keycap::paint(p, QPointF(right - cap.width(), rect.center().y() - cap.height() / 2.0 + 0.5), row.shortcut,
                          Keycap::Size::small);
            end = right - cap.width() - 12;
        }
    }
    p.setFont(Theme::font(14));
    p.setPen(selected ? Theme::text() : QColor(200, 200, 210));
    const QRect title(x, rect.top(), std::max(0, end - x), rect.height());
    p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(row.title, Qt::ElideRight, title.width()));
}

const QPixmap &CommandList::swatch(const Backdrop &backdrop) const {
    auto found = m_swatches.find(backdrop.id);
    if (found != m_swatches.end()) return *found;
    const qreal ratio = devicePixelRatioF();
    QPixmap tile(QSize(kSwatch, kSwatch) * ratio);
    tile.setDevicePixelRatio(ratio);
    tile.fill(Qt::transparent);
    QPainter p(&tile);
    BackdropSwatch::paint(p, QRectF(0, 0, kSwatch, kSwatch), backdrop, 6);
    p.end();
    return *m_swatches.insert(backdrop.id, tile);
}
