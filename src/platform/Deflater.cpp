#include "platform/Deflater.h"

#include <zlib.h>

#include <algorithm>
#include <utility>

namespace platform {

struct Deflater::Stream {
    z_stream z{};
    QByteArray out;
    qsizetype used = 0;
    bool ok = false;

    // Runs deflate until it has taken all input (and, finishing, written everything).
    bool run(int flush) {
        for (;;) {
            if (out.size() - used < 64 * 1024) out.resize(std::max<qsizetype>(2 * out.size(), 256 * 1024));
            z.next_out = reinterpret_cast<Bytef *>(out.data() + used);
            z.avail_out = static_cast<uInt>(out.size() - used);
            const int status = deflate(&z, flush);
            used = out.size() - z.avail_out;
            if (status == Z_STREAM_END) return true;
            if (status == Z_BUF_ERROR && z.avail_out > 0) return flush == Z_NO_FLUSH; // nothing left to do
            if (status != Z_OK && status != Z_BUF_ERROR) return false;
            if (flush == Z_NO_FLUSH && z.avail_in == 0 && z.avail_out > 0) return true;
        }
    }
};

Deflater::Deflater(int level) : m(std::make_unique<Stream>()) {
    m->ok = deflateInit(&m->z, std::clamp(level, 0, 9)) == Z_OK;
}

Deflater::~Deflater() { deflateEnd(&m->z); }

bool Deflater::append(const char *data, qsizetype size) {
    // zlib counts in 32 bits: a large piece goes in slices.
    while (m->ok && size > 0) {
        const qsizetype slice = std::min<qsizetype>(size, 1 << 30);
        m->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m->z.avail_in = static_cast<uInt>(slice);
        m->ok = m->run(Z_NO_FLUSH);
        data += slice;
        size -= slice;
    }
    return m->ok;
}

QByteArray Deflater::finish() {
    if (!m->ok) return {};
    m->z.next_in = nullptr;
    m->z.avail_in = 0;
    m->ok = m->run(Z_FINISH);
    if (!m->ok) return {};
    m->out.truncate(m->used);
    return std::exchange(m->out, {});
}

} // namespace platform
