// The pieces of the copy road after a full-screen grab: beautify, prepare, clipboard encodings, and
// the recents file, at 1080p and 4K.
#include "core/Beautifier.h"
#include "core/Exporter.h"
#include "core/Settings.h"
#include "history/RecentsStore.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "widgets/Clipboard.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QImage screen(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(30, 30, 36));
    // Some structure, so the encoders do real work.
    for (int y = 0; y < h; y += 24)
        for (int x = (y / 24) % 7; x < w; x += 97) image.setPixel(x, y, qRgb(220, 220, 230));
    return image;
}

class NullPasteboard : public platform::Pasteboard {
public:
    bool setContents(const QList<Item> &) override { return true; }
    QList<Item> contents() const override { return {}; }
};

void BM_Beautify(benchmark::State &state) {
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(Beautifier::render(image, BeautyStyle{}, std::nullopt));
}

void BM_ClipboardCopy(benchmark::State &state) {
    const QImage out = Beautifier::render(screen(int(state.range(0)), int(state.range(1))), BeautyStyle{}, std::nullopt);
    NullPasteboard pasteboard;
    platform::Pasteboard::setGeneralForTesting(&pasteboard);
    for (auto _ : state) benchmark::DoNotOptimize(Clipboard::copy(Exporter::prepare(out, ExportSettings{})));
    platform::Pasteboard::setGeneralForTesting(nullptr);
}

void BM_RecentsAdd(benchmark::State &state) {
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    defaults.setBool(Settings::historyCompact.key(), state.range(2) != 0);
    RecentsStore store(defaults, dir.filePath(QStringLiteral("Recentes")));
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(store.add(image));
}

} // namespace

BENCHMARK(BM_Beautify)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClipboardCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecentsAdd)->Args({1920, 1080, 1})->Args({3840, 2160, 1})->Args({1920, 1080, 0})->Unit(benchmark::kMillisecond);
