#include "widgets/ToggleRow.h"

#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

ToggleRow::ToggleRow(const QString &title, bool last, QWidget *parent)
    : QWidget(parent), m_title(themedLabel(title, Theme::font(13), Theme::text(), this)),
      m_switch(new ToggleSwitch(this)), m_last(last) {
    m_switch->setObjectName(QStringLiteral("toggle"));
    setFixedHeight(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_title);
    row->addStretch(1);
    row->addWidget(m_switch);
    m_switch->setAccessibleName(title);
    setToolTip(title);
    connect(m_switch, &QAbstractButton::clicked, this, &ToggleRow::toggled);
}

bool ToggleRow::isOn() const { return m_switch->isChecked(); }

void ToggleRow::setOn(bool on) {
    const QSignalBlocker quiet(m_switch);
    m_switch->setChecked(on);
}

QString ToggleRow::title() const { return m_title->text(); }

void ToggleRow::setHelp(const QString &help) { setToolTip(help.isEmpty() ? m_title->text() : help); }

void ToggleRow::setAvailable(bool available) {
    if (available == m_available) return;
    m_available = available;
    // Dimmed by its colours (the switch dims itself when it takes no clicks), not by an opacity
    // effect, which would draw the row off screen and blend it in at every paint.
    m_switch->setEnabled(available);
    QColor title = Theme::text();
    if (!available) title.setAlphaF(title.alphaF() * 0.5);
    QPalette palette = m_title->palette();
    palette.setColor(QPalette::WindowText, title);
    m_title->setPalette(palette);
}

void ToggleRow::paintEvent(QPaintEvent *) {
    if (m_last) return;
    QPainter p(this);
    p.fillRect(QRect(0, height() - 1, width(), 1), Theme::line());
}
