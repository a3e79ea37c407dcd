#include "widgets/SectionLabel.h"

#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QPainter>

QFont SectionLabel::headingFont() {
    QFont f = Theme::font(11, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.9);
    return f;
}

SectionLabel::SectionLabel(const QString &text, QWidget *parent) : QWidget(parent), m_text(text.toUpper()) {
    setFont(headingFont());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SectionLabel::setText(const QString &text) {
    const QString upper = text.toUpper();
    if (upper == m_text) return;
    m_text = upper;
    updateGeometry();
    update();
}

QSize SectionLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text), metrics.height()};
}

void SectionLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(Theme::text3());
    // Where drawing it in the whole height, centred down, would put it.
    p.drawStaticText(QPointF(0, (height() - QFontMetricsF(font()).height()) / 2), laidOutText(m_text, font()));
}
