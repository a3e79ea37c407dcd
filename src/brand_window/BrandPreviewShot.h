#pragma once

#include <QImage>

// A made-up screenshot of an application window (760 × 480 pixels: a one-pixel frame around the window,
// whose bar along the top is 52 pixels tall), drawn once and kept for the life of the process: the brand page
// beautifies it for its print preview and hands it to the backdrop editor as its sample. Any thread.
namespace BrandPreviewShot {
const QImage &image();
}
