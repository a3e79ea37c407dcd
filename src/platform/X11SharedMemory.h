#pragma once

// Private to src/platform.

#include "platform/X11Connection.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// Pixel reads through MIT shared memory. Making a segment, attaching it on both sides and the kernel
// filling its fresh pages cost a full-screen read over ten milliseconds, so the segment of a read made
// with `keep` is kept, attached, once its image is gone, for the next read of the same size. At most one
// segment is kept; it is freed when a read with `keep` of another size comes, after `idleLimitMs` without
// a read (when an application runs), or with this object. Other reads use it when it fits and give it
// back; their own segments go with their images. Any thread.
class X11SharedMemory : public std::enable_shared_from_this<X11SharedMemory> {
public:
    static constexpr int idleLimitMs = 3 * 60 * 1000;

    // The connection must offer the extension (X11Connection::hasShm).
    explicit X11SharedMemory(std::shared_ptr<X11Connection> x);
    ~X11SharedMemory();
    X11SharedMemory(const X11SharedMemory &) = delete;
    X11SharedMemory &operator=(const X11SharedMemory &) = delete;

    // `rect` of `drawable` as an image over a segment, which goes back to this object when the last
    // copy of the image is gone; null when the server refuses or no segment can be made.
    QImage read(xcb_drawable_t drawable, const QRect &rect, QImage::Format format, bool keep);
    // Whether a free segment is kept, and its size in bytes.
    qsizetype keptBytes();

    static void setIdleLimitForTesting(int ms);

private:
    struct Segment {
        int id = -1;
        void *memory = nullptr;
        qsizetype bytes = 0;
        quint32 server = 0; // the server's name for it
    };
    struct Loan;

    // A segment of `bytes`, `kept` when it is the one this object kept.
    std::optional<Segment> acquire(qsizetype bytes, bool keep, bool *kept);
    void giveBack(const Segment &segment, bool keep);
    void freeIfIdleSince(quint64 generation);
    static std::optional<Segment> make(X11Connection &x, qsizetype bytes);
    // Detaches it from the server and unmaps it on a worker: unmapping tens of megabytes takes
    // milliseconds, and the last copy of an image is often dropped on the GUI thread.
    static void discard(const std::shared_ptr<X11Connection> &x, const Segment &segment);
    static void handBack(void *loan);

    std::shared_ptr<X11Connection> m_x;
    std::mutex m_mutex;
    std::optional<Segment> m_idle;
    quint64 m_generation = 0;
};

} // namespace platform
