// libheif (with x265, libde265, aom and dav1d behind it) behind platform::HeifCodec, built as a
// module of its own that the application loads on the first HEIC picture (platform/Module.h).
#include "platform/HeifModule.h"

#include "platform/ImageChecks.h"

#include <QFile>
#include <QFileInfo>

#include <libheif/heif.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace platform::Libheif {

namespace {

// x265's preset trades encoding time for file size. On a 2880×1800 window capture (8 cores, opaque,
// quality 0.92): ultrafast 170 ms / 2.12 MB, superfast 315 ms / 1.34 MB, veryfast 355 ms / 1.15 MB,
// medium 393 ms / 1.15 MB. For a single still picture the slower presets buy nothing over veryfast,
// and ultrafast nearly doubles the file, which the recents folder keeps by the hundred.
constexpr const char *x265Preset = "veryfast";

// libheif's plugin registry is set up once per process and kept until exit.
void ensureLibrary() {
    struct Library {
        Library() { heif_init(nullptr); }
        ~Library() { heif_deinit(); }
    };
    static Library library;
}

// Owners of libheif objects, each released by its own free function.
template <auto release>
struct Releaser {
    template <typename T>
    void operator()(T *object) const {
        release(object);
    }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<heif_image_release>>;
using Encoder = std::unique_ptr<heif_encoder, Releaser<heif_encoder_release>>;
using EncodingOptions = std::unique_ptr<heif_encoding_options, Releaser<heif_encoding_options_free>>;
using DecodingOptions = std::unique_ptr<heif_decoding_options, Releaser<heif_decoding_options_free>>;

std::nullopt_t fail(QString *error, const QString &message) {
    if (error) *error = message;
    return std::nullopt;
}

bool failed(const heif_error &result, QString *error, const char *step) {
    if (result.code == heif_error_Ok) return false;
    fail(error, QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromUtf8(result.message)));
    return true;
}

heif_error appendTo(heif_context *, const void *data, size_t size, void *userdata) {
    try {
        static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
    } catch (const std::bad_alloc &) {
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
    }
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

// libheif reads files through this, lazily: reading a size touches only the leading boxes. (Its own
// file reader spins forever on a folder.)
const heif_reader fileReader{
    1,
    [](void *file) -> int64_t { return static_cast<QFile *>(file)->pos(); },
    [](void *data, size_t size, void *file) -> int {
        return static_cast<QFile *>(file)->read(static_cast<char *>(data), qint64(size)) == qint64(size) ? 0 : 1;
    },
    [](int64_t position, void *file) -> int { return static_cast<QFile *>(file)->seek(position) ? 0 : 1; },
    [](int64_t target, void *file) {
        return target > static_cast<QFile *>(file)->size() ? heif_reader_grow_status_size_beyond_eof
                                                            : heif_reader_grow_status_size_reached;
    },
};

// Where a picture is read from: bytes in memory or an open file, either outliving the reading.
struct Source {
    const QByteArray *bytes = nullptr;
    QFile *file = nullptr;
};

std::optional<Context> open(const Source &source, QString *error) {
    ensureLibrary();
    Context context(heif_context_alloc());
    if (!context) return fail(error, QStringLiteral("cannot create a HEIF context"));
    // Sides are checked again, with the pixel count, before anything is decoded.
    heif_context_set_maximum_image_size_limit(context.get(), maxImageSide + 1);
    heif_error result;
    if (source.bytes) {
        if (source.bytes->isEmpty()) return fail(error, QStringLiteral("no data"));
        result = heif_context_read_from_memory_without_copy(context.get(), source.bytes->constData(),
                                                            size_t(source.bytes->size()), nullptr);
    } else {
        QFile &file = *source.file;
        if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("cannot open %1").arg(file.fileName()));
        if (file.size() <= 0) return fail(error, QStringLiteral("no data"));
        result = heif_context_read_from_reader(context.get(), &fileReader, &file, nullptr);
    }
    if (failed(result, error, "read")) return std::nullopt;
    return context;
}

// The primary picture's handle, which keeps what it needs of its context alive. Pictures beyond the
// image limits are refused here, before any pixel is decoded.
std::optional<Handle> primaryImage(const Source &source, QString *error) {
    const auto context = open(source, error);
    if (!context) return std::nullopt;
    heif_image_handle *handle = nullptr;
    if (failed(heif_context_get_primary_image_handle(context->get(), &handle), error, "primary image"))
        return std::nullopt;
    Handle owned(handle);
    const QSize size(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    if (!fitsImageLimits(size))
        return fail(error, QStringLiteral("unsupported picture size %1×%2").arg(size.width()).arg(size.height()));
    return owned;
}

std::optional<QImage> decodeFrom(const Source &source, QString *error) {
    const auto handle = primaryImage(source, error);
    if (!handle) return std::nullopt;

    const bool alpha = heif_image_handle_has_alpha_channel(handle->get());
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle->get());
    DecodingOptions options(heif_decoding_options_alloc());
    if (!options) return fail(error, QStringLiteral("out of memory"));
    options->convert_hdr_to_8bit = 1;
    // A damaged stream is an error, not a half-grey picture.
    options->strict_decoding = 1;

    heif_image *decoded = nullptr;
    const heif_error result =
        heif_decode_image(handle->get(), &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    Image image(decoded);
    if (failed(result, error, "decode")) return std::nullopt;

    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || !fitsImageLimits(QSize(width, height)) || stride < width * (alpha ? 4 : 3))
        return fail(error, QStringLiteral("decoded picture is unusable"));

    const QImage::Format format = !alpha          ? QImage::Format_RGB888
                                  : premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGBA8888;
    // The view over libheif's buffer is converted into an image of our own before it is released.
    const QImage view(plane, width, height, stride, format);
    QImage out = view.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (out.isNull()) return fail(error, QStringLiteral("out of memory"));
    return out;
}

std::optional<QSize> sizeFrom(const Source &source, QString *error) {
    const auto handle = primaryImage(source, error);
    if (!handle) return std::nullopt;
    return QSize(heif_image_handle_get_width(handle->get()), heif_image_handle_get_height(handle->get()));
}

} // namespace

