#include "tutorials/GuideText.h"

#include "core/FontFamily.h"
#include "core/SystemFont.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

// Texts are laid out for a device where a point is one pixel, so that sizes read as pixels of the
// image and as points of the PDF alike.
const QPaintDevice *onePixelPerPoint() {
    thread_local QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        SystemFont::useOnePixelPerPoint(image);
        return image;
    }();
    return &device;
}

} // namespace

QFont guideFont(const QString &family, double size, QFont::Weight weight) {
    if (!family.trimmed().isEmpty()) {
        QFont font(family.trimmed());
        font.setPointSizeF(size);
        font.setWeight(weight);
        if (FontFamily::same(QFontInfo(font).family(), family)) return font;
    }
    return SystemFont::font(size, weight, SystemFont::pixelDpi);
}

GuideText::GuideText(const QString &text, const QString &family, const GuideTextStyle &style, double width)
    : m_color(style.color) {
    QFont font = guideFont(family, style.size, style.weight);
    if (style.kern != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, style.kern);
    // Lines are separated by U+2028 in a layout; the text's own line feeds become those.
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    auto layout = std::make_shared<QTextLayout>(laidOut, font, const_cast<QPaintDevice *>(onePixelPerPoint()));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    double y = 0;
    double widest = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if (line.lineNumber() > 0) y += style.lineSpacing;
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout->endLayout();
    m_size = QSizeF(widest, std::ceil(y));
    m_layout = std::move(layout);
}

QString GuideText::text() const { return m_layout ? m_layout->text() : QString(); }

QFont GuideText::font() const { return m_layout ? m_layout->font() : QFont(); }

void GuideText::draw(QPainter &painter, QPointF topLeft) const {
    if (!m_layout) return;
    painter.save();
    painter.setPen(m_color);
    m_layout->draw(&painter, topLeft);
    painter.restore();
}

void GuideText::drawCentred(QPainter &painter, QPointF centre) const {
    draw(painter, centre - QPointF(m_size.width() / 2, m_size.height() / 2));
}
