#include "widgets/ThemedLabel.h"

#include "widgets/PlainText.h"

#include <QFontMetrics>
#include <QHash>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QStaticText>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace {

// The texts kept for the process: enough for a page's tiles, buttons and labels not to push each other
// out; past it they are laid out anew.
constexpr qsizetype kKeptTexts = 512;

QLabel *styled(QLabel *label, const QFont &font, const QColor &color) {
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

QStaticText laidOutText(const QString &text, const QFont &font, int width) {
    // Kept for the process: pages are made anew (the editor's panel for each capture), and shaping
    // their texts again took a share of their first frame. GUI thread only.
    static QHash<QString, QStaticText> laidOut;
    const QString key = QStringLiteral("%1\n%2\n").arg(font.key()).arg(width) + text;
    auto found = laidOut.constFind(key);
    if (found == laidOut.constEnd()) {
        QStaticText shown(text);
        shown.setTextFormat(Qt::PlainText);
        shown.setTextWidth(width);
        shown.prepare(QTransform(), font);
        if (laidOut.size() >= kKeptTexts) laidOut.clear();
        found = laidOut.insert(key, shown);
    }
    return *found;
}

void drawLaidOutLine(QPainter &p, const QRectF &rect, Qt::Alignment alignment, const QString &text, bool elide) {
    const QFont font = p.font();
    QString shown = text;
    if (elide) {
        static QHash<QString, QString> cut;
        const QString key = QStringLiteral("%1\n%2\n").arg(font.key()).arg(int(rect.width())) + text;
        auto found = cut.constFind(key);
        if (found == cut.constEnd()) {
            if (cut.size() >= kKeptTexts) cut.clear();
            found = cut.insert(key, QFontMetrics(font).elidedText(text, Qt::ElideRight, int(rect.width())));
        }
        shown = *found;
    }
    if (shown.isEmpty()) return;
    const QStaticText line = laidOutText(shown, font);
    const QSizeF size = line.size();
    qreal x = rect.left();
    if (alignment & Qt::AlignHCenter) x += (rect.width() - size.width()) / 2;
    else if (alignment & Qt::AlignRight) x = rect.right() - size.width();
    qreal y = rect.top();
    if (alignment & Qt::AlignVCenter) y += (rect.height() - size.height()) / 2;
    else if (alignment & Qt::AlignBottom) y = rect.bottom() - size.height();
    p.drawStaticText(QPointF(x, y), line);
}

QLabel *themedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    return styled(new PlainLabel(text, parent), font, color);
}

QLabel *wrappingLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    QLabel *label = styled(new WrappingLabel(text, parent), font, color);
    label->setWordWrap(true);
    return label;
}

QLabel *elidedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    return styled(new ElidingLabel(text, parent), font, color);
}

bool ElidingLabel::isCut() const { return QFontMetricsF(font()).horizontalAdvance(text()) > contentsRect().width(); }

void ElidingLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    drawLaidOutLine(p, contentsRect(), alignment(), text(), true);
}

bool ElidingLabel::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (isCut()) QToolTip::showText(help->globalPos(), plainToolTip(text()), this);
        else QToolTip::hideText();
        return true;
    }
    return PlainLabel::event(event);
}

int WrappingLabel::heightForWidth(int width) const {
    if (text() != m_text || font() != m_font) {
        m_text = text();
        m_font = font();
        m_heights.clear();
    }
    const auto known = m_heights.constFind(width);
    if (known != m_heights.cend()) return *known;
    const int height = QLabel::heightForWidth(width);
    if (m_heights.size() > 64) m_heights.clear(); // a window being resized asks for every width once
    m_heights.insert(width, height);
    return height;
}

QSize WrappingLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    int line = 0;
    for (const QString &piece : text().split(QLatin1Char('\n')))
        line = std::max(line, metrics.horizontalAdvance(piece));
    const QMargins margins = contentsMargins();
    const int width = std::min(line, 80 * metrics.averageCharWidth()) + margins.left() + margins.right() + 1;
    return {width, heightForWidth(width)};
}

QSize WrappingLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    return {std::min(sizeHint().width(), 10 * metrics.averageCharWidth()),
            metrics.height() + margins.top() + margins.bottom()};
}

PlainLabel::PlainLabel(QWidget *parent, Qt::WindowFlags flags) : QLabel(parent, flags) { setTextFormat(Qt::PlainText); }

PlainLabel::PlainLabel(const QString &text, QWidget *parent, Qt::WindowFlags flags) : PlainLabel(parent, flags) {
    setText(text); // after the format: never parsed as markup, not even once
}

void PlainLabel::paintEvent(QPaintEvent *event) {
    // What QLabel draws itself: anything but plain text to the left, without frame, margins or
    // interaction.
    const Qt::Alignment shape = alignment() & ~(Qt::AlignLeft | Qt::AlignVCenter | Qt::AlignTop);
    const bool plain = textFormat() == Qt::PlainText || (textFormat() == Qt::AutoText && !Qt::mightBeRichText(text()));
    if (!plain || frameWidth() || margin() || indent() > 0 || !pixmap().isNull() || shape || buddy() ||
        (textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable))) {
        QLabel::paintEvent(event);
        return;
    }
    const QRect area = contentsRect();
    const QStaticText shown = laidOutText(text(), font(), wordWrap() ? area.width() : -1);
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(foregroundRole())); // in the colour group of the widget's state
    const qreal top =
        alignment() & Qt::AlignTop ? area.top() : area.top() + (area.height() - shown.size().height()) / 2;
    p.drawStaticText(QPointF(area.left(), top), shown);
}
