#include "app/CaptureCard.h"

#include "capture/CaptureService.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "widgets/HoverProgress.h"
#include "widgets/Icons.h"
#include "widgets/Keycap.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace {

constexpr qreal kRadius = 14;
constexpr qreal kPadding = 18;

} // namespace

QString CaptureCard::shortTitle(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::captureArea: return L("Área");
    case ShortcutAction::captureWindow: return L("Janela");
    case ShortcutAction::captureFullScreen: return L("Tela inteira");
    case ShortcutAction::repeatLastArea: return L("Última área");
    case ShortcutAction::toggleTutorial: return L("Tutorial");
    }
    return {};
}

CaptureCard::CaptureCard(ShortcutStore &shortcuts, ShortcutAction action, const QString &icon, bool highlighted,
                         QWidget *parent)
    : QAbstractButton(parent), m_shortcuts(shortcuts), m_action(action), m_icon(icon), m_highlighted(highlighted),
      m_hover(new HoverProgress(this, 200)) {
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(120 + 2 * margin);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(ShortcutActions::title(action));
    connect(this, &QAbstractButton::clicked, this, [this] { CaptureService::start(m_action); });
    connect(&shortcuts, &ShortcutStore::shortcutsChanged, this, &CaptureCard::refresh);
    refresh();
}

void CaptureCard::refresh() {
    const Shortcut shortcut = m_shortcuts.shortcut(m_action);
    m_keys = shortcut.symbols();
    setToolTip(L(LKey("%@, atalho %@", {ShortcutActions::title(m_action), shortcut.displayString()})));
    update();
}

QRectF CaptureCard::cardRect() const { return QRectF(rect()).adjusted(margin, margin, -margin, -margin); }

bool CaptureCard::isHovering() const { return m_hover->isHovering(); }

qreal CaptureCard::scale() const { return 1 + 0.01 * m_hover->value(); }

QColor CaptureCard::borderColor() const {
    if (m_highlighted) return Theme::accentLine();
    return isHovering() ? Theme::lineStrong() : Theme::line();
}

bool CaptureCard::hitButton(const QPoint &pos) const {
    return Theme::continuousRoundedRect(cardRect(), kRadius).contains(QPointF(pos));
}

void CaptureCard::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = cardRect();
    p.translate(card.center());
    p.scale(scale(), scale());
    p.translate(-card.center());

    const QPainterPath shape = Theme::continuousRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), kRadius);
    p.fillPath(shape, m_highlighted ? Theme::accentSoft() : Theme::rgb(0x14141A));
    p.setPen(QPen(borderColor(), 1));
    p.drawPath(shape);

    const QRectF inner = card.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QColor iconColor = m_highlighted ? Theme::rgb(0xD8CEFF) : Theme::text2();
    p.drawPixmap(inner.topLeft(), Icons::pixmap(m_icon, 20, iconColor, devicePixelRatioF()));

    // The keys along the bottom, the title on a line of its own above them: on one baseline for every
    // card, and whole however long the title or the keys ("Tela inteira", Alt Shift F).
    const QSizeF keys = Keycap::paintRow(nullptr, {}, m_keys, Keycap::Size::small);
    const qreal rowTop = inner.bottom() - keys.height();
    Keycap::paintRow(&p, QPointF(inner.left(), rowTop), m_keys, Keycap::Size::small);
    p.setFont(Theme::font(15, QFont::Medium));
    p.setPen(Theme::text());
    const QFontMetricsF metrics(p.font());
    p.drawText(QPointF(inner.left(), rowTop - 8 - metrics.descent()),
               metrics.elidedText(shortTitle(m_action), Qt::ElideRight, inner.width()));
}
