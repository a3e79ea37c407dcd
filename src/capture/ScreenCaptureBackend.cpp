#include "capture/CaptureBackend.h"

#include "capture/OverlayController.h"
#include "capture/OverlayView.h"
#include "capture/ScreenCapturer.h"
#include "capture/ScreenPermission.h"
#include "platform/ScreenServices.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace {

// The capture road on the X11 desktop: the screen capturer's grabs and the selection overlay.
class ScreenCaptureBackend final : public CaptureBackend {
public:
    bool hasScreenAccess() override { return ScreenPermission::isGranted(); }

    void requestScreenAccess() override { ScreenPermission::openSystemSettings(); }

    std::optional<qint32> frontmostPID() override {
        return platform::ScreenServices::shared()->frontmostApplication();
    }

    void captureDisplayUnderMouse(ImageCallback done) override { deliver(ScreenCapturer::captureDisplayUnderMouse(), done); }

    void captureArea(const QRectF &rect, quint32 displayID, ImageCallback done) override {
        deliver(ScreenCapturer::captureArea(rect, displayID), done);
    }

    void captureWindow(const PickedWindow &window, std::optional<qint32> frontmostPID, bool returnFocus,
                       ImageCallback done) override {
        const WindowInfo info{window.id, window.frame, window.appName, window.ownerPID};
        ScreenCapturer::captureWindow(info, frontmostPID, returnFocus, qApp,
                                      [done](CaptureResult<QImage> result) { deliver(result, done); });
    }

    void showOverlay(OverlayMode mode, std::function<void(const QString &)> shown,
                     std::function<void(std::optional<OverlayPick>)> finished) override {
        CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
        if (!session) {
            shown(session.error().message());
            return;
        }
        const OverlayModel::Mode overlayMode =
            mode == OverlayMode::window ? OverlayModel::Mode::window : OverlayModel::Mode::area;
        // The controller lives until it has finished: its completion (run exactly once) lets it go.
        auto self = std::make_shared<QPointer<OverlayController>>();
        auto *controller = new OverlayController(
            std::move(session.value()), overlayMode, [finished, self](std::optional<OverlayResult> result) {
                if (*self) (*self)->deleteLater();
                if (!result) return finished(std::nullopt);
                OverlayPick pick;
                if (result->kind == OverlayResult::Kind::area)
                    pick.area = OverlayPick::Area{result->image, result->rect, result->displayID};
                else
                    pick.window = PickedWindow{result->window.id, result->window.frame, result->window.appName,
                                               result->window.ownerPID};
                finished(pick);
            });
        *self = controller;
        shown(QString());
        controller->show();
    }

private:
    static void deliver(const CaptureResult<QImage> &result, const ImageCallback &done) {
        if (result) done(result.value(), QString());
        else done(QImage(), result.error().message());
    }
};

CaptureBackend *substitute = nullptr;

} // namespace

CaptureBackend &CaptureBackend::shared() {
    if (substitute) return *substitute;
    static ScreenCaptureBackend screen;
    return screen;
}

void CaptureBackend::setSharedForTesting(CaptureBackend *backend) { substitute = backend; }
