#include "platform/PngStreamWriter.h"

#include "platform/ImageChecks.h"

#include <QBuffer>
#include <QIODevice>

#include <png.h>

#include <algorithm>
#include <csetjmp>

namespace platform {

// libpng reports errors by longjmp. Every call into it therefore happens in a small function whose
// frame holds nothing with a destructor, so that the jump skips no C++ clean-up.
struct PngStreamWriter::State {
    QIODevice *device = nullptr;
    QSize size;
    Channels channels = Channels::rgb;
    png_structp png = nullptr;
    png_infop info = nullptr;
    int rowsWritten = 0;
    bool failed = false;
    bool finished = false;
    QString error;
};

namespace {

using State = PngStreamWriter::State;

void onError(png_structp png, png_const_charp message) {
    auto *state = static_cast<State *>(png_get_error_ptr(png));
    if (state->error.isEmpty()) state->error = QString::fromUtf8(message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, size_t length) {
    auto *state = static_cast<State *>(png_get_io_ptr(png));
    if (state->device->write(reinterpret_cast<const char *>(data), static_cast<qint64>(length)) !=
        static_cast<qint64>(length)) {
        state->error = state->device->errorString();
        png_error(png, "write failed");
    }
}

void onFlush(png_structp) {}

// The rows handed to libpng are always 32-bit pixels in QImage's ARGB layout (B, G, R, A in memory on
// little-endian machines); these transformations turn them into PNG's R, G, B (, A).
void setRowLayout(png_structp png, PngStreamWriter::Channels channels) {
    const bool rgba = channels == PngStreamWriter::Channels::rgba;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    if (!rgba) png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    if (rgba) png_set_swap_alpha(png);
    else png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
}

bool startFile(State *state, int compression) {
    if (setjmp(png_jmpbuf(state->png))) return false;
    png_set_write_fn(state->png, state, onWrite, onFlush);
    const int colorType =
        state->channels == PngStreamWriter::Channels::rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(state->png, state->info, static_cast<png_uint_32>(state->size.width()),
                 static_cast<png_uint_32>(state->size.height()), 8, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(state->png, compression);
    // No row filter: on screenshots (flat areas, text) deflate alone makes smaller files, and trying
    // the five filters per row costs several times the time.
    png_set_filter(state->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(state->png, state->info);
    setRowLayout(state->png, state->channels);
    return true;
}

bool writeBand(State *state, const QImage *band) {
    if (setjmp(png_jmpbuf(state->png))) return false;
    for (int y = 0; y < band->height(); ++y) png_write_row(state->png, band->constScanLine(y));
    return true;
}

bool endFile(State *state) {
    if (setjmp(png_jmpbuf(state->png))) return false;
    png_write_end(state->png, nullptr);
    return true;
}

// The band in the 32-bit layout the rows are written from, without a copy when it already is.
QImage rowsOf(const QImage &band, PngStreamWriter::Channels channels) {
    if (channels == PngStreamWriter::Channels::rgba)
        return band.format() == QImage::Format_ARGB32 ? band : band.convertToFormat(QImage::Format_ARGB32);
    switch (band.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return band;
    default: return band.convertToFormat(QImage::Format_RGB32);
    }
}

} // namespace

PngStreamWriter::PngStreamWriter(QIODevice *device, QSize size, Channels channels, int compression)
    : m(std::make_unique<State>()) {
    m->device = device;
    m->size = size;
    m->channels = channels;
    if (!device || !device->isWritable() || size.width() <= 0 || size.height() <= 0 ||
        size.width() > PNG_USER_WIDTH_MAX || size.height() > PNG_USER_HEIGHT_MAX) {
        m->failed = true;
        m->error = QStringLiteral("invalid PNG size or device");
        return;
    }
    m->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, m.get(), onError, onWarning);
    if (m->png) m->info = png_create_info_struct(m->png);
    if (!m->png || !m->info || !startFile(m.get(), std::clamp(compression, 0, 9))) {
        m->failed = true;
        if (m->error.isEmpty()) m->error = QStringLiteral("PNG encoder unavailable");
    }
}

PngStreamWriter::~PngStreamWriter() {
    if (m->png) png_destroy_write_struct(&m->png, m->info ? &m->info : nullptr);
}

bool PngStreamWriter::isValid() const { return !m->failed; }

bool PngStreamWriter::writeRows(const QImage &band) {
    if (m->failed || m->finished) return false;
    if (band.isNull() || band.width() != m->size.width() || band.height() > m->size.height() - m->rowsWritten) {
        m->failed = true;
        m->error = QStringLiteral("rows do not fit the picture");
        return false;
    }
    const QImage rows = rowsOf(band, m->channels);
    if (rows.isNull() || !writeBand(m.get(), &rows)) {
        m->failed = true;
        if (m->error.isEmpty()) m->error = QStringLiteral("out of memory");
        return false;
    }
    m->rowsWritten += band.height();
    return true;
}

bool PngStreamWriter::finish() {
    if (m->failed || m->finished) return false;
    if (m->rowsWritten != m->size.height()) {
        m->failed = true;
        m->error = QStringLiteral("rows missing");
        return false;
    }
    m->finished = true;
    if (!endFile(m.get())) m->failed = true;
    return !m->failed;
}

QString PngStreamWriter::errorString() const { return m->error; }

std::optional<QByteArray> PngStreamWriter::encode(const QImage &image, int compression) {
    if (image.isNull()) return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    PngStreamWriter writer(&buffer, image.size(), hasTransparentPixels(image) ? Channels::rgba : Channels::rgb,
                           compression);
    if (!writer.writeRows(image) || !writer.finish()) return std::nullopt;
    return bytes;
}

} // namespace platform
