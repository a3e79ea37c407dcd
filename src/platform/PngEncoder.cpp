#include "platform/PngEncoder.h"

#include "platform/ImageChecks.h"
#include "platform/ThreadPriority.h"

#include <QThread>
#include <QThreadPool>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace platform::PngEncoder {

namespace {

// Strips of at least this many raw bytes: each strip costs a flush marker and the context it cannot
// refer back to, negligible above this.
constexpr qsizetype kMinStripBytes = 256 * 1024;

// The encoder's own threads, named, at most one per core, gone a moment after the last encoding so
// that an idle process keeps none. Not the shared pool: Qt's image work for the GUI thread waits for
// that pool's threads, and a picture's strips would hold all of them while the clipboard is claimed.
// They run below the GUI thread (bulk priority): strips on every core would otherwise keep the
// interface waiting for a processor (the toast, the overlay's close) while the picture is encoded.
QThreadPool &pool() {
    static QThreadPool *threads = [] {
        auto *created = new QThreadPool;
        created->setExpiryTimeout(2000);
        created->setObjectName(QStringLiteral("PngEncoder"));
        return created;
    }();
    return *threads;
}

// The picture in one of the three layouts rows are read from (0xAARRGGBB words).
QImage readable(const QImage &image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return image;
    default: return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

bool rowsOpaque(const QImage &image, int from, int to) {
    if (image.format() == QImage::Format_RGB32) return true;
    for (int y = from; y < to; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0, w = image.width(); x < w; ++x)
            if (qAlpha(line[x]) != 0xff) return false;
    }
    return true;
}

int threadCount(const Options &options) {
    const int cores = std::max(1, QThread::idealThreadCount());
    return options.threads > 0 ? std::min(options.threads, cores) : cores;
}

// Whether every pixel is opaque. A 4K canvas is ten million pixels: bands of rows are looked at on
// the encoder's threads.
bool opaque(const QImage &image, int threads) {
    if (image.format() == QImage::Format_RGB32) return true;
    const int bands = std::clamp(image.height() / 64, 1, threads);
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < bands; ++i)
        rows.emplace_back(int(qint64(image.height()) * i / bands), int(qint64(image.height()) * (i + 1) / bands));
    std::atomic<bool> translucent{false};
    std::atomic<int> next{0};
    runAtBulkPriority(pool(), bands, [&] {
        for (int i = next++; i < bands && !translucent.load(std::memory_order_relaxed); i = next++)
            if (!rowsOpaque(image, rows[size_t(i)].first, rows[size_t(i)].second)) translucent = true;
    });
    return !translucent;
}

// One row as PNG samples: R G B, or R G B A with straight alpha.
void samples(const QImage &image, int y, bool alpha, uchar *out) {
    const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const int w = image.width();
    if (!alpha) {
        for (int x = 0; x < w; ++x, out += 3) {
            const QRgb p = line[x];
            out[0] = uchar(qRed(p));
            out[1] = uchar(qGreen(p));
            out[2] = uchar(qBlue(p));
        }
        return;
    }
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    for (int x = 0; x < w; ++x, out += 4) {
        const QRgb p = premultiplied ? qUnpremultiply(line[x]) : line[x];
        out[0] = uchar(qRed(p));
        out[1] = uchar(qGreen(p));
        out[2] = uchar(qBlue(p));
        out[3] = uchar(qAlpha(p));
    }
}

uchar paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return uchar(a);
    return uchar(pb <= pc ? b : c);
}

// Filters one row of `n` bytes with `bpp` bytes per pixel into out[0 … n-1]; `prior` is the row above
// (zeros for the first).
void applyFilter(int type, const uchar *row, const uchar *prior, qsizetype n, int bpp, uchar *out) {
    switch (type) {
    case 0: std::memcpy(out, row, size_t(n)); break;
    case 1:
        for (qsizetype i = 0; i < n; ++i) out[i] = uchar(row[i] - (i >= bpp ? row[i - bpp] : 0));
        break;
    case 2:
        for (qsizetype i = 0; i < n; ++i) out[i] = uchar(row[i] - prior[i]);
        break;
    case 3:
        for (qsizetype i = 0; i < n; ++i) out[i] = uchar(row[i] - ((i >= bpp ? row[i - bpp] : 0) + prior[i]) / 2);
        break;
    default:
        for (qsizetype i = 0; i < n; ++i)
            out[i] = uchar(row[i] - (i >= bpp ? paeth(row[i - bpp], prior[i], prior[i - bpp]) : paeth(0, prior[i], 0)));
        break;
    }
}

