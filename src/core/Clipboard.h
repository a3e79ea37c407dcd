#pragma once

#include "core/Notifier.h"
#include "platform/Pasteboard.h"

#include <QFuture>
#include <QImage>
#include <QList>

#include <functional>

// Every image copy of the application goes through here.
namespace Clipboard {

// Replaces the clipboard's contents with the image as PNG and TIFF data, and nothing else. The PNG
// is encoded first, and the clipboard is touched only when that succeeded, so a failed copy never
// wipes what the user had; the TIFF (rarely asked for, and tens of megabytes for a large picture) is
// made from the PNG when a program first asks for it. Returns whether the image is on the clipboard.
bool copy(const QImage &image);

// The same in two steps, so that the encoding can run off the main thread: the clipboard's form of
// the image (its PNG; empty when it could not be made), on any thread; then putting it on the
// clipboard, on the main thread, which does nothing for an empty list and offers a TIFF made from the
// PNG on request. Returns whether the clipboard holds them.
QList<platform::Pasteboard::Item> encode(const QImage &image);
bool put(const QList<platform::Pasteboard::Item> &items);

// How a copy for pasting ended. Its notice is the caller's to give.
struct PastingCopy {
    bool copied = false;
    bool overtaken = false; // a later copy started meanwhile: this one was dropped, the clipboard untouched
    QImage picture;         // what was copied, or its thumbnail when copied in the background
    // That the picture can be pasted, or that the clipboard refused it.
    Notice notice() const;
};

// A finished picture copied for pasting: PNG at the stored export scale (never flattened on white,
// whatever the stored format).
PastingCopy copyForPasting(const QImage &image);

// The same with all the heavy work on a worker thread: `picture` (drawing the finished picture, say)
// runs there, and so do the scaling, the encoding and the notice's thumbnail; back on the main thread
// the clipboard is claimed, then `done` learns how it went. A copy that finishes after a later one was
// started is dropped (`overtaken`), so the clipboard ends with the newest; one overtaken before its
// worker started never calls `picture`. Main thread only.
void copyForPastingInBackground(std::function<QImage()> picture, std::function<void(const PastingCopy &)> done);

// Copies the picture `picture` will give, as it is (no export scale): encoded on a worker once it
// comes, put on the clipboard on the main thread, and dropped (`overtaken`) when a later copy started
// meanwhile. A null picture copies nothing. `done` learns how it went (no picture: the caller has its
// own). Main thread only.
void copyInBackground(QFuture<QImage> picture, std::function<void(const PastingCopy &)> done);

} // namespace Clipboard
