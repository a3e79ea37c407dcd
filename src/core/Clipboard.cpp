#include "core/Clipboard.h"

#include "core/Exporter.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "platform/AppPaths.h"
#include "platform/Memory.h"
#include "platform/Pasteboard.h"
#include "platform/PngEncoder.h"
#include "platform/UnnamedFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>

namespace Clipboard {

namespace {

// The clipboard's PNG is made for speed: pasting waits for it, and it lives only until the next copy.
// zlib level 1 with the Up filter over parallel strips writes a beautified 1080p capture in about a
// sixth of the time of Qt's writer at level 3 for files some 15 % larger (bench/PngBench.cpp).
constexpr platform::PngEncoder::Options kPngOptions{1, platform::PngEncoder::Filter::up, 0};

// The TIFF of the clipboard's PNG, made when a program asks for it.
QByteArray tiffOf(const QByteArray &png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    const QImage image = reader.read();
    if (image.isNull()) return {};
    return Exporter::encodeWithQt(image, "tiff").value_or(QByteArray());
}

// The PNG on the clipboard: held in memory when it is put there, and, once a copy's work is done, in a
// file without a name, read at each request (pasting is rare next to copying, and a PNG of the screen
// is megabytes). The TIFF is made from wherever it is.
struct HeldPng {
    QByteArray bytes;
    std::shared_ptr<platform::UnnamedFile> file;
    QByteArray read() const { return file ? file->read() : bytes; }
};
std::weak_ptr<HeldPng> lastPut; // main thread; the clipboard's contents own it

// Moves the clipboard's PNG into `file` when it still is `png`.
void letGo(const QByteArray &png, std::shared_ptr<platform::UnnamedFile> file) {
    const std::shared_ptr<HeldPng> held = lastPut.lock();
    if (!held || !file || held->file || !held->bytes.isSharedWith(png) || file->size() != png.size()) return;
    if (!platform::Pasteboard::shared().releaseHeld(QStringLiteral("image/png"), png, [held] { return held->read(); }))
        return;
    held->file = std::move(file);
    held->bytes = {};
}

bool claim(const QByteArray &png) { return put({{QStringLiteral("image/png"), png}}); }

// Always PNG at the stored scale: a copy is scaled, never flattened on white.
ExportSettings pastingSettings() {
    ExportSettings settings;
    settings.format = ExportFormat::png;
    settings.scale = StyleStore::shared().exportSettings().scale;
    return settings;
}

// Written on the main thread; a background copy's worker reads it to skip a copy already overtaken.
std::atomic<quint64> latestStarted = 0;

} // namespace

QList<platform::Pasteboard::Item> encode(const QImage &image) {
    if (image.isNull()) return {};
    const std::optional<QByteArray> png = platform::PngEncoder::encode(image, kPngOptions);
    if (!png || png->isEmpty()) return {};
    return {{QStringLiteral("image/png"), *png}};
}

bool put(const QList<platform::Pasteboard::Item> &items) {
    if (items.isEmpty()) return false;
    const auto png = std::find_if(items.cbegin(), items.cend(),
                                  [](const auto &item) { return item.first == QStringLiteral("image/png"); });
    const bool hasTiff = std::any_of(items.cbegin(), items.cend(),
                                     [](const auto &item) { return item.first == QStringLiteral("image/tiff"); });
    if (png == items.cend() || hasTiff) return platform::Pasteboard::shared().setContents(items);
    auto held = std::make_shared<HeldPng>(HeldPng{png->second, nullptr});
    lastPut = held;
    return platform::Pasteboard::shared().setLazyContents(
        items, {{QStringLiteral("image/tiff"), [held] { return tiffOf(held->read()); }}});
}

bool copy(const QImage &image) {
    ++latestStarted; // a background copy still running would overwrite this one
    if (image.isNull()) return false;
    return put(encode(image));
}

Notice PastingCopy::notice() const {
    if (copied) return {picture, L("Copiado"), L("Cole com ⌘V em qualquer app")};
    return {picture, L("Não foi possível copiar"), L("A área de transferência não aceitou a imagem."),
            ToastKind::failure};
}

PastingCopy copyForPasting(const QImage &image) {
    const QImage prepared = Exporter::prepare(image, pastingSettings());
    return {copy(prepared), false, prepared};
}

void copyForPastingInBackground(std::function<QImage()> picture, std::function<void(const PastingCopy &)> done) {
    const quint64 mine = ++latestStarted;
    const ExportSettings settings = pastingSettings();
    QThreadPool::globalInstance()->start([picture = std::move(picture), done = std::move(done), settings, mine]() mutable {
        // Overtaken before its turn came: its picture is not even drawn.
        if (mine != latestStarted) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [done] { if (done) done({false, true, QImage()}); }, Qt::QueuedConnection);
            return;
        }
        QImage prepared = Exporter::prepare(picture(), settings);
        picture = {}; // whatever it drew from is not held while the PNG goes to its file
        // The notice's thumbnail is made beside the encoding, so that the clipboard waits for the PNG alone.
        QFuture<QImage> thumbnail = QtConcurrent::run([prepared] { return Notifier::thumbnail(prepared); });
        std::optional<QByteArray> png;
        if (!prepared.isNull()) png = platform::PngEncoder::encode(prepared, kPngOptions);
        prepared = QImage();
        const QByteArray bytes = png.value_or(QByteArray());
        // One return to the GUI thread: the clipboard is claimed, unless a later copy took over, and
        // `done` learns how it went. `claimed` is only touched there.
        auto claimed = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [bytes, thumbnail = thumbnail.result(), claimed, mine, done = std::move(done)] {
                const bool overtaken = mine != latestStarted;
                *claimed = !overtaken && !bytes.isEmpty() && claim(bytes);
                platform::Memory::releaseFreeMemorySoon(); // the picture and its encoder buffers are gone
                if (done) done({*claimed, overtaken, thumbnail});
            },
            Qt::QueuedConnection);
        // Meanwhile the PNG goes out of memory.
        std::shared_ptr<platform::UnnamedFile> file;
        if (!bytes.isEmpty()) file = platform::UnnamedFile::write(platform::AppPaths::documentsFolder(), bytes);
        if (!file) return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [claimed, bytes, file = std::move(file)] {
                if (*claimed) letGo(bytes, file);
            },
            Qt::QueuedConnection);
    });
}

void copyInBackground(QFuture<QImage> picture, std::function<void(const PastingCopy &)> done) {
    const quint64 mine = ++latestStarted;
    // Encoded on the shared pool, never on the thread that finished the picture (the main thread, when
    // it was already there).
    picture.then(QtFuture::Launch::Async, [](const QImage &image) { return encode(image); })
        .then(QCoreApplication::instance(),
              [mine, done = std::move(done)](const QList<platform::Pasteboard::Item> &items) {
                  const bool overtaken = mine != latestStarted;
                  const bool copied = !overtaken && put(items);
                  if (done) done({copied, overtaken, QImage()});
              });
}

} // namespace Clipboard