// The filter of smallest sum of absolute (signed) values, libpng's heuristic.
int adaptiveFilter(const uchar *row, const uchar *prior, qsizetype n, int bpp, uchar *scratch, uchar *out) {
    int best = 0;
    quint64 bestSum = ~quint64(0);
    for (int type = 0; type <= 4; ++type) {
        uchar *target = type == 0 ? out : scratch;
        applyFilter(type, row, prior, n, bpp, target);
        quint64 sum = 0;
        for (qsizetype i = 0; i < n; ++i) sum += quint64(std::abs(int(static_cast<signed char>(target[i]))));
        if (sum < bestSum) {
            bestSum = sum;
            best = type;
            if (type != 0) std::memcpy(out, scratch, size_t(n));
        }
    }
    return best;
}

struct Strip {
    int from = 0, to = 0;
    std::unique_ptr<uchar[]> compressed; // not zero-filled: its bound is as large as the raw rows
    qsizetype compressedSize = 0;
    uLong adler = 1;
    uLong length = 0; // filtered bytes
    bool ok = false;
};

// Everything the threads of one encoding share.
struct Job {
    QImage image;
    Options options;
    bool alpha = false;
    qsizetype rowBytes = 0;
    std::vector<Strip> strips;
    std::atomic<int> next{0};
};

