#pragma once

#include <QHashFunctions>
#include <QRectF>
#include <QString>

// A window offered for picking, as the capture session froze it.
struct WindowInfo {
    quint32 id = 0;      // the X window
    QRectF frame;        // global points, decorations included
    QString appName;     // empty when unknown
    qint32 ownerPID = 0; // 0 when no process is known for it

    friend bool operator==(const WindowInfo &, const WindowInfo &) = default;
};

inline size_t qHash(const WindowInfo &w, size_t seed = 0) {
    return qHashMulti(seed, w.id, w.frame.x(), w.frame.y(), w.frame.width(), w.frame.height(), w.appName, w.ownerPID);
}
