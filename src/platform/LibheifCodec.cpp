// libheif (with x265, libde265, aom and dav1d behind it) behind platform::HeifCodec, built as a
// module of its own that the application loads on the first HEIC picture (platform/Module.h).
#include "platform/HeifModule.h"

#include "platform/HeifLayout.h"
#include "platform/ImageChecks.h"
#include "platform/PixelReducer.h"
#include "platform/RegularFile.h"

#include <QFile>

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <cerrno>
#include <dlfcn.h>
#include <link.h>
#include <mutex>
#include <unistd.h>

namespace platform::Libheif {

using HeifCodec::embeddedThumbnailSide;

namespace {

// x265's preset trades encoding time for file size. On a 2880×1800 window capture (8 cores, opaque,
// quality 0.92): ultrafast 170 ms / 2.12 MB, superfast 315 ms / 1.34 MB, veryfast 355 ms / 1.15 MB,
// medium 393 ms / 1.15 MB. For a single still picture the slower presets buy nothing over veryfast,
// and ultrafast nearly doubles the file, which the recents folder keeps by the hundred.
constexpr const char *x265Preset = "veryfast";

// What x265 is asked beyond the preset, for one still picture and for the processor time it costs
// rather than how soon it ends: every capture is encoded while the next may already be taken, and on
// two processors one encoder spread over both only takes them from the rest of the road.
// - No thread pool and one frame thread: x265's threads (one per core, a frame encoder per thread
//   group, the lookahead's) cost a fifth more processor time than one thread doing the work, for a
//   picture a single frame long; and threads x265 makes are bound to every core of the machine,
//   whatever processors the process was given.
// - Residual trees one level deep in intra blocks (x265's presets say so; libheif makes it two) and
//   no sign hiding: each nearly a fifth of the time at quality 0.92, for under 1 % of the size.
// - Near-lossless (quality 0.9 and up, QP 5 and below): coding trees of 16 pixels, which text and
//   window edges need anyway (on pictures up to 1080p or so, see fitsSmallCtu; 32 beyond), instead
//   of searching down from 64, no psycho-visual search or deblocking, which do nothing for the
//   picture at such quantisers, and the adaptive offset's search cut short. (Turned off, it makes
//   x265 3.5 lose its buffers at every encoder it closes: some 400 kB a 1080p capture, for good in a
//   resident process; kept, with its search limited, it costs about 5 % of x265's time and 0.2 % of
//   the size.) On 1080p desktop
//   captures this takes x265 from 1.6–2.2 s to 0.9–1.3 s of processor time (load 6–10 on 8 cores),
//   the files within 2 % of the size; below quality 0.9 large flat blocks matter, and the trees start
//   from 32. There, too, the lightest rate-distortion level (1: modes chosen by their transformed
//   error, only the chosen one fully coded) takes a further 5–9 % of x265's time for 0.1 % of the size.
//   The inter-picture shortcuts (early skip, mode and reference limits, B-frame intra), residual and
//   split skipping and transform skip change nothing measurable for one intra picture; coding units of
//   16 at least would cut the time by three quarters but grow files by half to double.
struct X265Setting {
    const char *name;
    const char *value;
};
constexpr X265Setting x265Always[] = {{"x265:pools", "none"},  {"x265:frame-threads", "1"}, {"x265:signhide", "0"}};
constexpr X265Setting x265NearLossless[] = {
    {"x265:limit-sao", "1"}, {"x265:psy-rd", "0"}, {"x265:deblock", "0"}, {"x265:rd", "1"}};
constexpr int x265SmallCtu = 16;
constexpr int x265Ctu = 32;
constexpr int x265IntraDepth = 1;
constexpr int nearLosslessQuality = 90;

// Coding trees of 16 are only allowed up to level 4.1 of HEVC: at most 2,228,224 luma samples and
// sides of sqrt(8 × that), counted after x265 pads the picture to 8 pixels. x265 refuses larger
// pictures with them (a 1440p or 4K capture would not be kept at all).
bool fitsSmallCtu(QSize size) {
    constexpr qint64 maxSamples = 2'228'224;
    constexpr int maxSide = 4222;
    const auto padded = [](int side) { return (qint64(side) + 7) / 8 * 8; };
    const qint64 width = padded(size.width());
    const qint64 height = padded(size.height());
    return width * height <= maxSamples && width <= maxSide && height <= maxSide;
}

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

// Where a picture is read from: bytes in memory or an open regular file, either outliving the reading.
struct Source {
    const QByteArray *bytes = nullptr;
    QFile *file = nullptr;
    QString path;
};

// Bytes at an offset, without moving the position libheif's reader relies on.
HeifLayout::ReadAt readerOf(const Source &source) {
    if (source.bytes) {
        return [bytes = source.bytes](qint64 offset, qint64 size, char *out) {
            if (offset < 0 || size < 0 || offset > bytes->size() || size > bytes->size() - offset) return false;
            std::memcpy(out, bytes->constData() + offset, size_t(size));
            return true;
        };
    }
    return [fd = source.file->handle()](qint64 offset, qint64 size, char *out) {
        while (size > 0) {
            const ssize_t n = ::pread(fd, out, size_t(size), off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            out += n;
            offset += n;
            size -= n;
        }
        return true;
    };
}

qint64 sizeOf(const Source &source) { return source.bytes ? source.bytes->size() : source.file->size(); }

std::optional<Context> open(const Source &source, QString *error) {
    ensureLibrary();
    Context context(heif_context_alloc());
    if (!context) return fail(error, QStringLiteral("cannot create a HEIF context"));
    // Sides are checked again, with the pixel count, before anything is decoded.
    heif_context_set_maximum_image_size_limit(context.get(), maxImageSide + 1);
    // Grid tiles one after another: with parallel decoding, several tiles would be held at once.
    heif_context_set_max_decoding_threads(context.get(), 0);
    heif_error result;
    if (source.bytes) {
        if (source.bytes->isEmpty()) return fail(error, QStringLiteral("no data"));
        result = heif_context_read_from_memory_without_copy(context.get(), source.bytes->constData(),
                                                            size_t(source.bytes->size()), nullptr);
    } else {
        QFile &file = *source.file;
        RegularFile::Status status;
        QString reason;
        const int fd = RegularFile::open(source.path, &status, &reason);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0) ::close(fd);
            return fail(error, QStringLiteral("cannot open %1: %2").arg(source.path, reason));
        }
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

// Decodes `handle` (item `item` of the source, 0 for the primary picture) after checking what it is made of. The pixels
// come as libheif's interleaved 8-bit RGB or RGBA; `alpha` tells which.
std::optional<Image> decodePixels(const Source &source, const Handle &handle, heif_item_id item, bool *alpha,
                                  QString *error) {
    QString reason;
    if (!HeifLayout::decodeFitsLimits(sizeOf(source), readerOf(source), item, &reason))
        return fail(error, QStringLiteral("refused before decoding: %1").arg(reason));
    *alpha = heif_image_handle_has_alpha_channel(handle.get());
    DecodingOptions options(heif_decoding_options_alloc());
    if (!options) return fail(error, QStringLiteral("out of memory"));
    options->convert_hdr_to_8bit = 1;
    // A damaged stream is an error, not a half-grey picture.
    options->strict_decoding = 1;
    heif_image *decoded = nullptr;
    const heif_error result =
        heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                          *alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    Image image(decoded);
    if (failed(result, error, "decode")) return std::nullopt;
    return image;
}

// A view of libheif's pixel plane, valid while `image` lives; null when the plane is unusable.
QImage planeView(const Image &image, bool alpha, bool premultiplied) {
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || !fitsImageLimits(QSize(width, height)) || stride < width * (alpha ? 4 : 3)) return {};
    const QImage::Format format = !alpha          ? QImage::Format_RGB888
                                  : premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGBA8888;
    return QImage(plane, width, height, stride, format);
}

std::optional<QImage> decodeFrom(const Source &source, QString *error) {
    const auto handle = primaryImage(source, error);
    if (!handle) return std::nullopt;
    bool alpha = false;
    const auto image = decodePixels(source, *handle, 0, &alpha, error);
    if (!image) return std::nullopt;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle->get());
    const QImage view = planeView(*image, alpha, premultiplied);
    if (view.isNull()) return fail(error, QStringLiteral("decoded picture is unusable"));
    // The view over libheif's buffer is converted into an image of our own before it is released.
    QImage out = view.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (out.isNull()) return fail(error, QStringLiteral("out of memory"));
    return out;
}

// The smallest embedded thumbnail that covers `size`, if the file has one, with its item id.
std::optional<std::pair<Handle, heif_item_id>> embeddedThumbnail(const Handle &primary, QSize size) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary.get());
    if (count <= 0 || count > 16) return std::nullopt;
    std::vector<heif_item_id> ids(size_t(count), 0);
    heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids.data(), count);
    std::optional<std::pair<Handle, heif_item_id>> best;
    int bestSide = 0;
    for (heif_item_id id : ids) {
        heif_image_handle *found = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), id, &found).code != heif_error_Ok) continue;
        Handle handle(found);
        const QSize own(heif_image_handle_get_width(found), heif_image_handle_get_height(found));
        const int longer = std::max(own.width(), own.height());
        if (own.width() >= size.width() && own.height() >= size.height() && (!best || longer < bestSide)) {
            best.emplace(std::move(handle), id);
            bestSide = longer;
        }
    }
    return best;
}

