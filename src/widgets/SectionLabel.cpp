#include "widgets/SectionLabel.h"

#include "widgets/Theme.h"

#include <QHash>
#include <QPainter>
#include <QStaticText>

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
    // Headings are laid out once per text and font for the process: the editor's panel is made anew
    // for each capture, and shaping its headings again took a share of its first frame.
    static QHash<QString, QStaticText> laidOut;
    const QString key = font().key() + QLatin1Char('\n') + m_text;
    auto found = laidOut.constFind(key);
    if (found == laidOut.constEnd()) {
        QStaticText text(m_text);
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), font());
        if (laidOut.size() >= 64) laidOut.clear();
        found = laidOut.insert(key, text);
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(Theme::text3());
    // Where drawing it in the whole height, centred down, would put it.
    p.drawStaticText(QPointF(0, (height() - QFontMetricsF(font()).height()) / 2), *found);
}
