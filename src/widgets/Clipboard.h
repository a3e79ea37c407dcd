#pragma once

#include "platform/Pasteboard.h"

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

// A finished picture copied for pasting: PNG at the stored export scale (never flattened on white,
// whatever the stored format), with a toast that says whether it worked. Returns whether it did.
bool copyForPasting(const QImage &image);

// The same with all the heavy work on a worker thread: `picture` (drawing the finished picture, say)
// runs there, and so do the scaling and the encoding; back on the main thread the clipboard is
// claimed and the toast shown, then `done` learns whether the copy worked. A copy that finishes after
// a later one was started is dropped (`done(false)`, no toast), so the clipboard ends with the newest.
// Main thread only.
void copyForPastingInBackground(std::function<QImage()> picture, std::function<void(bool)> done = {});

} // namespace Clipboard