namespace {

// x265 keeps process-wide tables (several hundred kilobytes for every quantiser a picture used) until
// x265_cleanup, which libheif never calls; with no encoder open they can go. x265 comes in through
// libheif, so its function is looked up in whatever copy is loaded.
void releaseX265Tables() {
    static const auto cleanup = [] {
        void (*found)() = nullptr;
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *result) {
                if (!info->dlpi_name || !std::strstr(info->dlpi_name, "libx265.so")) return 0;
                if (void *library = dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD)) {
                    *static_cast<void (**)()>(result) = reinterpret_cast<void (*)()>(dlsym(library, "x265_cleanup"));
                    dlclose(library);
                }
                return 1;
            },
            &found);
        return found;
    }();
    if (cleanup) cleanup();
}

std::optional<QByteArray> encodeOne(const QImage &image, double quality, QString *error);

} // namespace

namespace {

std::optional<QByteArray> encode(const QImage &image, double quality, QString *error) {
    // One encoding at a time (x265 spreads each over every core anyway), so that x265's tables can be
    // released after each.
    static std::mutex serial;
    std::lock_guard lock(serial);
    std::optional<QByteArray> bytes = encodeOne(image, quality, error);
    releaseX265Tables();
    return bytes;
}

std::optional<QByteArray> encodeOne(const QImage &image, double quality, QString *error) {
    if (image.isNull()) return fail(error, QStringLiteral("no picture"));
    if (!fitsImageLimits(image.size())) return fail(error, QStringLiteral("picture too large"));
    if (!std::isfinite(quality)) return fail(error, QStringLiteral("quality is not a number"));
    ensureLibrary();

    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) return fail(error, QStringLiteral("out of memory"));
    const int width = rgba.width();
    const int height = rgba.height();

    heif_image *created = nullptr;
    if (failed(heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &created),
               error, "create image"))
        return std::nullopt;
    Image picture(created);
    if (failed(heif_image_add_plane(picture.get(), heif_channel_interleaved, width, height, 8), error, "add plane"))
        return std::nullopt;
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    if (!plane || stride < width * 4) return fail(error, QStringLiteral("no pixel plane"));
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgba.constScanLine(y), size_t(width) * 4);

    Context context(heif_context_alloc());
    if (!context) return fail(error, QStringLiteral("cannot create a HEIF context"));
    heif_encoder *found = nullptr;
    if (failed(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &found), error,
               "HEVC encoder"))
        return std::nullopt;
    Encoder encoder(found);
    heif_encoder_set_logging_level(encoder.get(), 0);
    if (failed(heif_encoder_set_lossy_quality(encoder.get(), int(std::lround(std::clamp(quality, 0.0, 1.0) * 100))),
               error, "quality"))
        return std::nullopt;
    if (failed(heif_encoder_set_parameter_string(encoder.get(), "preset", x265Preset), error, "preset"))
        return std::nullopt;

    EncodingOptions options(heif_encoding_options_alloc());
    if (!options) return fail(error, QStringLiteral("out of memory"));
    // An opaque picture needs no alpha plane: smaller and faster.
    options->save_alpha_channel = hasTransparentPixels(image);
    if (failed(heif_context_encode_image(context.get(), picture.get(), encoder.get(), options.get(), nullptr),
               error, "encode"))
        return std::nullopt;

    QByteArray bytes;
    heif_writer writer{1, &appendTo};
    if (failed(heif_context_write(context.get(), &writer, &bytes), error, "write")) return std::nullopt;
    return bytes;
}

std::optional<QImage> decode(const QByteArray &bytes, QString *error) { return decodeFrom({&bytes, nullptr}, error); }

std::optional<QImage> decodeFile(const QString &path, QString *error) {
    QFile file(path);
    return decodeFrom({nullptr, &file}, error);
}

std::optional<QSize> readSize(const QByteArray &bytes, QString *error) { return sizeFrom({&bytes, nullptr}, error); }

std::optional<QSize> readFileSize(const QString &path, QString *error) {
    QFile file(path);
    return sizeFrom({nullptr, &file}, error);
}

} // namespace

} // namespace platform::Libheif

// What the application looks up after loading the module.
extern "C" Q_DECL_EXPORT const platform::HeifCodec::Functions *pelicarta_heif_functions() {
    using namespace platform::Libheif;
    static const platform::HeifCodec::Functions functions{&encode, &decode, &decodeFile, &readSize, &readFileSize};
    return &functions;
}
