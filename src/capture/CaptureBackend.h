#pragma once

#include "platform/SharedService.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

// What the capture road asks of the screen: access, grabs and the selection overlay. The real one
// works on the X11 display; tests substitute their own. Every callback runs on the main thread,
// exactly once.
class CaptureBackend : public platform::SharedService<CaptureBackend> {
public:
    enum class OverlayMode { area, window };

    // A window the user picked in the overlay.
    struct PickedWindow {
        quint32 id = 0;
        QRectF frame; // global coordinates
        QString appName;
        qint32 ownerPID = 0;
    };
    // What the overlay gives back: an area already cut from the frozen display, or a window.
    struct OverlayPick {
        struct Area {
            QImage image;
            QRectF rect; // global coordinates
            quint32 displayID = 0;
        };
        std::optional<Area> area;
        std::optional<PickedWindow> window;
    };

    // A grab's result: the image, or the message of what went wrong (the image is then null).
    using ImageCallback = std::function<void(const QImage &image, const QString &error)>;

    virtual ~CaptureBackend() = default;

    virtual bool hasScreenAccess() = 0;
    // Asks for access and opens the place where the user grants it.
    virtual void requestScreenAccess() = 0;
    // The process of the application in front, when there is one.
    virtual std::optional<qint32> frontmostPID() = 0;

    virtual void captureDisplayUnderMouse(ImageCallback done) = 0;
    virtual void captureArea(const QRectF &rect, quint32 displayID, ImageCallback done) = 0;
    virtual void captureWindow(const PickedWindow &window, std::optional<qint32> frontmostPID, bool returnFocus,
                               ImageCallback done) = 0;

    // Freezes the displays and puts the overlay on screen. `shown` reports that it is up (empty
    // message) or why it could not be (then `finished` never comes); `finished` brings the pick, or
    // none when the user cancelled.
    virtual void showOverlay(OverlayMode mode, std::function<void(const QString &error)> shown,
                             std::function<void(std::optional<OverlayPick>)> finished) = 0;
    // Takes the overlay that is up, if any, off the screen as Escape would: its `finished` comes with none.
    virtual void cancelOverlay() = 0;
};
template <>
CaptureBackend &platform::SharedService<CaptureBackend>::real();
