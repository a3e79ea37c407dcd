#include "capture/QuickPanelController.h"

#include "capture/QuickCaptureView.h"
#include "capture/QuickModel.h"
#include "core/Clipboard.h"
#include "core/DragFile.h"
#include "core/ExportSaving.h"
#include "core/Exporter.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "platform/Memory.h"
#include "platform/ScreenServices.h"
#include "platform/WindowHints.h"
#include "widgets/CardShape.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

#include <utility>

QuickPanelController &QuickPanelController::shared() {
    static QuickPanelController *controller = [] {
        auto *created = new QuickPanelController;
        created->m_dismiss.setSingleShot(true);
        connect(&created->m_dismiss, &QTimer::timeout, created, [created] {
            if (!created->m_model || !created->m_model->isHovering()) created->close(true);
        });
        return created;
    }();
    return *controller;
}

void QuickPanelController::show(const QImage &image, CaptureFile::Ptr file) {
    // Building a panel costs more than a frame: the window of the last one is shown again instead. The
    // one on screen goes first, so a replaced panel vanishes at once while the kept one comes up. One
    // the grab left off the screen is already gone and takes the new capture itself.
    QuickCaptureView *view = takeHeld();
    if (view) {
        m_panel = nullptr; // not retired by close()
        for (QPropertyAnimation *fade : view->findChildren<QPropertyAnimation *>()) fade->stop(); // deletes it
    } else {
        view = takeWindow();
    }
    close(false);
    auto *model = new QuickModel(image, std::move(file));
    QPointer<QuickModel> weakModel(model);
    QuickActions actions;
    actions.copy = [this] { copy(); };
    actions.save = [this] { save(); };
    actions.edit = [this] { edit(); };
    actions.close = [this] { close(true); };
    actions.hover = [this](bool hovering) { setHovering(hovering); };
    actions.drag = [weakModel, image] { return dragData(weakModel ? weakModel->output() : image); };
    view->setContent(model, std::move(actions)); // the content keeps its model, also after the controller dropped it
    platform::showOnAllDesktops(view->windowHandle());

    // One screen needs no question to the server about the pointer.
    QScreen *screen = QGuiApplication::screens().size() == 1 ? QGuiApplication::primaryScreen()
                                                             : QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(0, 0, 1440, 900);
    // The card kMargin in from the corner, or as much further in as keeps the whole window, its shadow
    // margin too, on the screen.
    const QPoint card(visible.x() + visible.width() - QuickCaptureView::kWidth - kMargin,
                      visible.y() + visible.height() - QuickCaptureView::kHeight - kMargin);
    view->move(CardShape::keptInside(QRect(card - view->card().topLeft(), view->size()), visible));

    view->setWindowOpacity(0.0);
    view->show();
    auto *fadeIn = new QPropertyAnimation(view, "windowOpacity", view);
    fadeIn->setDuration(kFadeInMs);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);

    m_model = model;
    m_panel = view;
    scheduleDismiss();
    emit shown();
}

QuickCaptureView *QuickPanelController::takeWindow() {
    QPointer<QuickCaptureView> spare = m_spare;
    m_spare = nullptr;
    // One made before a compositor came or went: its shadow margin no longer fits.
    if (spare && (spare->shadowMargin() > 0) == platform::translucentWindows()) return spare;
    if (spare) spare->deleteLater();
    auto *view = new QuickCaptureView(nullptr, StyleStore::shared(), {});
    // Out of the window manager's hands, as the toast is: it needs no frame or focus, and each map of a
    // managed window brings a round of state changes that Qt answers with blocking queries to the server.
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setAttribute(Qt::WA_TranslucentBackground);
    view->setWindowTitle(QStringLiteral("Pelicarta"));
    view->winId(); // a native window now, so that the desktop hint is there before it is mapped
    return view;
}

void QuickPanelController::holdForCapture() {
    releaseHold();
    // Its shadow margin is checked against the compositor now, while the pixels are read.
    if (m_panel && (m_panel->shadowMargin() > 0) == platform::translucentWindows()) {
        m_held = m_panel;
        platform::setStaysHiddenAfterGrab(m_held->windowHandle(), true);
    } else if (!m_panel && !m_spare) {
        // Built on a turn of its own while the pixels are read, not in the turn that starts the read.
        QTimer::singleShot(1, Qt::PreciseTimer, this, [this] {
            if (!m_spare && !m_panel) m_spare = takeWindow();
        });
    }
}

