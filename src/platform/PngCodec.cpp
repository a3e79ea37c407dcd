#include "platform/PngCodec.h"

#include "platform/ImageChecks.h"
#include "platform/PixelReducer.h"

#include <QIODevice>

#include <png.h>

#include <csetjmp>
#include <memory>
#include <vector>

namespace platform::PngCodec {

namespace {

// No chunk but the image data needs more: colour profiles and palettes are far smaller.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;
constexpr png_uint_32 kMaxAncillaryChunks = 1000;

// Chunks skipped without being read into memory: only the picture matters here.
constexpr png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0tIME\0hIST\0pCAL\0sCAL\0sTER";

// Everything a decoding holds. Created before libpng's jump point, so that an error jumping back
// finds it whole and destroys it normally.
struct Decoding {
    QIODevice *device = nullptr;
    QString error;
    QImage image;
    std::vector<png_bytep> rows;
    std::vector<png_byte> row;
    std::unique_ptr<PixelReducer> reducer;
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    static_cast<Decoding *>(png_get_error_ptr(png))->error = QString::fromLatin1(message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readData(png_structp png, png_bytep out, size_t size) {
    auto *decoding = static_cast<Decoding *>(png_get_io_ptr(png));
    if (decoding->device->read(reinterpret_cast<char *>(out), qint64(size)) != qint64(size))
        png_error(png, "truncated file");
}

// Rows come out as 8-bit RGBA (opaque pictures get a filler alpha of 255).
bool setUpTransforms(png_structp png, png_infop info) {
    const int type = png_get_color_type(png, info);
    const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    if (!alpha) png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    return alpha;
}

} // namespace

bool isPng(const QByteArray &bytes) {
    return bytes.size() >= 8 && png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) == 0;
}

bool chunksWithinLimits(const QByteArray &bytes) {
    if (!isPng(bytes)) return false;
    for (qsizetype pos = 8; pos + 12 <= bytes.size();) {
        const auto *header = reinterpret_cast<const uchar *>(bytes.constData() + pos);
        const quint32 length =
            quint32(header[0]) << 24 | quint32(header[1]) << 16 | quint32(header[2]) << 8 | header[3];
        const QByteArray type = bytes.mid(pos + 4, 4);
        if (length > quint64(bytes.size() - pos - 12)) return false;
        if (type != "IDAT" && length > kMaxChunkBytes) return false;
        if (type == "IEND") return true;
        pos += 12 + qsizetype(length);
    }
    return true;
}

std::optional<QImage> decode(QIODevice &device, QSize reduceTo, QString *error) {
    if (!isPng(device.read(8))) {
        if (error) *error = QStringLiteral("not a PNG file");
        return std::nullopt;
    }
    Decoding decoding;
    decoding.device = &device;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoding, &onError, &onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        if (error) *error = QStringLiteral("out of memory");
        return std::nullopt;
    }
    // Only calls and plain values from here on: an error jumps back here past libpng's frames.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        if (error) *error = decoding.error;
        return std::nullopt;
    }
    png_set_read_fn(png, &decoding, &readData);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, maxImageSide, maxImageSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxAncillaryChunks);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, int(sizeof kSkipped / 5));
    png_read_info(png, info);

    const QSize size(int(png_get_image_width(png, info)), int(png_get_image_height(png, info)));
    if (!fitsImageLimits(size)) png_error(png, "picture beyond the image limits");
    const bool alpha = setUpTransforms(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(size.width()) * 4) png_error(png, "unexpected row layout");

    if (!reduceTo.isEmpty()) decoding.reducer = std::make_unique<PixelReducer>(size, reduceTo);
    if (decoding.reducer && passes == 1) {
        // Row by row: the full picture is never held.
        decoding.row.resize(size_t(size.width()) * 4);
        for (int y = 0; y < size.height(); ++y) {
            png_read_row(png, decoding.row.data(), nullptr);
            decoding.reducer->addRow(decoding.row.data());
        }
    } else {
        decoding.image = QImage(size, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        if (decoding.image.isNull()) png_error(png, "out of memory");
        decoding.rows.resize(size_t(size.height()));
        for (int y = 0; y < size.height(); ++y) decoding.rows[size_t(y)] = decoding.image.scanLine(y);
        png_read_image(png, decoding.rows.data());
        if (decoding.reducer)
            for (int y = 0; y < size.height(); ++y) decoding.reducer->addRow(decoding.image.constScanLine(y));
    }
    // Whatever follows the image data (text, a damaged end) is never read.
    png_destroy_read_struct(&png, &info, nullptr);

    if (decoding.reducer) return decoding.reducer->result();
    decoding.image.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (decoding.image.isNull()) {
        if (error) *error = QStringLiteral("out of memory");
        return std::nullopt;
    }
    return decoding.image;
}

} // namespace platform::PngCodec
