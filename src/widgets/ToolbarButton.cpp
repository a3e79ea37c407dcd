#include "widgets/ToolbarButton.h"

#include "widgets/ControlState.h"
#include "widgets/Icons.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace {

constexpr int kDot = 9;
constexpr int kSymbol = 13;
constexpr int kSpinner = 14;

} // namespace

ToolbarButton::ToolbarButton(const QString &text, bool prominent, QWidget *parent) : QPushButton(text, parent) {
    setFocusPolicy(Qt::NoFocus);
    ControlState::pointWhileEnabled(this);
    setProminent(prominent);
    m_spin.setInterval(Spinner::stepMs);
    connect(&m_spin, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void ToolbarButton::setBusy(bool busy) {
    if (m_busy == busy) return;
    m_busy = busy;
    if (busy) m_spin.start();
    else m_spin.stop();
    changed();
}

void ToolbarButton::setProminent(bool prominent) {
    m_style.prominent = prominent;
    setFont(m_style.font());
    changed();
}

void ToolbarButton::setSymbol(const QString &name) {
    m_symbol = name;
    changed();
}

void ToolbarButton::setRecordingDot(bool shown) {
    m_dot = shown;
    changed();
}

void ToolbarButton::setShortcutText(const QString &text) {
    if (m_shortcut == text) return;
    m_shortcut = text;
    changed();
}

void ToolbarButton::setSpacing(int spacing) {
    m_spacing = spacing;
    changed();
}

void ToolbarButton::changed() {
    updateGeometry();
    update();
}

QFont ToolbarButton::shortcutFont() const { return Theme::monospaceFont(10); }

int ToolbarButton::labelWidth() const {
    QList<int> pieces;
    if (m_dot) pieces.append(kDot);
    if (m_busy) pieces.append(kSpinner);
    else if (!m_symbol.isEmpty()) pieces.append(kSymbol);
    if (!text().isEmpty()) pieces.append(QFontMetrics(font()).horizontalAdvance(text()));
    if (!m_shortcut.isEmpty()) pieces.append(QFontMetrics(shortcutFont()).horizontalAdvance(m_shortcut));
    int width = 0;
    for (int piece : pieces) width += piece;
    return width + std::max<int>(0, static_cast<int>(pieces.size()) - 1) * m_spacing;
}

QSize ToolbarButton::sizeHint() const { return m_style.sizeFor(labelWidth()); }

void ToolbarButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    ControlState::dimWhileDisabled(p, *this);
    m_style.paintBackground(p, rect(), isDown());
    const QColor color = m_style.foreground();
    const qreal middle = height() / 2.0;
    qreal x = (width() - labelWidth()) / 2.0;
    auto advance = [&](qreal piece) { x += piece + m_spacing; };
    if (m_dot) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::recordingRed());
        p.drawEllipse(QRectF(x, middle - kDot / 2.0, kDot, kDot));
        advance(kDot);
    }
    if (m_busy) {
        Spinner::paint(p, QRectF(x, middle - kSpinner / 2.0, kSpinner, kSpinner), color);
        advance(kSpinner);
    } else if (!m_symbol.isEmpty()) {
        p.drawPixmap(QPointF(x, middle - kSymbol / 2.0), Icons::pixmap(m_symbol, kSymbol, color, devicePixelRatioF()));
        advance(kSymbol);
    }
    auto drawText = [&](const QString &text, const QFont &font, const QColor &pen) {
        const qreal advanceWidth = QFontMetricsF(font).horizontalAdvance(text);
        p.setFont(font);
        p.setPen(pen);
        p.drawText(QRectF(x, 0, advanceWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
        advance(advanceWidth);
    };
    if (!text().isEmpty()) drawText(text(), font(), color);
    if (!m_shortcut.isEmpty()) {
        QColor shortcutColor = m_style.prominent ? Theme::ink() : Theme::text3();
        if (m_style.prominent) shortcutColor.setAlphaF(0.6f);
        drawText(m_shortcut, shortcutFont(), shortcutColor);
    }
}
