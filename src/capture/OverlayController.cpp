#include "capture/OverlayController.h"

#include "capture/RectMath.h"

#include "capture/OverlayBackdrop.h"
#include "capture/OverlayGeometry.h"
#include "capture/OverlayView.h"
#include "capture/OverlayWindows.h"
#include "capture/ScreenCapturer.h"
#include "core/Settings.h"
#include "platform/KeyEvent.h"
#include "platform/ScreenServices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QThreadPool>

OverlayController::OverlayController(CaptureSession session, OverlayModel::Mode mode, Completion completion,
                                     ScreenLookup screenFor, QObject *parent)
    : QObject(parent), m_session(std::move(session)), m_model(mode, ScreenCapturer::globalMouseLocation()),
      m_completion(std::move(completion)),
      m_screenFor(screenFor ? std::move(screenFor) : ScreenLookup(&ScreenCapturer::screen)) {
    // The window under the pointer is highlighted before the pointer moves.
    if (mode == OverlayModel::Mode::window) m_model.setHoveredWindow(m_session.window(m_model.mouse()));
}

OverlayController::~OverlayController() {
    // Never leave the keyboard grabbed or the cursor changed behind us.
    if (!m_finished) {
        m_finished = true;
        if (m_keyMonitor) qApp->removeEventFilter(this);
        if (m_cursorPushed) QGuiApplication::restoreOverrideCursor();
        for (const auto &w : std::as_const(m_windows)) OverlayWindows::giveBack(w);
    }
}

QList<OverlayView *> OverlayController::views() const {
    QList<OverlayView *> out;
    for (const auto &w : m_windows)
        if (w) out << w.data();
    return out;
}

OverlayActions OverlayController::actions() {
    QPointer<OverlayController> self(this);
    return OverlayActions{
        [self] {
            if (self) self->confirm();
        },
        [self] {
            if (self) self->finish(std::nullopt);
        },
        [self](OverlayModel::Mode mode) {
            if (self) self->setMode(mode);
        },
    };
}

void OverlayController::blurLater(OverlayView *view) {
    // The view may outlive its controller (and the model it reads) for a turn: both must still be there.
    QThreadPool::globalInstance()->start([self = QPointer<OverlayController>(this),
                                          target = QPointer<OverlayView>(view), image = view->snapshot().image] {
        QImage blurred = OverlayBackdrop::blurred(image);
        // A kept window may meanwhile show another capture.
        QMetaObject::invokeMethod(
            qApp,
            [self, target, blurred = std::move(blurred)] {
                if (self && target && target->controller() == self) target->setBlurred(blurred);
            },
            Qt::QueuedConnection);
    });
}

void OverlayController::show() {
    if (platform::ScreenServices &services = platform::ScreenServices::shared(); services.connected())
        m_previousApp = services.frontmostApplication();

    for (const DisplaySnapshot &snapshot : std::as_const(m_session.snapshots)) {
        QScreen *screen = m_screenFor(snapshot.displayID);
        if (!screen) continue;
        // The blur only shows in window mode: in an area overlay it is made on a worker once the first
        // frame is out, not to compete with it.
        const bool windowMode = m_model.mode() == OverlayModel::Mode::window;
        OverlayView *view = OverlayWindows::take(screen);
        view->bind(this, snapshot, windowMode ? OverlayBackdrop::blurred(snapshot.image) : QImage(), &m_session,
                   &m_model);
        if (!windowMode)
            view->afterNextFrame([self = QPointer<OverlayController>(this), view] {
                if (self && view->controller() == self) self->blurLater(view);
            });
        view->show();
        view->raise();
        m_windows << view;
    }

    const QPointF pointer = m_model.mouse();
    for (const auto &w : std::as_const(m_windows)) {
        if (w && RectMath::contains(w->snapshot().bounds, pointer)) {
            m_keyWindow = w;
            break;
        }
    }
    if (!m_keyWindow && !m_windows.isEmpty()) m_keyWindow = m_windows.first();

    qApp->installEventFilter(this);
    m_keyMonitor = true;
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    m_cursorPushed = true;

    if (m_keyWindow) {
        m_keyWindow->activateWindow();
        m_keyWindow->grabKeyboard();
        m_keyWindow->grabMouse();
    } else {
        // Nothing to click and nothing to press Escape on: end now rather than hang the capture road.
        finish(std::nullopt);
    }
}

bool OverlayController::eventFilter(QObject *watched, QEvent *event) {
    if (m_finished) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        event->accept(); // no application shortcut fires while the overlay is up
        return true;
    case QEvent::KeyPress: {
        // Consumed where it is first seen (its window), so each press is handled once.
        const auto key = platform::KeyEvent::fromQt(*static_cast<QKeyEvent *>(event));
        if (key && key->type == platform::KeyEvent::Type::keyDown)
            handleKey(key->keyCode, key->has(platform::ModifierFlag::shift), key->has(platform::ModifierFlag::option));
        return true; // every key-down is consumed while the overlay is up
    }
    default: return QObject::eventFilter(watched, event);
    }
}

