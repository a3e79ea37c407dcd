#pragma once

#include <QImage>
#include <QSize>

// A full-screen capture of a working desktop: a photographic wallpaper (smooth noise of several
// scales, which compresses as poorly as a photo) under windows of anti-aliased text. The same
// picture for the same size and `screen`; no two lines of text are drawn alike, on one screen or
// across screens.
QImage busyDesktop(QSize size, int screen = 0);
