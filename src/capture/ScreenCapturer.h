#pragma once

#include "capture/CaptureError.h"
#include "capture/CaptureSession.h"
#include "capture/WindowInfo.h"
#include "platform/ScreenServices.h"

#include <QImage>
#include <QPointF>

#include <functional>
#include <optional>

class QObject;
class QScreen;

// All screen grabbing: freezing every display with the pickable windows before the overlay comes
// up, the display under the mouse, a stored area afresh, and one window, brought forward when needed.
//
// How results arrive: the calls that only read from the display server (a session, the display under
// the mouse, an area) take milliseconds, so they are synchronous and return a CaptureResult (the
// image or the CaptureError). Capturing a window may have to activate its application and wait for
// it to settle, which takes up to a few seconds; `captureWindow` therefore returns at once and calls
// back on the GUI thread, driven by timers, so the event loop never sleeps. Deleting the context
// object abandons a pending window capture without a callback.
//
// Display and window access goes through platform::ScreenServices::shared(), so tests can substitute it.
namespace ScreenCapturer {

// Every display's image (without our own windows or the pointer) and the visible windows.
// A desktop without displays gives an empty session.
CaptureResult<CaptureSession> prepareSession();

// The whole display under the pointer (the first display when the pointer is on none).
CaptureResult<QImage> captureDisplayUnderMouse();

// `rect` (global points) cut from a fresh image of the display `displayID`.
CaptureResult<QImage> captureArea(const QRectF &rect, quint32 displayID);

using ImageCallback = std::function<void(CaptureResult<QImage>)>;
using WindowCallback = ImageCallback;

// The two above with the pixels read off the GUI thread (ScreenServices::displayImagesLater), for
// the capture road: the display is frozen as it is right after the call. `done` is called on the GUI
// thread, always after this call has returned, unless `context` is deleted first.
void captureDisplayUnderMouse(QObject *context, ImageCallback done);
void captureArea(const QRectF &rect, quint32 displayID, QObject *context, ImageCallback done);

// One window's image. When it belongs to `frontmostPID` (the application that was in front when the
// capture started) and is readable as it is, it is taken at once. Otherwise the window is brought
// forward, left to settle and read up to six times; with `returnFocus` the previous application is
// activated again afterwards when the window kept its size. One the window manager leaves minimised or
// on another workspace fails as hidden once it has had the time a desktop takes to bring a window
// forward, one closed meanwhile as gone. `done` is called once, always after this
// call has returned, unless `context` is deleted first.
void captureWindow(const WindowInfo &info, std::optional<qint32> frontmostPID, bool returnFocus, QObject *context,
                   WindowCallback done);

// The pointer in global points.
QPointF globalMouseLocation();
// The Qt screen showing a display, or null.
QScreen *screen(quint32 displayID);
// Whether an image is (nearly) all transparent or black, judged on a 12 × 12 thumbnail.
bool looksBlank(const QImage &image);

// The windows a user may pick, front-most first.
QList<WindowInfo> visibleWindows();
// The same filter over a given window list.
QList<WindowInfo> visibleWindows(const QList<platform::WindowDescription> &entries, qint32 ownPID);

// Waits of the window capture, in milliseconds; tests shorten them.
struct WindowTiming {
    int settleDelay = 250;
    int settlePoll = 80;
    int settlePolls = 16;
    int attemptDelay = 150;
    int attempts = 6;
    // How long a window may stay off the screen after its activation. A window manager that fades a
    // window in, or maps it late on a busy machine, takes a few hundred milliseconds; one that leaves the
    // window minimised or on another workspace never brings it.
    int hiddenAfter = 1200;
};
void setWindowTiming(const WindowTiming &timing);

} // namespace ScreenCapturer
