#pragma once

// Private to src/platform.

#include "platform/X11Connection.h"
#include "platform/X11SharedMemory.h"
#include "platform/X11WindowQueries.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace platform {

// Pixels from the X server: of the root window or a pixmap (through shared memory when that pays off,
// else through the socket) and of a top-level window's own Composite pixmap. The connection must be
// alive.
class X11PixelReader {
public:
    static inline const QString readRefused = QStringLiteral("O servidor X recusou a leitura da tela.");

    // Large reads go through `shared` when given (readers of one connection share it, and with it the
    // segment it keeps), else through the socket.
    X11PixelReader(X11Connection &x, std::shared_ptr<X11SharedMemory> shared);

    // Pixels of a drawable in a 32-bit format: opaque RGB32 for depth 24, premultiplied ARGB for 32.
    // Null, with the reason in `error` (a text key for L()), when the server refuses or the format is
    // not supported; null without one for an empty rectangle.
    // With `keepMemory` the shared memory it used is kept for the next read of this size.
    QImage read(xcb_drawable_t drawable, const QRect &rect, int depth, QString *error, bool keepMemory = false);
    // Part of a top-level window's own pixmap (frame-local pixel rectangle); null when it has none.
    QImage readWindowPixmap(const X11TopLevel &window, const QRect &part, QString *error);
    // Replaces what our own windows cover in `image` (the root's pixels of `area`) with what lies
    // beneath them: the desktop background and, bottom to top, every other window's own pixmap.
    void paintOverOwnWindows(QImage &image, const QRect &area, const std::vector<X11TopLevel> &levels,
                             const std::vector<X11TopLevel> &own);

private:
    // The same as `read` through shared memory; null when that is unavailable or not worth it.
    QImage readShared(xcb_drawable_t drawable, const QRect &rect, int depth, bool keepMemory);

    X11Connection *m_x;
    std::shared_ptr<X11SharedMemory> m_shared;
};

} // namespace platform