std::optional<QImage> thumbnailFrom(const Source &source, QSize atLeast, QString *error) {
    const auto primary = primaryImage(source, error);
    if (!primary) return std::nullopt;
    const QSize picture(heif_image_handle_get_width(primary->get()), heif_image_handle_get_height(primary->get()));
    // The file's own thumbnail when it is large enough, else the picture itself, reduced as it is read.
    const auto thumbnail = embeddedThumbnail(*primary, atLeast.boundedTo(picture));
    const Handle &handle = thumbnail ? thumbnail->first : *primary;
    bool alpha = false;
    const auto image = decodePixels(source, handle, thumbnail ? thumbnail->second : 0, &alpha, error);
    if (!image) return std::nullopt;
    const QImage view = planeView(*image, alpha, false);
    if (view.isNull()) return fail(error, QStringLiteral("decoded picture is unusable"));
    PixelReducer reducer(view.size(), atLeast);
    std::vector<uchar> row(size_t(view.width()) * 4, 0xff);
    for (int y = 0; y < view.height(); ++y) {
        const uchar *line = view.constScanLine(y);
        if (alpha) {
            reducer.addRow(line);
            continue;
        }
        for (int x = 0; x < view.width(); ++x) std::memcpy(row.data() + size_t(x) * 4, line + size_t(x) * 3, 3);
        reducer.addRow(row.data());
    }
    QImage out = reducer.result();
    if (out.isNull()) return fail(error, QStringLiteral("out of memory"));
    return out;
}

