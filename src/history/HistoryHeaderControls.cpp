#include "history/HistoryHeaderControls.h"

#include "core/Localization.h"
#include "widgets/Icons.h"
#include "widgets/Segmented.h"
#include "widgets/SymbolButton.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr int kSearchBoxHeight = 32;
constexpr qreal kSearchBoxRadius = 8;

} // namespace

HistorySearchBox::HistorySearchBox(QWidget *parent) : QWidget(parent) {
    setFixedHeight(kSearchBoxHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(8);
    auto *magnifier = new QLabel(this);
    magnifier->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), 12, Theme::text3(), devicePixelRatioF()));
    row->addWidget(magnifier);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("searchField"));
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
    m_hint->setObjectName(QStringLiteral("keyHint"));
    row->addWidget(m_hint);
    m_clear = new SymbolButton(QStringLiteral("xmark.circle.fill"), L("Limpar a busca"), 16, Theme::text3(), this);
    m_clear->setObjectName(QStringLiteral("clearButton"));
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
    const QPainterPath shape =
        Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kSearchBoxRadius);
    p.fillPath(shape, Theme::raised());
    p.strokePath(shape, QPen(m_field->hasFocus() ? Theme::accentLine() : Theme::line(), 1));
}

Segmented<HistoryPeriod> *newPeriodSwitch(QWidget *parent) {
    auto *periods = new Segmented<HistoryPeriod>(allHistoryPeriods(), periodLabel, parent);
    periods->setLook(SegmentedRow::Look::fitted);
    periods->setValue(HistoryPeriod::all);
    return periods;
}
