#include "brand_window/BrandCard.h"

#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

BrandCard::BrandCard(const QString &title, const QString &subtitle, int contentSpacing, QWidget *parent)
    : QWidget(parent) {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 18, 18, 18);
    outer->setSpacing(16);
    m_header = new QHBoxLayout;
    m_header->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(themedLabel(title, Theme::font(14, QFont::DemiBold), Theme::text(), this));
    QLabel *sub = themedLabel(subtitle, Theme::font(12), Theme::text3(), this);
    sub->setWordWrap(true);
    titles->addWidget(sub);
    m_header->addLayout(titles, 1);
    m_header->addSpacing(8);
    outer->addLayout(m_header);
    m_content = new QVBoxLayout;
    m_content->setSpacing(contentSpacing);
    outer->addLayout(m_content);
}

void BrandCard::setAccessory(QWidget *accessory) { m_header->addWidget(accessory, 0, Qt::AlignTop); }

void BrandCard::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12);
    p.fillPath(shape, Theme::panel());
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(shape);
}

FieldLabel::FieldLabel(const QString &text, QWidget *parent) : PlainLabel(text, parent) {
    setFont(Theme::font(12, QFont::Medium));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Theme::text2());
    setPalette(palette);
}
