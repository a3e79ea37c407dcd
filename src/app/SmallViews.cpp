#include "app/SmallViews.h"

#include "app/Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QFont capFont(Keycap::Size size) { return Theme::monospaceFont(size == Keycap::Size::small ? 11 : 19, QFont::Medium); }

} // namespace

Keycap::Keycap(const QString &label, Size size, QWidget *parent) : QWidget(parent), m_label(label), m_size(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(0);
    shadow->setColor(QColor(0, 0, 0, 128));
    shadow->setOffset(0, shadowOffset(size));
    setGraphicsEffect(shadow);
}

QSize Keycap::sizeHint() const {
    const QFontMetrics metrics(capFont(m_size));
    const int padding = m_size == Size::small ? 6 : 0;
    const int minimum = m_size == Size::small ? 20 : 48;
    return {std::max(minimum, metrics.horizontalAdvance(m_label) + 2 * padding), std::max(minimum, metrics.height())};
}

void Keycap::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(face, m_size == Size::small ? 5 : 11);
    if (m_size == Size::small) {
        p.fillPath(shape, Theme::keycap());
    } else {
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, Theme::rgb(0x2A2A34));
        fill.setColorAt(1, Theme::rgb(0x1E1E26));
        p.fillPath(shape, fill);
    }
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
    p.setFont(capFont(m_size));
    p.setPen(m_size == Size::small ? Theme::rgb(0xC8C8D2) : Theme::text());
    p.drawText(rect(), Qt::AlignCenter, m_label);
}

KeycapRow::KeycapRow(const QStringList &keys, Keycap::Size size, QWidget *parent) : QWidget(parent), m_size(size) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Keycap::spacing(size));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setKeys(keys);
}

void KeycapRow::setKeys(const QStringList &keys) {
    m_keys = keys;
    auto *row = static_cast<QHBoxLayout *>(layout());
    while (QLayoutItem *item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString &key : keys) row->addWidget(new Keycap(key, m_size, this), 0, Qt::AlignVCenter);
    updateGeometry();
}

SectionLabel::SectionLabel(const QString &text, QWidget *parent) : QWidget(parent), m_text(text.toUpper()) {
    QFont f = Theme::font(11, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.9);
    setFont(f);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SectionLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text), metrics.height()};
}

void SectionLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(Theme::text3());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

BrandMark::BrandMark(int size, QWidget *parent) : QWidget(parent), m_size(size) {
    setFixedSize(size, size);
    setAccessibleName(QString()); // decorative
}

void BrandMark::paintEvent(QPaintEvent *) {
    static QSvgRenderer renderer(QStringLiteral(":/images/Logo.svg"));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Stretched to the square, not fitted: a non-square mark fills it.
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&p, QRectF(rect()));
}
