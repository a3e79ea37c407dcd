#include "platform/HeifModule.h"

#include "platform/Module.h"
#include "platform/ThreadPriority.h"

namespace platform::HeifCodec {

namespace {

// libheif and its codecs live in a module loaded on the first HEIC picture: most launches never
// touch one, and they would otherwise be linked and kept in memory by every one.
const Functions *module() {
    using Entry = const Functions *(*)();
    static const Functions *functions = [] {
        const auto entry = reinterpret_cast<Entry>(Module::resolve("heif", "pelicarta_heif_functions"));
        return entry ? entry() : nullptr;
    }();
    return functions;
}

std::nullopt_t missing(QString *error) {
    if (error) *error = QStringLiteral("the HEIC module cannot be loaded");
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> encode(const QImage &image, double quality, QString *error) {
    const Functions *f = module();
    if (!f) return missing(error);
    // x265 works on the thread that opens the encoder (see LibheifCodec.cpp): a lowered one, below the
    // GUI thread.
    std::optional<QByteArray> bytes;
    runAtBulkPriority([&] { bytes = f->encode(image, quality, error); });
    return bytes;
}

std::optional<QImage> decode(const QByteArray &bytes, QString *error) {
    const Functions *f = module();
    return f ? f->decode(bytes, error) : missing(error);
}

std::optional<QImage> decodeFile(const QString &path, QString *error) {
    const Functions *f = module();
    return f ? f->decodeFile(path, error) : missing(error);
}

std::optional<QImage> decodeThumbnail(const QByteArray &bytes, QSize atLeast, QString *error) {
    const Functions *f = module();
    return f ? f->decodeThumbnail(bytes, atLeast, error) : missing(error);
}

std::optional<QImage> decodeFileThumbnail(const QString &path, QSize atLeast, QString *error) {
    const Functions *f = module();
    return f ? f->decodeFileThumbnail(path, atLeast, error) : missing(error);
}

std::optional<QSize> readSize(const QByteArray &bytes, QString *error) {
    const Functions *f = module();
    return f ? f->readSize(bytes, error) : missing(error);
}

std::optional<QSize> readFileSize(const QString &path, QString *error) {
    const Functions *f = module();
    return f ? f->readFileSize(path, error) : missing(error);
}

} // namespace platform::HeifCodec
