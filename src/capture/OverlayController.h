#pragma once

#include "capture/CaptureSession.h"
#include "capture/OverlayModel.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class OverlayView;
class QScreen;

// The selection overlay: one full-screen window per display, above everything, sharing one model.
// It owns the keyboard while it is up, turns a confirmed selection into an OverlayResult and hands
// it to the completion exactly once. Main thread only.
class OverlayController : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<OverlayResult>)>;
    using ScreenLookup = std::function<QScreen *(quint32 displayID)>;

    // `screenFor` finds the screen showing a display (the capturer's lookup unless a test gives one).
    OverlayController(CaptureSession session, OverlayModel::Mode mode, Completion completion,
                      ScreenLookup screenFor = {}, QObject *parent = nullptr);
    ~OverlayController() override;

    // Puts the overlay on screen and takes the keyboard and the pointer. Called once. When no window
    // can be made (no display has a screen) the overlay finishes at once with no result.
    void show();

    OverlayModel &model() { return m_model; }
    const CaptureSession &session() const { return m_session; }
    QList<OverlayView *> views() const;
    // The window that takes the keyboard: the one under the pointer.
    OverlayView *keyWindow() const { return m_keyWindow; }
    bool isFinished() const { return m_finished; }
    // Ends the overlay with no result, as Escape does.
    void cancel() { finish(std::nullopt); }

    // The key table; public so that tests can drive it without a keyboard.
    void handleKey(int keyCode, bool shift, bool option);
    OverlayActions actions();

    // Pointer events of any overlay window, routed to the view they belong to: the one a drag began
    // on, otherwise the one under the pointer.
    OverlayView *viewForPointer(const QPointF &global) const;
    void setDragOwner(OverlayView *view) { m_dragOwner = view; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Blurs the view's display on a worker and hands it to the view, if both are still there.
    void blurLater(OverlayView *view);
    void confirm();
    void finish(std::optional<OverlayResult> result);
    void setMode(OverlayModel::Mode mode);
    void adjust(double dx, double dy, bool resize);

    CaptureSession m_session;
    OverlayModel m_model;
    Completion m_completion;
    ScreenLookup m_screenFor;
    QList<QPointer<OverlayView>> m_windows;
    QPointer<OverlayView> m_keyWindow;
    QPointer<OverlayView> m_dragOwner;
    std::optional<qint32> m_previousApp;
    bool m_keyMonitor = false;
    bool m_cursorPushed = false;
    bool m_finished = false;
};
