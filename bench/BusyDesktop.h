#pragma once

#include <QImage>
#include <QSize>

// A full-screen capture of a working desktop: a photographic wallpaper (smooth noise of several
// scales, which compresses as poorly as a photo) under windows of anti-aliased text. The same
// picture for the same size.
QImage busyDesktop(QSize size);
