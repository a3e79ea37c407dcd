#pragma once

#include "capture/DisplaySnapshot.h"
#include "capture/WindowInfo.h"

#include <QList>
#include <QPointF>

#include <optional>

// Every display and the pickable windows, frozen when a capture starts.
struct CaptureSession {
    QList<DisplaySnapshot> snapshots; // the primary display first
    QList<WindowInfo> windows;        // front-most first

    // The front-most window whose frame holds the global point.
    std::optional<WindowInfo> window(const QPointF &at) const;
    // The first display whose bounds hold the global point.
    const DisplaySnapshot *snapshot(const QPointF &containing) const;
};
