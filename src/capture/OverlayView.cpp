#include "capture/OverlayView.h"

#include "capture/RectMath.h"

#include "capture/OverlayBackdrop.h"
#include "capture/OverlayController.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/Shortcut.h"
#include "platform/KeyEvent.h"
#include "widgets/Keycap.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

const QColor kPearl(216, 206, 255);

// The number without its fraction, as the size and position tags show it.
QString integerText(double v) { return QString::number(static_cast<qint64>(std::trunc(v))); }

// Sizes of the self-drawn pieces, measured once per paint.
QSizeF textSize(const QFont &font, const QString &text) {
    const QFontMetricsF m(font);
    return {m.horizontalAdvance(text), m.height()};
}

QRectF centredAt(const QPointF &centre, const QSizeF &size) {
    return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height()};
}

void panelShape(QPainter &p, const QRectF &rect, qreal radius, const QColor &fill, const QColor &stroke,
                const QColor &shadow = {}, qreal shadowRadius = 0, const QPointF &shadowOffset = {}) {
    const QPainterPath shape = Theme::continuousRoundedRect(rect, radius);
    if (shadow.isValid() && shadow.alpha() > 0) SoftShadow::paint(p, shape, shadow, shadowRadius, shadowOffset);
    p.fillPath(shape, fill);
    if (stroke.alpha() > 0) {
        p.setPen(QPen(stroke, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Theme::continuousRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    }
}

QFont tagFont() { return Theme::monospaceFont(12); }

QSizeF tagSize(const QString &text) {
    const QSizeF t = textSize(tagFont(), text);
    return {t.width() + 16, 24};
}

void paintTag(QPainter &p, const QRectF &rect, const QString &text) {
    panelShape(p, rect, 6, Theme::rgb(0x101015, 0.92), Theme::lineStrong());
    p.setFont(tagFont());
    p.setPen(Theme::text());
    p.drawText(rect, Qt::AlignCenter, text);
}

// Hint card texts.
QString cardTitle() { return L("Clique e arraste para selecionar"); }
QString cardSubtitle(const QPointF &local) {
    return L(
        LKey(QStringLiteral("Qualquer tamanho ou formato · %@, %@"), {integerText(local.x()), integerText(local.y())}));
}

// The toolbar's pieces.
struct ToolbarMetrics {
    QSizeF size; // the pill
    qreal sizeTextWidth = 0;
    QSizeF cancel, capture;
    QSizeF tips; // the tips line, when shown
    bool tipsShown = false;
};

// The arrows move the selection every way; the tip and the bottom bar name them alike.
QString arrowKeys() { return QStringLiteral("←↑→↓"); }

QStringList tipKeys() {
    return {arrowKeys(), Shortcut::modifierLabel(platform::ModifierFlag::shift),
            Shortcut::modifierLabel(platform::ModifierFlag::option), QStringLiteral("2×")};
}
QStringList tipTexts() { return {L("mover"), QStringLiteral("10 px"), L("redimensionar"), L("clique captura")}; }

// "600 × 300", as the toolbar reads it.
QString toolbarSizeText(QSizeF size) {
    return L(LKey(QStringLiteral("%lld × %lld"), {integerText(size.width()), integerText(size.height())}));
}
// "600 × 300", as the size tag reads it.
QString tagSizeText(QSizeF size) {
    return integerText(size.width()) + QStringLiteral(" × ") + integerText(size.height());
}

ToolbarMetrics toolbarMetrics(const QString &sizeText) {
    ToolbarMetrics m;
    m.sizeTextWidth = textSize(Theme::monospaceFont(12), sizeText).width();
    const QSizeF cancelText = textSize(Theme::font(13), L("Cancelar"));
    m.cancel = {8 + cancelText.width() + 6 + Keycap::faceSize(QStringLiteral("Esc"), Keycap::Size::small).width() + 8,
                30};
    const QFont captureFont = Theme::font(13, QFont::DemiBold);
    m.capture = {14 + textSize(captureFont, L("Capturar")).width() + 6 +
                     textSize(captureFont, QStringLiteral("↵")).width() + 14,
                 30};
    m.size = {7 + 6 + m.sizeTextWidth + 10 + 1 + 10 + m.cancel.width() + 10 + m.capture.width() + 7, 44};
    m.tipsShown = Settings::overlayTipsEnabled.value();
    if (m.tipsShown) {
        const QFont keyFont = Theme::font(11, QFont::Medium), descFont = Theme::font(11);
        const QStringList texts = tipTexts();
        qreal w = 20;
        const QStringList keys = tipKeys();
        for (int i = 0; i < keys.size(); ++i)
            w += textSize(keyFont, keys[i]).width() + 4 + textSize(descFont, texts[i]).width() + (i ? 10 : 0);
        m.tips = {w, 20};
    }
    return m;
}

// The mode-and-hints panel's pieces.
struct HudMetrics {
    QSizeF size;
    QSizeF areaButton, windowButton, modeSwitch;
    QList<QSizeF> hints;
};

// The theme's icon for the name another program gives itself. A name with a slash would make the
// theme's lookup a path out of its folders, to a FIFO, say, whose read never ends: no icon then.
QIcon appIcon(const QString &appName) {
    if (appName.contains(QLatin1Char('/'))) return {};
    return QIcon::fromTheme(appName.toLower());
}

} // namespace

OverlayView::OverlayView(QWidget *parent) : QWidget(parent) {
    // Override-redirect: above every window, unmanaged, so the geometry must be set by hand.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Pelicarta"));
}

void OverlayView::bind(OverlayController *controller, const DisplaySnapshot &snapshot, const QImage &blurred,
                       const CaptureSession *session, OverlayModel *model) {
    unbind();
    m_controller = controller;
    m_snapshot = snapshot;
    m_blurred = blurred;
    m_session = session;
    m_model = model;
    m_modelChanged = connect(model, &OverlayModel::changed, this, qOverload<>(&QWidget::update));
    update();
}

void OverlayView::unbind() {
    disconnect(m_modelChanged);
    m_controller = nullptr;
    m_snapshot = {};
    m_blurred = {};
    m_session = nullptr;
    m_model = nullptr;
    m_drag.reset();
    m_clickCount = 1;
    m_pressedButton = Button::none;
    m_afterFrame = nullptr;
    unsetCursor();
}

void OverlayView::afterNextFrame(std::function<void()> work) { m_afterFrame = std::move(work); }

OverlayController *OverlayView::controller() const { return m_controller; }

void OverlayView::setBlurred(const QImage &blurred) {
    m_blurred = blurred;
    if (m_model && m_model->mode() == OverlayModel::Mode::window) update();
}

std::optional<QRectF> OverlayView::localSelection() const {
    return OverlayGeometry::localSelection(m_model->selection(), m_model->selectionBounds(), m_snapshot.bounds);
}

QSizeF OverlayView::selectionPixels(const QRectF &local) const {
    return m_snapshot.pixelRect(local.translated(m_snapshot.bounds.topLeft())).size();
}

QSizeF OverlayView::windowPixels(const WindowInfo &window) const { return m_snapshot.inPixels(window.frame.size()); }

std::optional<QSizeF> OverlayView::labelledSize() const {
    if (!m_model) return std::nullopt;
    if (m_model->mode() == OverlayModel::Mode::area) {
        const auto selection = localSelection();
        return selection ? std::optional<QSizeF>(selectionPixels(*selection)) : std::nullopt;
    }
    const auto hovered = m_model->hoveredWindow();
    return hovered && localWindow() ? std::optional<QSizeF>(windowPixels(*hovered)) : std::nullopt;
}

std::optional<QRectF> OverlayView::localWindow() const {
    const auto hovered = m_model->hoveredWindow();
    return OverlayGeometry::localWindow(hovered ? std::optional<QRectF>(hovered->frame) : std::nullopt,
                                        m_snapshot.bounds);
}

QList<OverlayView::Hint> OverlayView::hints() const {
    const Hint cancel{{QStringLiteral("Esc")}, L("cancelar")};
    if (m_model->mode() == OverlayModel::Mode::window)
        return {{{QStringLiteral("↵")}, L("capturar")}, {{L("Espaço")}, L("área")}, cancel};
    if (m_model->phase() == OverlayModel::Phase::adjusting)
        return {{{QStringLiteral("↵")}, L("capturar")},
                {{arrowKeys()}, L("mover")},
                {{Shortcut::modifierLabel(platform::ModifierFlag::shift)}, QStringLiteral("10 px")},
                {{Shortcut::modifierLabel(platform::ModifierFlag::option)}, L("redimensionar")},
                cancel};
    return {{{L("Espaço")}, L("janela")}, cancel};
}

OverlayView::Layout OverlayView::layout() const {
    Layout out;
    const QSizeF display = displaySize();
    const QPointF mouse = OverlayGeometry::toLocal(m_model->mouse(), m_snapshot.bounds);
    const bool mouseHere = RectMath::contains(m_snapshot.bounds, m_model->mouse());
    const auto selection = localSelection();

    if (m_model->mode() == OverlayModel::Mode::area) {
        if (!selection && mouseHere) {
            const QSizeF title = textSize(Theme::font(13, QFont::Medium), cardTitle());
            const QSizeF subtitle = textSize(Theme::font(11), cardSubtitle(mouse));
            const QSizeF card(std::max(title.width(), subtitle.width()) + 24,
                              title.height() + 4 + subtitle.height() + 18);
            const auto placement = OverlayGeometry::hintCard(mouse, display);
            const QRectF frame = centredAt(placement.center, QSizeF(OverlayGeometry::hintCardWidth, card.height()));
            const qreal x = placement.flippedLeft ? frame.right() - card.width() : frame.left();
            out.hintCard = QRectF(x, frame.top(), card.width(), card.height());
        }
        if (selection && m_model->phase() != OverlayModel::Phase::adjusting) {
            const QString text = tagSizeText(selectionPixels(*selection));
            out.sizeTag = centredAt(OverlayGeometry::areaSizeLabelCenter(*selection, display), tagSize(text));
        }
        if (selection && m_model->phase() == OverlayModel::Phase::adjusting) {
            const ToolbarMetrics m = toolbarMetrics(toolbarSizeText(selectionPixels(*selection)));
            const qreal blockHeight = m.tipsShown ? 70 : 44;
            const QPointF centre = OverlayGeometry::toolbarCenter(*selection, display, m.tipsShown);
            const qreal contentHeight = m.size.height() + (m.tipsShown ? 6 + m.tips.height() : 0);
            const qreal top = centre.y() - blockHeight / 2 + (blockHeight - contentHeight) / 2;
            const QRectF pill(centre.x() - m.size.width() / 2, top, m.size.width(), m.size.height());
            out.toolbar = pill;
            qreal x = pill.left() + 7 + 6;
            out.toolbarSize = QRectF(x, pill.top(), m.sizeTextWidth + 1, pill.height());
            x += m.sizeTextWidth + 10;
            out.toolbarDivider = QRectF(x, pill.center().y() - 10, 1, 20);
            x += 1 + 10;
            out.cancelButton = QRectF(x, pill.center().y() - 15, m.cancel.width(), 30);
            x += m.cancel.width() + 10;
            out.captureButton = QRectF(x, pill.center().y() - 15, m.capture.width(), 30);
            if (m.tipsShown)
                out.tips =
                    QRectF(pill.center().x() - m.tips.width() / 2, pill.bottom() + 6, m.tips.width(), m.tips.height());
        }
    } else if (const auto hovered = m_model->hoveredWindow()) {
        if (const auto visible = localWindow()) {
            const QString text = tagSizeText(windowPixels(*hovered));
            out.sizeTag = centredAt(OverlayGeometry::windowSizeLabelCenter(*visible, display), tagSize(text));
            const QString name = hovered->appName.isEmpty() ? L("Janela") : hovered->appName;
            const QSizeF nameSize = textSize(Theme::font(14, QFont::DemiBold), name);
            const QSizeF hintSize = textSize(Theme::font(11), L("Clique ou ↵ para capturar"));
            const bool icon = !appIcon(hovered->appName).isNull();
            const QSizeF badge((icon ? 40 : 0) + std::max(nameSize.width(), hintSize.width()) + 26,
                               std::max<qreal>(icon ? 30 : 0, nameSize.height() + 2 + hintSize.height()) + 18);
            out.windowBadge = centredAt(OverlayGeometry::windowBadgeCenter(*visible, display), badge);
        }
    }

    if (mouseHere) {
        const QFont modeFont = Theme::font(13);
        out.areaButton = QRectF(0, 0, textSize(modeFont, L("Área")).width() + 24, 34);
        out.windowButton = QRectF(0, 0, textSize(modeFont, L("Janela")).width() + 24, 34);
        const qreal switchWidth = out.areaButton->width() + 4 + out.windowButton->width() + 6;
        qreal width = 8 + switchWidth + 14;
        for (const Hint &hint : hints()) {
            const QSizeF caps = Keycap::paintRow(nullptr, {}, hint.keys, Keycap::Size::small);
            width += 14 + caps.width() + 6 + textSize(Theme::font(12), hint.text).width();
        }
        const QRectF hud((display.width() - width) / 2, display.height() - 32 - 52, width, 52);
        out.hud = hud;
        out.areaButton->moveTopLeft(QPointF(hud.left() + 8 + 3, hud.center().y() - 17));
        out.windowButton->moveTopLeft(QPointF(out.areaButton->right() + 4, hud.center().y() - 17));
    }
    return out;
}

Qt::CursorShape OverlayView::cursorAt(const QPointF &global) const {
    const auto selection = m_model->selection();
    const auto bounds = m_model->selectionBounds();
    if (m_model->phase() == OverlayModel::Phase::adjusting && selection && bounds && *bounds == m_snapshot.bounds) {
        if (const auto handle = Handle::hit(global, *selection)) {
            if (handle->x == 0) return Qt::SizeVerCursor;
            if (handle->y == 0) return Qt::SizeHorCursor;
            return Qt::CrossCursor;
        }
        if (selection->contains(global)) return Qt::OpenHandCursor;
    }
    return Qt::CrossCursor;
}

void OverlayView::setCursorShape(Qt::CursorShape shape) {
    if (QGuiApplication::overrideCursor()) QGuiApplication::changeOverrideCursor(shape);
    else setCursor(shape);
}

void OverlayView::hover(const QPointF &local) {
    const QPointF global = OverlayGeometry::toGlobal(local, m_snapshot.bounds);
    m_model->setMouse(global);
    if (m_model->mode() == OverlayModel::Mode::window) {
        const auto window = m_session->window(global);
        if (window != m_model->hoveredWindow()) m_model->setHoveredWindow(window);
        setCursorShape(Qt::PointingHandCursor);
    } else {
        setCursorShape(cursorAt(global));
    }
}

OverlayView::Drag OverlayView::beginDrag(const QPointF &global) const {
    const auto selection = m_model->selection();
    const auto bounds = m_model->selectionBounds();
    Drag drag;
    drag.start = global;
    if (m_model->phase() == OverlayModel::Phase::adjusting && selection && bounds && *bounds == m_snapshot.bounds) {
        if (const auto handle = Handle::hit(global, *selection)) {
            drag.kind = DragKind::resize;
            drag.handle = *handle;
            drag.rect = *selection;
            return drag;
        }
        if (selection->contains(global)) {
            drag.kind = DragKind::move;
            drag.rect = *selection;
            return drag;
        }
    }
    drag.kind = DragKind::draw;
    return drag;
}

void OverlayView::changed(const QPointF &s, const QPointF &c) {
    m_model->setMouse(c);
    if (m_model->mode() == OverlayModel::Mode::window) return;
    if (!m_drag) m_drag = beginDrag(s);
    const QSizeF t(c.x() - s.x(), c.y() - s.y());
    switch (m_drag->kind) {
    case DragKind::draw:
        m_model->setPhase(OverlayModel::Phase::drawing);
        m_model->setSelectionBounds(m_snapshot.bounds);
        m_model->setSelection(OverlayGeometry::drawnRect(s, c, m_snapshot.bounds));
        break;
    case DragKind::resize: {
        const QRectF r = m_drag->handle.resize(m_drag->rect, t).intersected(m_snapshot.bounds);
        if (!r.isNull() && r.width() > 0 && r.height() > 0) m_model->setSelection(r);
        break;
    }
    case DragKind::move:
        setCursorShape(Qt::ClosedHandCursor);
        m_model->setSelection(
            OverlayGeometry::clamp(m_drag->rect.translated(t.width(), t.height()), m_snapshot.bounds));
        break;
    }
}

void OverlayView::press(const QPointF &local, int clickCount) {
    m_clickCount = clickCount;
    m_drag.reset();
    const QPointF global = OverlayGeometry::toGlobal(local, m_snapshot.bounds);
    changed(global, global);
}

void OverlayView::dragTo(const QPointF &local) {
    const QPointF start = m_drag ? m_drag->start : OverlayGeometry::toGlobal(local, m_snapshot.bounds);
    changed(start, OverlayGeometry::toGlobal(local, m_snapshot.bounds));
}

void OverlayView::release(const QPointF &local) {
    const QPointF global = OverlayGeometry::toGlobal(local, m_snapshot.bounds);
    const auto drag = m_drag;
    m_drag.reset();
    if (m_controller) m_controller->setDragOwner(nullptr);
    const OverlayActions actions = m_controller ? m_controller->actions() : OverlayActions{};
    if (m_model->mode() == OverlayModel::Mode::window) {
        m_model->setHoveredWindow(m_session->window(global));
        if (actions.confirm) actions.confirm();
        return;
    }
    if (!drag) return;
    switch (drag->kind) {
    case DragKind::move:
        if (m_clickCount >= 2 && actions.confirm) actions.confirm();
        setCursorShape(Qt::OpenHandCursor);
        break;
    case DragKind::resize: break;
    case DragKind::draw: {
        const auto selection = m_model->selection();
        if (selection && selection->width() >= OverlayGeometry::minimumSide &&
            selection->height() >= OverlayGeometry::minimumSide) {
            m_model->setPhase(OverlayModel::Phase::adjusting);
            if (Settings::areaRelease.value() == AreaRelease::instant && actions.confirm) actions.confirm();
        } else {
            m_model->setSelection(std::nullopt);
            m_model->setSelectionBounds(std::nullopt);
            m_model->setPhase(OverlayModel::Phase::idle);
        }
        break;
    }
    }
}

OverlayView::Button OverlayView::buttonAt(const QPointF &local) const {
    const Layout l = layout();
    if (l.cancelButton && l.cancelButton->contains(local)) return Button::cancel;
    if (l.captureButton && l.captureButton->contains(local)) return Button::capture;
    if (l.areaButton && l.areaButton->contains(local)) return Button::area;
    if (l.windowButton && l.windowButton->contains(local)) return Button::window;
    // The toolbar and the panel take the pointer between their buttons too.
    if ((l.toolbar && l.toolbar->contains(local)) || (l.hud && l.hud->contains(local))) return Button::surface;
    return Button::none;
}

OverlayView *OverlayView::routeTarget(const QPointF &global) {
    if (!m_controller) return this;
    OverlayView *target = m_controller->viewForPointer(global);
    return target ? target : this;
}

void OverlayView::pointerDown(QMouseEvent *event, int clickCount) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF global = event->globalPosition();
    OverlayView *target = routeTarget(global);
    if (!target->m_model) return;
    const QPointF local = OverlayGeometry::toLocal(global, target->m_snapshot.bounds);
    target->m_pressedButton = target->buttonAt(local);
    if (target->m_pressedButton != Button::none) return;
    if (m_controller) m_controller->setDragOwner(target);
    target->press(local, clickCount);
}

