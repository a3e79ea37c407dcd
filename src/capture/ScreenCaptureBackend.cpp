#include "capture/CaptureBackend.h"

#include "capture/OverlayController.h"
#include "capture/OverlayView.h"
#include "capture/ScreenCapturer.h"
#include "capture/ScreenPermission.h"
#include "platform/ScreenServices.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>

namespace {

// The capture road on the X11 desktop: the screen capturer's grabs and the selection overlay.
class ScreenCaptureBackend final : public CaptureBackend {
public:
    bool hasScreenAccess() override { return ScreenPermission::isGranted(); }

    void requestScreenAccess() override { ScreenPermission::openSystemSettings(); }

    std::optional<qint32> frontmostPID() override { return platform::ScreenServices::shared().frontmostApplication(); }

    // The pixels are read off the GUI thread, which stays free for the clipboard, the toast and the
    // panels of earlier captures meanwhile.
    void captureDisplayUnderMouse(ImageCallback done) override {
        ScreenCapturer::captureDisplayUnderMouse(qApp, [done](CaptureResult<QImage> result) { deliver(result, done); });
    }

    void captureArea(const QRectF &rect, quint32 displayID, ImageCallback done) override {
        ScreenCapturer::captureArea(rect, displayID, qApp,
                                    [done](CaptureResult<QImage> result) { deliver(result, done); });
    }

    void captureWindow(const PickedWindow &window, std::optional<qint32> frontmostPID, bool returnFocus,
                       ImageCallback done) override {
        const WindowInfo info{window.id, window.frame, window.appName, window.ownerPID};
        ScreenCapturer::captureWindow(info, frontmostPID, returnFocus, qApp,
                                      [done](CaptureResult<QImage> result) { deliver(result, done); });
    }

    // The displays are frozen on the GUI thread: nothing else of ours is to be shown before the
    // overlay, and a read on another thread costs the overlay's first frame a few milliseconds.
    void showOverlay(OverlayMode mode, std::function<void(const QString &)> shown,
                     std::function<void(std::optional<OverlayPick>)> finished) override {
        CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
        if (!session) {
            shown(session.error().message());
            return;
        }
        auto controller = std::make_shared<QPointer<OverlayController>>();
        auto completion = [controller, finished](std::optional<OverlayResult> result) {
            // The overlay may still be inside one of its own event handlers.
            if (*controller) (*controller)->deleteLater();
            finished(pick(result));
        };
        *controller = new OverlayController(
            std::move(session).value(),
            mode == OverlayMode::area ? OverlayModel::Mode::area : OverlayModel::Mode::window, std::move(completion));
        // Up first: an overlay that cannot make any window finishes inside show().
        shown(QString());
        m_overlay = *controller;
        (*controller)->show();
    }

    void cancelOverlay() override {
        if (m_overlay) m_overlay->cancel();
    }

private:
    static std::optional<OverlayPick> pick(const std::optional<OverlayResult> &result) {
        if (!result) return std::nullopt;
        OverlayPick pick;
        if (result->kind == OverlayResult::Kind::area) {
            pick.area = OverlayPick::Area{result->image, result->rect, result->displayID};
        } else {
            const WindowInfo &w = result->window;
            pick.window = PickedWindow{w.id, w.frame, w.appName, w.ownerPID};
        }
        return pick;
    }

    static void deliver(const CaptureResult<QImage> &result, const ImageCallback &done) {
        if (result) done(result.value(), QString());
        else done(QImage(), result.error().message());
    }

    QPointer<OverlayController> m_overlay; // the last one shown, while it lives
};

} // namespace

template <>
CaptureBackend &platform::SharedService<CaptureBackend>::real() {
    static ScreenCaptureBackend screen;
    return screen;
}
