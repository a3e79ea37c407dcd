#pragma once

#include "capture/ShortcutAction.h"

#include <QImage>
#include <QRectF>

#include <optional>

// The single entry of every capture and the road from an image to its outcome: a tutorial step, or a
// recents file followed by the editor, the quick panel or a beautified copy, as "afterCapture" says.
// Main thread only.
namespace CaptureService {

// Starts the action and returns at once; the capture itself runs on the next turn of the event loop.
// Ignored while a capture is being prepared, the overlay is up or a modal dialog is open (except the
// tutorial toggle, which never captures).
void start(ShortcutAction action);

// For tests: the state of the road.
bool isBusy();
bool overlayIsUp();
struct LastArea {
    QRectF rect;
    quint32 displayID = 0;
};
std::optional<LastArea> lastArea();
void resetForTesting();

} // namespace CaptureService
