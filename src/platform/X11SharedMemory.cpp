#include "platform/X11SharedMemory.h"

#ifdef PELICARTA_HAVE_XCB_SHM

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <atomic>

namespace platform {

namespace {

std::atomic<int> idleLimit{X11SharedMemory::idleLimitMs};

// Qt's connection is closed with the application: requests on it are sent only while that runs.
bool usable(const X11Connection &x) { return (!x.sharedWithQt() || QCoreApplication::instance()) && x.alive(); }

} // namespace

// What an image over a segment carries to hand it back.
struct X11SharedMemory::Loan {
    std::weak_ptr<X11SharedMemory> owner;
    std::shared_ptr<X11Connection> x;
    Segment segment;
    bool keep = false;
};

X11SharedMemory::X11SharedMemory(std::shared_ptr<X11Connection> x) : m_x(std::move(x)) {}

X11SharedMemory::~X11SharedMemory() {
    if (m_idle) discard(m_x, *m_idle);
}

void X11SharedMemory::setIdleLimitForTesting(int ms) { idleLimit = ms; }

qsizetype X11SharedMemory::keptBytes() {
    const std::lock_guard lock(m_mutex);
    return m_idle ? m_idle->bytes : 0;
}

std::optional<X11SharedMemory::Segment> X11SharedMemory::make(X11Connection &x, qsizetype bytes) {
    xcb_connection_t *c = x.connection();
    const int id = ::shmget(IPC_PRIVATE, size_t(bytes), IPC_CREAT | 0600);
    if (id < 0) return std::nullopt;
    void *memory = ::shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void *>(-1)) {
        ::shmctl(id, IPC_RMID, nullptr);
        return std::nullopt;
    }
    const xcb_shm_seg_t server = xcb_generate_id(c);
    xcb_generic_error_t *failure = xcb_request_check(c, xcb_shm_attach_checked(c, server, quint32(id), 0));
    // Removed once both sides have let go of it.
    ::shmctl(id, IPC_RMID, nullptr);
    if (failure) {
        std::free(failure);
        ::shmdt(memory);
        return std::nullopt;
    }
    return Segment{id, memory, bytes, server};
}

void X11SharedMemory::discard(const std::shared_ptr<X11Connection> &x, const Segment &segment) {
    if (x && usable(*x))
        xcb_discard_reply(x->connection(), xcb_shm_detach_checked(x->connection(), segment.server).sequence);
    void *memory = segment.memory;
    if (QThreadPool *pool = QThreadPool::globalInstance()) pool->start([memory] { ::shmdt(memory); });
    else ::shmdt(memory);
}

std::optional<X11SharedMemory::Segment> X11SharedMemory::acquire(qsizetype bytes, bool keep, bool *kept) {
    {
        const std::lock_guard lock(m_mutex);
        *kept = m_idle && m_idle->bytes == bytes;
        if (*kept || (m_idle && keep)) {
            const Segment idle = *m_idle;
            m_idle.reset();
            ++m_generation;
            if (*kept) return idle;
            discard(m_x, idle); // the screen changed size
        }
    }
    return make(*m_x, bytes);
}

void X11SharedMemory::giveBack(const Segment &segment, bool keep) {
    if (!keep) return discard(m_x, segment);
    quint64 generation = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (m_idle) discard(m_x, *m_idle); // two images were out at once: the newer one's segment is kept
        m_idle = segment;
        generation = ++m_generation;
    }
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app,
        [self = weak_from_this(), generation] {
            QTimer::singleShot(idleLimit.load(), QCoreApplication::instance(), [self, generation] {
                if (const auto owner = self.lock()) owner->freeIfIdleSince(generation);
            });
        },
        Qt::QueuedConnection);
}

void X11SharedMemory::freeIfIdleSince(quint64 generation) {
    const std::lock_guard lock(m_mutex);
    if (!m_idle || m_generation != generation) return;
    discard(m_x, *m_idle);
    m_idle.reset();
}

void X11SharedMemory::handBack(void *loan) {
    const std::unique_ptr<Loan> owned(static_cast<Loan *>(loan));
    if (const auto owner = owned->owner.lock()) owner->giveBack(owned->segment, owned->keep);
    else discard(owned->x, owned->segment);
}

QImage X11SharedMemory::read(xcb_drawable_t drawable, const QRect &rect, QImage::Format format, bool keep) {
    const qsizetype bytes = qsizetype(rect.width()) * rect.height() * 4;
    bool kept = false;
    const std::optional<Segment> segment = acquire(bytes, keep, &kept);
    if (!segment) return {};
    xcb_connection_t *c = m_x->connection();
    xcb_generic_error_t *failure = nullptr;
    auto reply = xcbReply(xcb_shm_get_image_reply(c,
                                                  xcb_shm_get_image(c, drawable, int16_t(rect.x()), int16_t(rect.y()),
                                                                    uint16_t(rect.width()), uint16_t(rect.height()),
                                                                    ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->server, 0),
                                                  &failure));
    std::free(failure);
    if (!reply) {
        // Not kept: a segment the server has lost would fail every later read too.
        discard(m_x, *segment);
        return {};
    }
    auto *loan = new Loan{weak_from_this(), m_x, *segment, keep || kept};
    QImage image(static_cast<uchar *>(segment->memory), rect.width(), rect.height(), rect.width() * 4, format,
                 &X11SharedMemory::handBack, loan);
    if (image.isNull()) handBack(loan);
    return image;
}

} // namespace platform

#else

namespace platform {

X11SharedMemory::X11SharedMemory(std::shared_ptr<X11Connection> x) : m_x(std::move(x)) {}
X11SharedMemory::~X11SharedMemory() = default;
void X11SharedMemory::setIdleLimitForTesting(int) {}
qsizetype X11SharedMemory::keptBytes() { return 0; }
QImage X11SharedMemory::read(xcb_drawable_t, const QRect &, QImage::Format, bool) { return {}; }

} // namespace platform

#endif