void OverlayView::mousePressEvent(QMouseEvent *event) { pointerDown(event, 1); }

// Qt reports the second press of a double click as its own event.
void OverlayView::mouseDoubleClickEvent(QMouseEvent *event) { pointerDown(event, 2); }

void OverlayView::mouseMoveEvent(QMouseEvent *event) {
    const QPointF global = event->globalPosition();
    OverlayView *target = routeTarget(global);
    if (!target->m_model) return;
    const QPointF local = OverlayGeometry::toLocal(global, target->m_snapshot.bounds);
    if ((event->buttons() & Qt::LeftButton) && target->m_drag) target->dragTo(local);
    else if (!(event->buttons() & Qt::LeftButton)) target->hover(local);
}

void OverlayView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF global = event->globalPosition();
    OverlayView *target = routeTarget(global);
    if (!target->m_model) return;
    const QPointF local = OverlayGeometry::toLocal(global, target->m_snapshot.bounds);
    if (target->m_pressedButton != Button::none) {
        const Button pressed = target->m_pressedButton;
        target->m_pressedButton = Button::none;
        if (target->buttonAt(local) != pressed || !m_controller) return;
        const OverlayActions actions = m_controller->actions();
        switch (pressed) {
        case Button::cancel: actions.cancel(); break;
        case Button::capture: actions.confirm(); break;
        case Button::area: actions.setMode(OverlayModel::Mode::area); break;
        case Button::window: actions.setMode(OverlayModel::Mode::window); break;
        case Button::surface:
        case Button::none: break;
        }
        return;
    }
    target->release(local);
}

