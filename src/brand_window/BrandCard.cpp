#include "brand_window/BrandCard.h"

#include "brand/BrandStore.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
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

BrandKitCard::BrandKitCard(BrandStore &brand, const QString &title, const QString &subtitle, int contentSpacing,
                           QWidget *parent)
    : BrandCard(title, subtitle, contentSpacing, parent), m_brand(brand) {}

void BrandKitCard::refresh() {
    m_syncing = true;
    sync();
    m_syncing = false;
}

void BrandKitCard::writeKit(const std::function<void(BrandKit &)> &change) {
    if (m_syncing) return;
    BrandKit kit = m_brand.kit();
    change(kit);
    m_brand.setKit(kit);
}

FieldLabel::FieldLabel(const QString &text, QWidget *parent) : PlainLabel(text, parent) {
    setFont(Theme::font(12, QFont::Medium));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Theme::text2());
    setPalette(palette);
}

QLineEdit *plainField(const QString &placeholder, QWidget *parent) {
    auto *field = new QLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setFont(Theme::font(13));
    field->setFixedHeight(32);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3;"
                                        " border-radius: 8px; padding: 0 10px; }")
                             .arg(Theme::raised().name(), Theme::text().name(), Theme::line().name(QColor::HexArgb)));
    return field;
}

QPushButton *borderlessButton(const QString &text, const QColor &color, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(Theme::font(12));
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: none; text-align: left; }").arg(color.name()));
    return button;
}
