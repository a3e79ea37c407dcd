#include "widgets/Segmented.h"

#include "widgets/Theme.h"

#include <QPainter>

namespace {

constexpr int kInset = 3;
constexpr int kSpacing = 4;
constexpr int kItemHeight = 28;
const QColor kSelectedFill(44, 44, 55);

// One item: its label, on the selected fill while chosen; the whole rectangle takes clicks.
class SegmentItem : public QAbstractButton {
public:
    SegmentItem(const QString &text, QWidget *parent) : QAbstractButton(parent) {
        setText(text);
        setCheckable(true);
        setAutoExclusive(false);
        setFont(Theme::font(12));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text()) + 12, kItemHeight}; }

protected:
    void nextCheckState() override {} // the row decides what is chosen
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            p.setPen(Qt::NoPen);
            p.setBrush(kSelectedFill);
            p.drawPath(Theme::continuousRoundedRect(QRectF(rect()), 6));
        }
        p.setPen(isChecked() ? Theme::text() : Theme::text2());
        p.drawText(rect(), Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideRight, width() - 4));
    }
};

} // namespace

SegmentedRow::SegmentedRow(const QStringList &labels, QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto *item = new SegmentItem(labels[i], this);
        connect(item, &QAbstractButton::clicked, this, [this, i] { emit chosen(int(i)); });
        m_items.append(item);
    }
}

void SegmentedRow::setSelectedIndex(int index) {
    m_selected = index >= 0 && index < m_items.size() ? index : -1;
    for (qsizetype i = 0; i < m_items.size(); ++i) m_items[i]->setChecked(i == m_selected);
}

QSize SegmentedRow::sizeHint() const {
    int width = 2 * kInset + kSpacing * int(std::max<qsizetype>(0, m_items.size() - 1));
    for (const QAbstractButton *item : m_items) width += item->sizeHint().width();
    return {width, kItemHeight + 2 * kInset};
}

QSize SegmentedRow::minimumSizeHint() const { return {2 * kInset, kItemHeight + 2 * kInset}; }

void SegmentedRow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    const int n = int(m_items.size());
    if (n == 0) return;
    const qreal inner = width() - 2 * kInset - kSpacing * (n - 1);
    const qreal each = inner / n;
    for (int i = 0; i < n; ++i) {
        const int left = kInset + qRound(i * (each + kSpacing));
        const int right = kInset + qRound(i * (each + kSpacing) + each);
        m_items[i]->setGeometry(left, kInset, right - left, kItemHeight);
    }
}

void SegmentedRow::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath track = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9);
    p.setPen(QPen(Theme::line(), 1));
    p.setBrush(Theme::raised());
    p.drawPath(track);
}
