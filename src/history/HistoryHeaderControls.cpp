#include "history/HistoryHeaderControls.h"

#include "core/Localization.h"
#include "widgets/Icons.h"
#include "widgets/SymbolButton.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr int kBoxHeight = 32;
constexpr qreal kBoxRadius = 8;
constexpr qreal kSwitchRadius = 9;
constexpr qreal kSegmentRadius = 6;
constexpr int kSegmentHeight = 26;
constexpr int kSegmentPadding = 10;
const QColor kCurrentSegment(44, 44, 55);

// One segment of the period switch.
class Segment final : public QAbstractButton {
public:
    Segment(const QString &label, QWidget *parent) : QAbstractButton(parent) {
        setText(label);
        setCheckable(true);
        setAutoExclusive(true);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(label);
        setFixedSize(sizeHint());
    }
    QSize sizeHint() const override {
        // As wide as the bold label, so that choosing a segment never moves its neighbours.
        return {QFontMetrics(Theme::font(12, QFont::DemiBold)).horizontalAdvance(text()) + 2 * kSegmentPadding,
                kSegmentHeight};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) p.fillPath(Theme::continuousRoundedRect(QRectF(rect()), kSegmentRadius), kCurrentSegment);
        p.setFont(Theme::font(12, isChecked() ? QFont::DemiBold : QFont::Normal));
        p.setPen(isChecked() ? Theme::text() : Theme::text2());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

HistorySearchBox::HistorySearchBox(QWidget *parent) : QWidget(parent) {
    setFixedHeight(kBoxHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(8);
    auto *magnifier = new QLabel(this);
    magnifier->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), 12, Theme::text3(), devicePixelRatioF()));
    row->addWidget(magnifier);
    m_field = new QLineEdit(this);
    m_field->setFrame(false);
    m_field->setPlaceholderText(L("Buscar pelo texto dentro dos prints"));
    m_field->setFont(Theme::font(13));
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::text());
    palette.setColor(QPalette::PlaceholderText, Theme::text3());
    m_field->setPalette(palette);
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->installEventFilter(this);
    row->addWidget(m_field, 1);
    // Key caps are written as they are, not looked up.
    m_hint = themedLabel(QStringLiteral("Ctrl+F"), Theme::monospaceFont(11), Theme::text3(), this);
    row->addWidget(m_hint);
    m_clear = new SymbolButton(QStringLiteral("xmark.circle.fill"), L("Limpar a busca"), 16, Theme::text3(), this);
    m_clear->hide();
    connect(m_clear, &QAbstractButton::clicked, m_field, &QLineEdit::clear);
    row->addWidget(m_clear);
}

void HistorySearchBox::setSearching(bool searching) {
    m_hint->setVisible(!searching);
    m_clear->setVisible(searching);
}

bool HistorySearchBox::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_field) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) update();
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_field->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HistorySearchBox::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kBoxRadius);
    p.fillPath(shape, Theme::raised());
    p.strokePath(shape, QPen(m_field->hasFocus() ? Theme::accentLine() : Theme::line(), 1));
}

HistoryPeriodSwitch::HistoryPeriodSwitch(QWidget *parent) : QWidget(parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(4);
    for (HistoryPeriod period : allHistoryPeriods()) {
        auto *segment = new Segment(periodLabel(period), this);
        segment->setChecked(period == m_period);
        connect(segment, &QAbstractButton::clicked, this, [this, period] {
            setPeriod(period);
            emit chosen(period);
        });
        row->addWidget(segment);
        m_buttons.insert(period, segment);
    }
    setFixedSize(sizeHint());
}

void HistoryPeriodSwitch::setPeriod(HistoryPeriod period) {
    m_period = period;
    m_buttons.value(period)->setChecked(true);
}

void HistoryPeriodSwitch::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kSwitchRadius);
    p.fillPath(shape, Theme::raised());
    p.strokePath(shape, QPen(Theme::line(), 1));
}
