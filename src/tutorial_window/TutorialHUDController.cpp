#include "tutorial_window/TutorialHUDController.h"

#include "core/ShortcutStore.h"
#include "platform/ScreenServices.h"
#include "platform/WindowHints.h"
#include "tutorial_window/TutorialHUDView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/CardShape.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kTopGap = 12;

} // namespace

TutorialHUDController &TutorialHUDController::shared() {
    static auto *controller = new TutorialHUDController(TutorialStore::shared(), ShortcutStore::shared());
    return *controller;
}

TutorialHUDController::TutorialHUDController(TutorialStore &store, ShortcutStore &shortcuts, QObject *parent)
    : QObject(parent), m_store(store), m_shortcuts(shortcuts) {}

TutorialHUDController::~TutorialHUDController() { delete m_panel; }

QScreen *TutorialHUDController::targetScreen() {
    QScreen *screen = nullptr;
    if (const std::optional<QRectF> active = platform::ScreenServices::shared().activeWindowFrame())
        screen = QGuiApplication::screenAt(active->center().toPoint());
    if (!screen) screen = QGuiApplication::screenAt(QCursor::pos());
    return screen ? screen : QGuiApplication::primaryScreen();
}

void TutorialHUDController::show() {
    if (m_panel) return;
    auto *view = new TutorialHUDView(m_store, m_shortcuts);
    connect(view, &TutorialHUDView::stepRequested, this, &TutorialHUDController::stepRequested);
    view->winId(); // a native window now, so that the desktop hint is there before it is mapped
    platform::showOnAllDesktops(view->windowHandle());
    if (QScreen *screen = targetScreen()) {
        const QRect visible = screen->availableGeometry();
        const QPoint origin(visible.x() + (visible.width() - TutorialHUDView::kWidth) / 2, visible.y() + kTopGap);
        view->move(CardShape::keptInside(QRect(origin, view->size()), visible));
    }
    view->show();
    m_panel = view;
}

void TutorialHUDController::close() {
    QPointer<TutorialHUDView> panel = m_panel;
    m_panel = nullptr;
    if (!panel) return;
    panel->hide();
    panel->deleteLater();
}