// Filters row after row into a buffer of one row and hands each to the deflater as it is made, so the
// raw strip never exists whole: the rows stay in the cache between filtering and compressing.
bool deflateStrip(const Job &job, Strip &strip, bool last) {
    const int bpp = job.alpha ? 4 : 3;
    const qsizetype n = job.rowBytes;
    const auto width = static_cast<size_t>(n);
    std::vector<uchar> row(width), prior(width, 0), scratch(width), filtered(width + 1);
    if (strip.from > 0) samples(job.image, strip.from - 1, job.alpha, prior.data());

    z_stream z{};
    if (deflateInit2(&z, std::clamp(job.options.level, 0, 9), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    strip.length = uLong((n + 1) * (strip.to - strip.from));
    // A sync flush adds an empty stored block (5 bytes) and byte alignment to the bound.
    const qsizetype bound = qsizetype(deflateBound(&z, strip.length)) + 16;
    strip.compressed.reset(new uchar[size_t(bound)]);
    z.next_out = strip.compressed.get();
    z.avail_out = uInt(bound);
    bool complete = true;
    for (int y = strip.from; y < strip.to && complete; ++y) {
        samples(job.image, y, job.alpha, row.data());
        uchar *out = filtered.data();
        if (job.options.filter == Filter::adaptive) {
            out[0] = uchar(adaptiveFilter(row.data(), prior.data(), n, bpp, scratch.data(), out + 1));
        } else {
            out[0] = uchar(job.options.filter);
            applyFilter(out[0], row.data(), prior.data(), n, bpp, out + 1);
        }
        std::swap(row, prior);
        strip.adler = adler32_z(strip.adler, out, width + 1);
        z.next_in = out;
        z.avail_in = uInt(width + 1);
        const bool final = y + 1 == strip.to;
        const int result = deflate(&z, final ? (last ? Z_FINISH : Z_SYNC_FLUSH) : Z_NO_FLUSH);
        complete = final && last ? result == Z_STREAM_END : (result == Z_OK && z.avail_in == 0);
    }
    strip.compressedSize = bound - qsizetype(z.avail_out);
    deflateEnd(&z);
    return complete;
}

// Takes strips until none is left; any number of threads run this on one job.
void compressStrips(Job &job) {
    const int count = int(job.strips.size());
    for (int i = job.next++; i < count; i = job.next++) {
        Strip &strip = job.strips[size_t(i)];
        try {
            strip.ok = deflateStrip(job, strip, i == count - 1);
        } catch (const std::bad_alloc &) {
            strip.ok = false;
        }
    }
}

void putBigEndian(uchar *out, quint32 value) {
    out[0] = uchar(value >> 24);
    out[1] = uchar(value >> 16);
    out[2] = uchar(value >> 8);
    out[3] = uchar(value);
}

// Appends a chunk of `data` (the CRC covering the type and the data).
void appendChunk(QByteArray &out, const char *type, const uchar *data, quint32 length) {
    uchar head[8];
    putBigEndian(head, length);
    std::memcpy(head + 4, type, 4);
    out.append(reinterpret_cast<const char *>(head), 8);
    if (length > 0) out.append(reinterpret_cast<const char *>(data), length);
    uchar crc[4];
    // zlib takes a null buffer as a request for the initial value.
    const uLong typeCrc = crc32_z(0, head + 4, 4);
    putBigEndian(crc, quint32(length > 0 ? crc32_z(typeCrc, data, length) : typeCrc));
    out.append(reinterpret_cast<const char *>(crc), 4);
}

} // namespace

std::optional<QByteArray> encode(const QImage &source, const Options &options) {
    // PNG itself takes sides up to 2^31 - 1; the pixel budget still holds.
    if (source.isNull() || qint64(source.width()) * source.height() > maxImagePixels) return std::nullopt;
    try {
        auto job = std::make_unique<Job>();
        job->image = readable(source);
        if (job->image.isNull()) return std::nullopt;
        job->options = options;
        const int width = job->image.width();
        const int height = job->image.height();
        const int threads = threadCount(options);
        job->alpha = !opaque(job->image, threads);
        job->rowBytes = qsizetype(width) * (job->alpha ? 4 : 3);

        const int minRows = int(std::max<qsizetype>(1, kMinStripBytes / job->rowBytes));
        // A few strips per thread, so that a thread slowed by others' work leaves less behind.
        const int count = std::clamp(height / minRows, 1, threads * 3);
        for (int i = 0; i < count; ++i)
            job->strips.push_back(
                {int(qint64(height) * i / count), int(qint64(height) * (i + 1) / count), {}, 0, 1, 0, false});

        runAtBulkPriority(pool(), std::min(threads, count), [&job] { compressStrips(*job); });

        uLong adler = 1;
        qsizetype total = 8 + 25 + 12 + 2 + 4 + 12 * count;
        for (const Strip &strip : job->strips) {
            if (!strip.ok) return std::nullopt;
            adler = adler32_combine(adler, strip.adler, z_off_t(strip.length));
            total += strip.compressedSize;
        }

        QByteArray png;
        png.reserve(total);
        png.append("\x89PNG\r\n\x1a\n", 8);
        uchar header[13];
        putBigEndian(header, quint32(width));
        putBigEndian(header + 4, quint32(height));
        header[8] = 8;                  // bits per sample
        header[9] = job->alpha ? 6 : 2; // RGBA or RGB
        header[10] = header[11] = header[12] = 0;
        appendChunk(png, "IHDR", header, 13);
        // The zlib stream: its header (32 K window, no dictionary), the strips, its checksum. Chunk
        // boundaries need not follow the stream's structure.
        const uchar zlibHeader[2] = {0x78, 0x01};
        appendChunk(png, "IDAT", zlibHeader, 2);
        for (Strip &strip : job->strips) {
            appendChunk(png, "IDAT", strip.compressed.get(), quint32(strip.compressedSize));
            strip.compressed.reset();
        }
        uchar checksum[4];
        putBigEndian(checksum, quint32(adler));
        appendChunk(png, "IDAT", checksum, 4);
        appendChunk(png, "IEND", nullptr, 0);
        return png;
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    }
}

} // namespace platform::PngEncoder
