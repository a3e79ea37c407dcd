#pragma once

#include "capture/CaptureFile.h"
#include "core/BeautyStyle.h"
#include "core/ShortcutAction.h"

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

// The single entry of every capture and the road from an image to its outcome: a tutorial step, or a
// recents file followed by the editor, the quick panel or a beautified copy, as "afterCapture" says.
// Main thread only.
namespace CaptureService {

// What became of a start.
enum class Start {
    started,
    refusedUnderDialog, // a modal dialog is open
    refusedBusy,        // a capture is being prepared
    refusedOverlayUp,   // the user is picking an area or a window
    refusedNoAccess,    // the screen may not be read (the user was asked)
    refusedQuitting,    // the application is ending (beginQuitting)
};

// Starts the action and returns at once; the capture itself runs on the next turn of the event loop.
// Refused while a capture is being prepared, the overlay is up or a modal dialog is open (except the
// tutorial toggle, which never captures).
Start start(ShortcutAction action);

// What the road hands on beyond the capture folder. The road knows no window: src/app connects these
// signals to the router and the main window at start-up.
class Events : public QObject {
    Q_OBJECT
signals:
    // A capture for the editor ("afterCapture" is "editor"), emitted before its recents file is
    // written; the receiver opens it and shows the editor page before the road goes on, and learns the
    // file from `file` once it is written.
    void editorRequested(const QImage &image, const CaptureFile::Ptr &file, const std::optional<BeautyStyle> &style);
    // A grab that takes our windows off the screen is starting for a capture that goes to the editor;
    // `grabEnded` follows once its capture is delivered or has failed. The main window may stay off
    // the screen meanwhile and come back on the new capture.
    void editorGrabStarting();
    void grabEnded();
    // Every capture started has come to its end: handed to the recents store or a tutorial, cancelled or
    // failed.
    void settled();
};
Events &events();

// The application is ending: nothing new starts from now on, an overlay that is up is cancelled, and the
// captures already started go straight to their files (no clipboard, panel or editor any more). The
// application ends once `isSettled()`, or at `settled`.
void beginQuitting();
// Whether no capture that was started is still on its way: being grabbed or beautified.
bool isSettled();

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
