#include "app/PrefRow.h"

#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

PrefRow::PrefRow(const QString &title, const QString &detail, QWidget *control, QWidget *parent) : QWidget(parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 10, 0, 10);
    row->setSpacing(16);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    m_title = themedLabel(title, Theme::font(14), Theme::text(), this);
    m_detail = wrappingLabel(QString(), Theme::font(12), Theme::text3(), this);
    m_detail->setObjectName(QStringLiteral("detail"));
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    row->addLayout(texts, 1);
    control->setParent(this);
    control->setObjectName(QStringLiteral("control"));
    row->addWidget(control, 0, Qt::AlignVCenter);
    setDetail(detail);
}

QString PrefRow::title() const { return m_title->text(); }

void PrefRow::setDetail(const QString &detail) {
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

void PrefRow::setDetailIsWarning(bool warning) {
    QPalette palette = m_detail->palette();
    palette.setColor(QPalette::WindowText, warning ? Theme::warning() : Theme::text3());
    m_detail->setPalette(palette);
}

void PrefRow::paintEvent(QPaintEvent *) { QPainter(this).fillRect(QRect(0, height() - 1, width(), 1), Theme::line()); }