std::optional<QSize> sizeFrom(const Source &source, QString *error) {
    const auto handle = primaryImage(source, error);
    if (!handle) return std::nullopt;
    return QSize(heif_image_handle_get_width(handle->get()), heif_image_handle_get_height(handle->get()));
}

// x265 keeps process-wide tables (several hundred kilobytes for every quantiser a picture used) until
// x265_cleanup, which libheif never calls; with no encoder open they can go. x265 comes in through
// libheif, so its function is looked up in whatever copy is loaded. The library is only named while the
// loader's list is walked and opened after: dlopen inside dl_iterate_phdr takes the loader's locks in the
// opposite order to a dlopen on another thread (Qt loading an image plugin), and both threads hang.
void releaseX265Tables() {
    static const auto cleanup = [] {
        std::string name;
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *result) {
                if (!info->dlpi_name || !std::strstr(info->dlpi_name, "libx265.so")) return 0;
                *static_cast<std::string *>(result) = info->dlpi_name;
                return 1;
            },
            &name);
        void (*found)() = nullptr;
        if (name.empty()) return found;
        if (void *library = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
            found = reinterpret_cast<void (*)()>(dlsym(library, "x265_cleanup"));
            dlclose(library);
        }
        return found;
    }();
    if (cleanup) cleanup();
}

// A libheif picture holding a copy of `image` as 8-bit RGBA.
std::optional<Image> heifPicture(const QImage &image, QString *error) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) return fail(error, QStringLiteral("out of memory"));
    const int width = rgba.width();
    const int height = rgba.height();
    heif_image *created = nullptr;
    if (failed(heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &created), error,
               "create image"))
        return std::nullopt;
    Image picture(created);
    if (failed(heif_image_add_plane(picture.get(), heif_channel_interleaved, width, height, 8), error, "add plane"))
        return std::nullopt;
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    if (!plane || stride < width * 4) return fail(error, QStringLiteral("no pixel plane"));
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgba.constScanLine(y), size_t(width) * 4);
    return picture;
}

std::optional<Encoder> hevcEncoder(heif_context *context, double quality, QSize size, QString *error) {
    heif_encoder *found = nullptr;
    if (failed(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &found), error, "HEVC encoder"))
        return std::nullopt;
    Encoder encoder(found);
    heif_encoder_set_logging_level(encoder.get(), 0);
    const int percent = int(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
    if (failed(heif_encoder_set_lossy_quality(encoder.get(), percent), error, "quality"))
        return std::nullopt;
    if (failed(heif_encoder_set_parameter_string(encoder.get(), "preset", x265Preset), error, "preset"))
        return std::nullopt;
    // The rest only makes the encoding cheaper: one an encoder does not know is left out.
    heif_encoder_set_parameter_integer(encoder.get(), "tu-intra-depth", x265IntraDepth);
    const auto apply = [&](const auto &settings) {
        for (const X265Setting &setting : settings)
            heif_encoder_set_parameter_string(encoder.get(), setting.name, setting.value);
    };
    apply(x265Always);
    const bool nearLossless = percent >= nearLosslessQuality;
    if (nearLossless) apply(x265NearLossless);
    const int ctu = nearLossless && fitsSmallCtu(size) ? x265SmallCtu : x265Ctu;
    heif_encoder_set_parameter_string(encoder.get(), "x265:ctu", std::to_string(ctu).c_str());
    return encoder;
}