void OverlayController::handleKey(int keyCode, bool shift, bool option) {
    const double step = shift ? 10 : 1;
    switch (keyCode) {
    case platform::KeyCode::returnKey:
    case platform::KeyCode::keypadEnter: confirm(); break;
    case platform::KeyCode::space:
        setMode(m_model.mode() == OverlayModel::Mode::area ? OverlayModel::Mode::window : OverlayModel::Mode::area);
        break;
    case platform::KeyCode::escape: finish(std::nullopt); break;
    case platform::KeyCode::leftArrow: adjust(-step, 0, option); break;
    case platform::KeyCode::rightArrow: adjust(step, 0, option); break;
    case platform::KeyCode::downArrow: adjust(0, step, option); break;
    case platform::KeyCode::upArrow: adjust(0, -step, option); break;
    default: break;
    }
}

void OverlayController::adjust(double dx, double dy, bool resize) {
    if (m_finished || m_model.mode() != OverlayModel::Mode::area || m_model.phase() != OverlayModel::Phase::adjusting)
        return;
    const auto selection = m_model.selection();
    const auto bounds = m_model.selectionBounds();
    if (!selection || !bounds) return;
    QRectF next;
    if (!resize) {
        next = OverlayGeometry::clamp(selection->translated(dx, dy), *bounds);
    } else {
        double width = selection->width() + dx;
        double height = selection->height() + dy;
        if (width <= OverlayGeometry::minimumSide) width = OverlayGeometry::minimumSide;
        if (height <= OverlayGeometry::minimumSide) height = OverlayGeometry::minimumSide;
        next = QRectF(selection->topLeft(), QSizeF(width, height)).intersected(*bounds);
    }
    m_model.setSelection(next);
}

void OverlayController::confirm() {
    if (m_finished) return;
    if (m_model.mode() == OverlayModel::Mode::window) {
        if (const auto window = m_model.hoveredWindow()) finish(OverlayResult::windowResult(*window));
        return;
    }
    const auto selection = m_model.selection();
    if (m_model.phase() != OverlayModel::Phase::adjusting || !selection) return;
    const DisplaySnapshot *snapshot = m_session.snapshot(selection->center());
    if (!snapshot) return;
    const QImage image = snapshot->crop(*selection);
    if (image.isNull()) return; // the overlay stays up
    finish(OverlayResult::area(image, selection->intersected(snapshot->bounds), snapshot->displayID));
}

void OverlayController::setMode(OverlayModel::Mode mode) {
    if (m_finished) return;
    m_model.setSelection(std::nullopt);
    m_model.setSelectionBounds(std::nullopt);
    m_model.setPhase(OverlayModel::Phase::idle);
    m_model.setMode(mode);
    m_model.setHoveredWindow(mode == OverlayModel::Mode::window ? m_session.window(m_model.mouse())
                                                                : std::optional<WindowInfo>());
}

OverlayView *OverlayController::viewForPointer(const QPointF &global) const {
    if (m_dragOwner) return m_dragOwner;
    for (const auto &w : m_windows)
        if (w && RectMath::contains(w->snapshot().bounds, global)) return w;
    return nullptr;
}

void OverlayController::finish(std::optional<OverlayResult> result) {
    if (m_finished) return;
    m_finished = true;

    if (m_keyMonitor) {
        qApp->removeEventFilter(this);
        m_keyMonitor = false;
    }
    if (m_keyWindow) {
        m_keyWindow->releaseKeyboard();
        m_keyWindow->releaseMouse();
    }
    if (m_cursorPushed) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorPushed = false;
    }
    // Hidden, not deleted (we may be inside one of their event handlers): the next capture reuses them.
    for (const auto &w : std::as_const(m_windows)) OverlayWindows::giveBack(w);
    m_windows.clear();

    // Give the focus back, except for a window (its capture handles the focus) and an area going to
    // the editor (the main window comes forward).
    const bool giveBack = !result || (result->kind == OverlayResult::Kind::area &&
                                      Settings::afterCapture.value() != AfterCapture::editor);
    if (giveBack && m_previousApp) {
        if (platform::ScreenServices &services = platform::ScreenServices::shared();
            services.connected() && *m_previousApp != services.ownProcessID())
            services.activateApplication(*m_previousApp);
    }

    auto completion = std::move(m_completion);
    m_completion = nullptr;
    if (completion) completion(std::move(result));
}
