#pragma once

#include "platform/Pasteboard.h"

#include <QImage>
#include <QList>

// Every image copy of the application goes through here.
namespace Clipboard {

// Replaces the clipboard's contents with the image as PNG and TIFF data, and nothing else.
// Both are encoded first; the clipboard is touched only when at least one encoding succeeded, so a
// failed copy never wipes what the user had. Returns whether the image is on the clipboard.
bool copy(const QImage &image);

// The same in two steps, so that the encoding can run off the main thread: the clipboard's forms of
// the image (PNG and TIFF; empty when neither could be made), on any thread; then putting them on
// the clipboard, on the main thread, which does nothing for an empty list. Returns whether the
// clipboard holds them.
QList<platform::Pasteboard::Item> encode(const QImage &image);
bool put(const QList<platform::Pasteboard::Item> &items);

// A finished picture copied for pasting: PNG at the stored export scale (never flattened on white,
// whatever the stored format), with a toast that says whether it worked. Returns whether it did.
bool copyForPasting(const QImage &image);

} // namespace Clipboard