std::optional<QByteArray> encodeOne(const QImage &image, double quality, QString *error);

std::optional<QByteArray> encode(const QImage &image, double quality, QString *error) {
    // Encodings run side by side, each on its own thread; x265's tables go when the last one ends. An
    // encoding starting meanwhile waits for the release, which takes a moment.
    static std::mutex counting;
    static int open = 0;
    {
        std::lock_guard lock(counting);
        ++open;
    }
    std::optional<QByteArray> bytes = encodeOne(image, quality, error);
    std::lock_guard lock(counting);
    if (--open == 0) releaseX265Tables();
    return bytes;
}

std::optional<QByteArray> encodeOne(const QImage &image, double quality, QString *error) {
    if (image.isNull()) return fail(error, QStringLiteral("no picture"));
    if (!fitsImageLimits(image.size())) return fail(error, QStringLiteral("picture too large"));
    if (!std::isfinite(quality)) return fail(error, QStringLiteral("quality is not a number"));
    ensureLibrary();

    const auto picture = heifPicture(image, error);
    if (!picture) return std::nullopt;
    Context context(heif_context_alloc());
    if (!context) return fail(error, QStringLiteral("cannot create a HEIF context"));
    // The thumbnail shares the encoder: trees that suit the picture suit it too.
    const auto encoder = hevcEncoder(context.get(), quality, image.size(), error);
    if (!encoder) return std::nullopt;
    EncodingOptions options(heif_encoding_options_alloc());
    if (!options) return fail(error, QStringLiteral("out of memory"));
    // An opaque picture needs no alpha plane: smaller and faster.
    options->save_alpha_channel = hasTransparentPixels(image);
    heif_image_handle *encoded = nullptr;
    if (failed(heif_context_encode_image(context.get(), picture->get(), encoder->get(), options.get(), &encoded), error,
               "encode"))
        return std::nullopt;
    const Handle primary(encoded);

    if (std::max(image.width(), image.height()) > embeddedThumbnailSide) {
        // libheif scales a thumbnail by picking pixels, which ruins text; it gets a picture already
        // scaled smoothly to one pixel more than its box. (Its call for assigning a thumbnail of our
        // own records the reference backwards in this version.)
        const int side = embeddedThumbnailSide + 1;
        const auto thumbnail =
            heifPicture(image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation), error);
        heif_image_handle *thumbnailHandle = nullptr;
        if (!thumbnail ||
            failed(heif_context_encode_thumbnail(context.get(), thumbnail->get(), primary.get(), encoder->get(),
                                                 options.get(), embeddedThumbnailSide, &thumbnailHandle),
                   error, "encode thumbnail"))
            return std::nullopt;
        const Handle owned(thumbnailHandle);
    }

    QByteArray bytes;
    heif_writer writer{1, &appendTo};
    if (failed(heif_context_write(context.get(), &writer, &bytes), error, "write")) return std::nullopt;
    return bytes;
}

std::optional<QImage> decode(const QByteArray &bytes, QString *error) {
    return decodeFrom({&bytes, nullptr, {}}, error);
}

std::optional<QImage> decodeFile(const QString &path, QString *error) {
    QFile file;
    return decodeFrom({nullptr, &file, path}, error);
}

std::optional<QImage> decodeThumbnail(const QByteArray &bytes, QSize atLeast, QString *error) {
    return thumbnailFrom({&bytes, nullptr, {}}, atLeast, error);
}

std::optional<QImage> decodeFileThumbnail(const QString &path, QSize atLeast, QString *error) {
    QFile file;
    return thumbnailFrom({nullptr, &file, path}, atLeast, error);
}

std::optional<QSize> readSize(const QByteArray &bytes, QString *error) {
    return sizeFrom({&bytes, nullptr, {}}, error);
}

std::optional<QSize> readFileSize(const QString &path, QString *error) {
    QFile file;
    return sizeFrom({nullptr, &file, path}, error);
}

} // namespace

} // namespace platform::Libheif

// What the application looks up after loading the module.
extern "C" Q_DECL_EXPORT const platform::HeifCodec::Functions *pelicarta_heif_functions() {
    using namespace platform::Libheif;
    static const platform::HeifCodec::Functions functions{
        &encode, &decode, &decodeFile, &decodeThumbnail, &decodeFileThumbnail, &readSize, &readFileSize};
    return &functions;
}
