#include "capture/CaptureSession.h"

#include "capture/RectMath.h"

std::optional<WindowInfo> CaptureSession::window(const QPointF &at) const {
    for (const WindowInfo &w : windows) {
        if (RectMath::contains(w.frame, at)) return w;
    }
    return std::nullopt;
}

const DisplaySnapshot *CaptureSession::snapshot(const QPointF &containing) const {
    for (const DisplaySnapshot &s : snapshots) {
        if (RectMath::contains(s.bounds, containing)) return &s;
    }
    return nullptr;
}
