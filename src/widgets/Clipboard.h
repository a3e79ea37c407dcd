#pragma once

#include <QImage>

// Every image copy of the application goes through here.
namespace Clipboard {

// Replaces the clipboard's contents with the image as PNG and TIFF data, and nothing else.
// Both are encoded first; the clipboard is touched only when at least one encoding succeeded, so a
// failed copy never wipes what the user had. Returns whether the image is on the clipboard.
bool copy(const QImage &image);

// A finished picture copied for pasting: PNG at the stored export scale (never flattened on white,
// whatever the stored format), with a toast that says whether it worked. Returns whether it did.
bool copyForPasting(const QImage &image);

} // namespace Clipboard