QuickCaptureView *QuickPanelController::takeHeld() {
    QPointer<QuickCaptureView> held = std::exchange(m_held, nullptr);
    if (!held) return nullptr;
    platform::setStaysHiddenAfterGrab(held->windowHandle(), false);
    // Only the panel still on duty and off the screen: one the countdown closed meanwhile is retired.
    if (held != m_panel || held->isVisible()) return nullptr;
    // Hidden through its native window, the widget still counts itself shown and would ignore show():
    // hidden here too, which asks nothing of the server.
    held->hide();
    return held;
}

void QuickPanelController::releaseHold() {
    // Back as it was: same place, model, actions and countdown; not taking the keyboard.
    if (QuickCaptureView *held = takeHeld()) held->show();
}

void QuickPanelController::retire(QuickCaptureView *panel) {
    for (QPropertyAnimation *fade : panel->findChildren<QPropertyAnimation *>()) fade->stop(); // deletes it
    panel->hide();
    panel->setContent(nullptr, {});
    if (m_spare && m_spare != panel) panel->deleteLater();
    else m_spare = panel;
}

void QuickPanelController::close(bool animated) {
    m_dismiss.stop();
    platform::Memory::releaseFreeMemorySoon(); // the capture and its output go with the panel
    m_model = nullptr;
    QPointer<QuickCaptureView> panel = m_panel;
    m_panel = nullptr;
    if (!panel) return;
    if (!animated) {
        retire(panel);
        return;
    }
    auto *fadeOut = new QPropertyAnimation(panel.data(), "windowOpacity", panel.data());
    fadeOut->setDuration(kFadeOutMs);
    fadeOut->setEndValue(0.0);
    fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
    QTimer::singleShot(kRemoveAfterMs, panel.data(), [this, panel] {
        if (panel && panel != m_panel) retire(panel);
    });
}

void QuickPanelController::scheduleDismiss() {
    m_dismiss.stop();
    const QuickLifetime lifetime = Settings::quickLifetime.value();
    if (lifetime == QuickLifetime::forever_) return;
    m_dismiss.start(static_cast<int>(lifetime) * 1000);
}

void QuickPanelController::setHovering(bool hovering) {
    if (m_model) m_model->setHovering(hovering);
    if (hovering) m_dismiss.stop(); // held while the pointer is over the panel
    else scheduleDismiss();         // the whole lifetime again, not what was left
}

void QuickPanelController::copy() {
    if (!m_model) return;
    // On failure the panel stays, so the capture can still be saved or dragged.
    const Clipboard::PastingCopy copied = Clipboard::copyForPasting(m_model->output());
    Notifier::shared().notify(copied.notice());
    if (copied.copied) close(true);
}

void QuickPanelController::save() {
    if (!m_model) return;
    const ExportSettings settings = StyleStore::shared().exportSettings();
    const QImage prepared = Exporter::prepare(m_model->output(), settings);
    const std::optional<QByteArray> bytes = Exporter::encode(prepared, settings);
    if (!bytes) return; // the panel stays
    const QDateTime taken = m_model->takenAt();
    close(true);
    // Cancelled or failed, the capture is still in the recents folder.
    if (const std::optional<QString> path = ExportSaving::saveWithPanel(*bytes, settings.format, taken))
        Notifier::shared().notify(ExportSaving::savedNotice(*path, bytes->size(), prepared));
}

void QuickPanelController::edit() {
    if (!m_model) return;
    std::optional<BeautyStyle> style;
    if (const auto &backdrop = m_model->backdrop()) {
        style = StyleStore::shared().defaultStyle();
        style->backdrop = *backdrop;
    }
    const QImage original = m_model->original();
    // The editor learns the recents file from it, when it is still being written.
    const CaptureFile::Ptr file = m_model->file();
    close(true);
    emit editorRequested(original, file, style);
}

QMimeData *QuickPanelController::dragData(const QImage &image) {
    const ExportSettings settings = StyleStore::shared().exportSettings();
    const std::optional<QByteArray> bytes = Exporter::encode(Exporter::prepare(image, settings), settings);
    return DragFile::mimeData(bytes.value_or(QByteArray()), settings.format);
}
