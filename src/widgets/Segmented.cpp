#include "widgets/Segmented.h"

#include "widgets/ControlState.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

const QColor kSelectedFill(44, 44, 55);

struct Metrics {
    int inset;   // between the track's edge and the items
    int spacing; // between two items
    int itemHeight;
};

Metrics metricsOf(SegmentedRow::Look look) {
    switch (look) {
    case SegmentedRow::Look::filled: break;
    case SegmentedRow::Look::fitted: return {3, 4, 26};
    case SegmentedRow::Look::thumb: return {2, 0, 22};
    }
    return {3, 4, 28};
}

QFont boldTitleFont() { return Theme::font(12, QFont::DemiBold); }

// One item: its label, on the selected fill while chosen (in the thumb look the row paints the thumb);
// the whole rectangle takes clicks.
class SegmentItem : public QAbstractButton {
public:
    SegmentItem(const QString &text, SegmentedRow *row) : QAbstractButton(row), m_row(row) {
        setText(text);
        setCheckable(true);
        setAutoExclusive(false);
        setFont(Theme::font(12));
        ControlState::pointWhileEnabled(this);
        setFocusPolicy(Qt::TabFocus);
    }
    QSize sizeHint() const override {
        const SegmentedRow::Look look = m_row->look();
        const int width = look == SegmentedRow::Look::fitted
                              ? QFontMetrics(boldTitleFont()).horizontalAdvance(text()) + 20
                              : fontMetrics().horizontalAdvance(text()) + 12;
        return {width, metricsOf(look).itemHeight};
    }

protected:
    void nextCheckState() override {} // the row decides what is chosen
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        ControlState::dimWhileDisabled(p, *this);
        const SegmentedRow::Look look = m_row->look();
        if (look != SegmentedRow::Look::thumb && isChecked()) {
            p.setPen(Qt::NoPen);
            p.setBrush(kSelectedFill);
            p.drawPath(Theme::continuousRoundedRect(QRectF(rect()), 6));
        }
        if (look != SegmentedRow::Look::filled && isChecked()) p.setFont(boldTitleFont());
        p.setPen(isChecked() ? Theme::text() : Theme::text2());
        drawLaidOutLine(p, QRectF(rect()).adjusted(2, 0, -2, 0), Qt::AlignCenter, text(), true);
    }

private:
    const SegmentedRow *m_row;
};

} // namespace

SegmentedRow::SegmentedRow(const QStringList &labels, QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto *item = new SegmentItem(labels[i], this);
        item->setObjectName(QStringLiteral("segment%1").arg(i));
        connect(item, &QAbstractButton::clicked, this, [this, i] { emit chosen(int(i)); });
        m_items.append(item);
    }
}

void SegmentedRow::setSelectedIndex(int index) {
    m_selected = index >= 0 && index < m_items.size() ? index : -1;
    for (qsizetype i = 0; i < m_items.size(); ++i) m_items[i]->setChecked(i == m_selected);
    update();
}

void SegmentedRow::setLook(Look look) {
    m_look = look;
    const bool thumb = look == Look::thumb;
    const bool rowTakesKeys = look != Look::filled;
    setFocusPolicy(rowTakesKeys ? Qt::StrongFocus : Qt::NoFocus);
    const QSizePolicy::Policy across = look == Look::filled   ? QSizePolicy::Expanding
                                       : look == Look::fitted ? QSizePolicy::Fixed
                                                              : QSizePolicy::Preferred;
    setSizePolicy(across, QSizePolicy::Fixed);
    if (thumb) setCursor(Qt::PointingHandCursor);
    else unsetCursor();
    for (QAbstractButton *item : m_items) item->setFocusPolicy(rowTakesKeys ? Qt::NoFocus : Qt::TabFocus);
    updateGeometry();
    layoutItems();
    update();
}

QSize SegmentedRow::sizeHint() const {
    const Metrics m = metricsOf(m_look);
    const int n = int(m_items.size());
    int width = 2 * m.inset + m.spacing * std::max(0, n - 1);
    if (m_look == Look::thumb) { // equal segments, each wide enough for the widest title in bold
        const QFontMetrics bold(boldTitleFont());
        int widest = 0;
        for (const QAbstractButton *item : m_items) widest = std::max(widest, bold.horizontalAdvance(item->text()));
        width += n * (widest + 24);
    } else {
        for (const QAbstractButton *item : m_items) width += item->sizeHint().width();
    }
    return {width, m.itemHeight + 2 * m.inset};
}

QSize SegmentedRow::minimumSizeHint() const {
    const Metrics m = metricsOf(m_look);
    return {2 * m.inset, m.itemHeight + 2 * m.inset};
}

void SegmentedRow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutItems();
}

void SegmentedRow::layoutItems() {
    const int n = int(m_items.size());
    if (n == 0) return;
    const Metrics m = metricsOf(m_look);
    if (m_look == Look::fitted) {
        int left = m.inset;
        for (QAbstractButton *item : m_items) {
            item->setGeometry(left, m.inset, item->sizeHint().width(), m.itemHeight);
            left += item->width() + m.spacing;
        }
        return;
    }
    const qreal inner = width() - 2 * m.inset - m.spacing * (n - 1);
    const qreal each = inner / n;
    for (int i = 0; i < n; ++i) {
        const int left = m.inset + qRound(i * (each + m.spacing));
        const int right = m.inset + qRound(i * (each + m.spacing) + each);
        m_items[i]->setGeometry(left, m.inset, right - left, m.itemHeight);
    }
}

void SegmentedRow::keyPressEvent(QKeyEvent *event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (m_look == Look::filled || step == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int next = m_selected + step;
    if (next >= 0 && next < m_items.size()) emit chosen(next);
}

void SegmentedRow::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_look == Look::thumb) {
        paintThumb(p);
        return;
    }
    const QPainterPath track = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9);
    p.setPen(QPen(Theme::line(), 1));
    p.setBrush(Theme::raised());
    p.drawPath(track);
}

void SegmentedRow::paintThumb(QPainter &p) const {
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath track = Theme::continuousRoundedRect(outer, 7);
    p.fillPath(track, Theme::raised());
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(track);
    for (int i = 1; i < m_items.size(); ++i) // dividers, hidden beside the thumb
        if (i != m_selected && i != m_selected + 1) {
            const qreal x = m_items[i]->geometry().left();
            p.drawLine(QPointF(x, outer.top() + 6), QPointF(x, outer.bottom() - 6));
        }
    if (m_selected < 0) return;
    const QPainterPath thumb = Theme::continuousRoundedRect(QRectF(m_items[m_selected]->geometry()), 5);
    SoftShadow::paint(p, thumb, QColor(0, 0, 0, 70), 2, QPointF(0, 1));
    p.fillPath(thumb, kSelectedFill);
    p.fillPath(thumb, Theme::accentSoft());
    if (hasFocus()) {
        p.setPen(QPen(Theme::accentLine(), 1));
        p.drawPath(thumb);
    }
}
