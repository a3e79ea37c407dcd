#pragma once

#include <QImage>

// A screenshot-like picture: a title bar, a sidebar and lines of text-like bars, content up to the edges.
QImage benchScreenshot(int w, int h);