void OverlayView::paintEvent(QPaintEvent *) {
    if (!m_model) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    OverlayBackdrop::paint(p, m_snapshot, m_blurred, m_model->mode(), localSelection(), localWindow());
    if (m_model->mode() == OverlayModel::Mode::area) paintAreaChrome(p);
    else paintWindowChrome(p);
    if (const auto selection = localSelection();
        selection && m_model->mode() == OverlayModel::Mode::area && m_model->phase() == OverlayModel::Phase::adjusting)
        paintToolbar(p, *selection);
    if (RectMath::contains(m_snapshot.bounds, m_model->mouse())) paintHud(p);
    // The frame goes to the server once this returns.
    if (m_afterFrame) QTimer::singleShot(0, this, std::exchange(m_afterFrame, nullptr));
}

void OverlayView::paintAreaChrome(QPainter &p) {
    const Layout l = layout();
    const auto selection = localSelection();
    if (!selection) {
        if (!RectMath::contains(m_snapshot.bounds, m_model->mouse())) return;
        const QPointF m = OverlayGeometry::toLocal(m_model->mouse(), m_snapshot.bounds);
        QPen dash(QColor(255, 255, 255, 89), 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        dash.setDashPattern({4, 4});
        p.setPen(dash);
        p.drawLine(QPointF(0, m.y()), QPointF(width(), m.y()));
        p.drawLine(QPointF(m.x(), 0), QPointF(m.x(), height()));
        if (l.hintCard) {
            const QRectF card = *l.hintCard;
            panelShape(p, card, 10, Theme::rgb(0x101015, 0.94), Theme::accentLine(), QColor(0, 0, 0, 102), 12, {0, 6});
            const QFont titleFont = Theme::font(13, QFont::Medium);
            const QFont subFont = Theme::font(11);
            const qreal titleHeight = QFontMetricsF(titleFont).height();
            p.setFont(titleFont);
            p.setPen(Theme::text());
            p.drawText(QRectF(card.left() + 12, card.top() + 9, card.width() - 24, titleHeight), Qt::AlignLeft,
                       cardTitle());
            p.setFont(subFont);
            p.setPen(Theme::text2());
            p.drawText(QRectF(card.left() + 12, card.top() + 9 + titleHeight + 4, card.width() - 24, card.height()),
                       Qt::AlignLeft, cardSubtitle(m));
        }
        return;
    }
    const QRectF r = *selection;
    QPainterPath outline;
    outline.addRect(r);
    SoftShadow::paintStrokeGlow(p, outline, 1.5, QColor(216, 206, 255, 128), 6);
    p.setPen(QPen(kPearl, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    if (m_model->phase() == OverlayModel::Phase::adjusting) {
        p.setPen(QPen(QColor(7, 7, 11, 153), 1));
        p.setBrush(Qt::white);
        for (const Handle &h : Handle::all) p.drawEllipse(h.point(r), 5, 5);
    } else if (l.sizeTag) {
        paintTag(p, *l.sizeTag, tagSizeText(selectionPixels(r)));
    }
}

void OverlayView::paintWindowChrome(QPainter &p) {
    const auto hovered = m_model->hoveredWindow();
    const auto visible = localWindow();
    if (!hovered || !visible) return;
    const Layout l = layout();
    const QPainterPath highlight = Theme::continuousRoundedRect(*visible, 12);
    SoftShadow::paintStrokeGlow(p, highlight, 3, Theme::rgb(0xC9BEFF, 0.85), 14);
    SoftShadow::paintStrokeGlow(p, highlight, 3, Theme::rgb(0xC9BEFF, 0.35), 36);
    p.setPen(QPen(kPearl, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(highlight);

    if (l.windowBadge) {
        const QRectF badge = *l.windowBadge;
        const QPainterPath shape = Theme::continuousRoundedRect(badge, 14);
        SoftShadow::paint(p, shape, QColor(0, 0, 0, 115), 18, {0, 8});
        // The thin material: what lies beneath, blurred, so the window's own text cannot show through.
        if (!m_blurred.isNull()) {
            p.save();
            p.setClipPath(shape);
            p.drawImage(QRectF(0, 0, width(), height()), m_blurred);
            p.restore();
        } else {
            p.fillPath(shape, Theme::rgb(0x101015, 0.6));
        }
        p.fillPath(shape, Theme::rgb(0x101015, 0.7));
        p.fillPath(shape, QColor(255, 255, 255, 10)); // the thin material's veil
        p.setPen(QPen(Theme::accentLine(), 1));
        p.drawPath(Theme::continuousRoundedRect(badge.adjusted(0.5, 0.5, -0.5, -0.5), 14));
        qreal x = badge.left() + 10;
        const QIcon icon = appIcon(hovered->appName);
        if (!icon.isNull()) {
            icon.paint(&p, QRect(int(x), int(badge.center().y() - 15), 30, 30));
            x += 40;
        }
        const QString name = hovered->appName.isEmpty() ? L("Janela") : hovered->appName;
        const QFont nameFont = Theme::font(14, QFont::DemiBold);
        const QFont hintFont = Theme::font(11);
        const qreal nameHeight = QFontMetricsF(nameFont).height();
        const qreal hintHeight = QFontMetricsF(hintFont).height();
        const qreal top = badge.center().y() - (nameHeight + 2 + hintHeight) / 2;
        p.setFont(nameFont);
        p.setPen(Theme::text());
        p.drawText(QRectF(x, top, badge.right() - x, nameHeight), Qt::AlignLeft, name);
        p.setFont(hintFont);
        p.setPen(Theme::text2());
        p.drawText(QRectF(x, top + nameHeight + 2, badge.right() - x, hintHeight), Qt::AlignLeft,
                   L("Clique ou ↵ para capturar"));
    }
    if (l.sizeTag) paintTag(p, *l.sizeTag, tagSizeText(windowPixels(*hovered)));
}

void OverlayView::paintToolbar(QPainter &p, const QRectF &selection) {
    const Layout l = layout();
    if (!l.toolbar) return;
    const QRectF pill = *l.toolbar;
    panelShape(p, pill, 12, Theme::rgb(0x101015, 0.96), Theme::lineStrong(), QColor(0, 0, 0, 115), 16, {0, 8});

    p.setFont(Theme::monospaceFont(12));
    p.setPen(Theme::text2());
    p.drawText(*l.toolbarSize, Qt::AlignVCenter | Qt::AlignLeft, toolbarSizeText(selectionPixels(selection)));
    p.fillRect(*l.toolbarDivider, Theme::lineStrong());

    // Cancelar  [Esc]
    const QRectF cancel = *l.cancelButton;
    p.setFont(Theme::font(13));
    p.setPen(Theme::text2());
    const qreal cancelTextWidth = textSize(Theme::font(13), L("Cancelar")).width();
    p.drawText(QRectF(cancel.left() + 8, cancel.top(), cancelTextWidth + 1, cancel.height()), Qt::AlignVCenter,
               L("Cancelar"));
    const QSize esc = Keycap::faceSize(QStringLiteral("Esc"), Keycap::Size::small);
    Keycap::paint(p, QPointF(cancel.left() + 8 + cancelTextWidth + 6, cancel.center().y() - esc.height() / 2.0),
                  QStringLiteral("Esc"), Keycap::Size::small);

    // Capturar ↵ on the accent gradient.
    const QRectF capture = *l.captureButton;
    p.fillPath(Theme::continuousRoundedRect(capture, 8), Theme::accentGradient(capture));
    const QFont captureFont = Theme::font(13, QFont::DemiBold);
    const qreal captureTextWidth = textSize(captureFont, L("Capturar")).width();
    p.setFont(captureFont);
    p.setPen(Theme::ink());
    p.drawText(QRectF(capture.left() + 14, capture.top(), captureTextWidth + 1, capture.height()), Qt::AlignVCenter,
               L("Capturar"));
    p.drawText(QRectF(capture.left() + 14 + captureTextWidth + 6, capture.top(), capture.width(), capture.height()),
               Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("↵"));

    if (l.tips) {
        const QRectF tips = *l.tips;
        QPainterPath capsule;
        capsule.addRoundedRect(tips, tips.height() / 2, tips.height() / 2);
        p.fillPath(capsule, QColor(0, 0, 0, 89));
        const QFont keyFont = Theme::font(11, QFont::Medium), descFont = Theme::font(11);
        const QStringList texts = tipTexts();
        qreal tx = tips.left() + 10;
        const QStringList keys = tipKeys();
        for (int i = 0; i < keys.size(); ++i) {
            const qreal kw = textSize(keyFont, keys[i]).width();
            const qreal dw = textSize(descFont, texts[i]).width();
            p.setFont(keyFont);
            p.setPen(Theme::text2());
            p.drawText(QRectF(tx, tips.top(), kw + 1, tips.height()), Qt::AlignVCenter, keys[i]);
            p.setFont(descFont);
            p.setPen(Theme::text3());
            p.drawText(QRectF(tx + kw + 4, tips.top(), dw + 1, tips.height()), Qt::AlignVCenter, texts[i]);
            tx += kw + 4 + dw + 10;
        }
    }
}

void OverlayView::paintHud(QPainter &p) {
    const Layout l = layout();
    if (!l.hud) return;
    const QRectF hud = *l.hud;
    panelShape(p, hud, 14, Theme::rgb(0x101015, 0.92), Theme::lineStrong(), QColor(0, 0, 0, 115), 20, {0, 10});

    const QRectF modeSwitch(hud.left() + 8, hud.center().y() - 20,
                            l.areaButton->width() + 4 + l.windowButton->width() + 6, 40);
    p.fillPath(Theme::continuousRoundedRect(modeSwitch, 10), Theme::raised());
    for (const auto &[rect, mode, title] : {std::tuple{*l.areaButton, OverlayModel::Mode::area, L("Área")},
                                            std::tuple{*l.windowButton, OverlayModel::Mode::window, L("Janela")}}) {
        const bool selected = m_model->mode() == mode;
        if (selected) {
            p.fillPath(Theme::continuousRoundedRect(rect, 8), Theme::accentSoft());
            p.setPen(QPen(Theme::accentLine(), 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(Theme::continuousRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 8));
        }
        p.setFont(Theme::font(13));
        p.setPen(selected ? Theme::text() : Theme::text2());
        p.drawText(rect, Qt::AlignCenter, title);
    }

    qreal x = modeSwitch.right() + 14;
    for (const Hint &hint : hints()) {
        const QSizeF caps = Keycap::paintRow(nullptr, {}, hint.keys, Keycap::Size::small);
        Keycap::paintRow(&p, QPointF(x, hud.center().y() - caps.height() / 2), hint.keys, Keycap::Size::small);
        x += caps.width() + 6;
        const QSizeF text = textSize(Theme::font(12), hint.text);
        p.setFont(Theme::font(12));
        p.setPen(Theme::text2());
        p.drawText(QRectF(x, hud.top(), text.width() + 1, hud.height()), Qt::AlignVCenter, hint.text);
        x += text.width() + 14;
    }
}
