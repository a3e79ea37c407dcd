// PNG writing for the clipboard: Qt's writer against the strip encoder over zlib levels, filters and
// threads, and libdeflate on one thread, on the beautified capture of a busy desktop at 1080p and
// 4K. Time and bytes decide the clipboard's settings.
#include "BusyDesktop.h"
#include "core/Beautifier.h"
#include "core/Exporter.h"
#include "platform/PngEncoder.h"

#include <QMap>

#include <benchmark/benchmark.h>
#include <zlib.h>

#ifdef PELICARTA_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

using platform::PngEncoder::Filter;

// What the copy road puts on the clipboard: the default style around the capture.
const QImage &clipboardPicture(int height) {
    static QMap<int, QImage> pictures;
    if (!pictures.contains(height)) {
        const QImage capture = busyDesktop(QSize(height * 16 / 9, height));
        pictures.insert(height, Beautifier::render(capture, BeautyStyle{}, std::nullopt));
    }
    return pictures[height];
}

// Qt's writer: args height, Qt compression (-1 its default, zlib 6; 40 is zlib 3).
void BM_PngQt(benchmark::State &state) {
    const QImage &picture = clipboardPicture(int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = Exporter::encodeWithQt(picture, "png", -1, int(state.range(1))).value_or(QByteArray()).size();
    state.counters["MB"] = double(bytes) / 1e6;
}

// The strip encoder: args height, zlib level, filter, threads (0: one per core).
void BM_PngStrips(benchmark::State &state) {
    const QImage &picture = clipboardPicture(int(state.range(0)));
    const platform::PngEncoder::Options options{int(state.range(1)), Filter(state.range(2)), int(state.range(3))};
    qsizetype bytes = 0;
    for (auto _ : state) bytes = platform::PngEncoder::encode(picture, options).value_or(QByteArray()).size();
    state.counters["MB"] = double(bytes) / 1e6;
}

// The TIFF Qt writes (what the clipboard made for every copy).
void BM_TiffQt(benchmark::State &state) {
    const QImage &picture = clipboardPicture(int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) bytes = Exporter::encodeWithQt(picture, "tiff").value_or(QByteArray()).size();
    state.counters["MB"] = double(bytes) / 1e6;
}

#ifdef PELICARTA_HAVE_LIBDEFLATE
// The filtered rows (Up) the zlib stream of a stored encoding holds.
QByteArray filteredRows(const QImage &picture) {
    const QByteArray stored = platform::PngEncoder::encode(picture, {0, Filter::up, 1}).value_or(QByteArray());
    QByteArray stream;
    for (qsizetype at = 8; at + 12 <= stored.size();) {
        const auto *p = reinterpret_cast<const uchar *>(stored.constData() + at);
        const qsizetype length = (qsizetype(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (stored.mid(at + 4, 4) == "IDAT") stream.append(stored.mid(at + 8, length));
        at += length + 12;
    }
    QByteArray rows(picture.height() * (1 + qsizetype(picture.width()) * 3), Qt::Uninitialized);
    uLongf size = uLongf(rows.size());
    if (uncompress(reinterpret_cast<Bytef *>(rows.data()), &size, reinterpret_cast<const Bytef *>(stream.constData()),
                   uLong(stream.size())) != Z_OK)
        return {};
    return rows;
}

// libdeflate has no flush: one thread deflates the whole image after the rows are filtered in
// parallel (timed as a stored encoding). Args height, libdeflate level.
void BM_PngLibdeflate(benchmark::State &state) {
    const QImage &picture = clipboardPicture(int(state.range(0)));
    const QByteArray rows = filteredRows(picture);
    if (rows.isEmpty()) return state.SkipWithError("no filtered rows");
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(int(state.range(1)));
    QByteArray out(qsizetype(libdeflate_zlib_compress_bound(compressor, size_t(rows.size()))), Qt::Uninitialized);
    size_t bytes = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::PngEncoder::encode(picture, {0, Filter::up, 0}));
        bytes =
            libdeflate_zlib_compress(compressor, rows.constData(), size_t(rows.size()), out.data(), size_t(out.size()));
    }
    libdeflate_free_compressor(compressor);
    state.counters["MB"] = double(bytes) / 1e6;
}
#endif

constexpr int kUp = int(Filter::up), kSub = int(Filter::sub), kPaeth = int(Filter::paeth), kNone = int(Filter::none),
              kAdaptive = int(Filter::adaptive);

void stripArgs(benchmark::internal::Benchmark *b) {
    for (int height : {1080, 2160}) {
        for (int level : {1, 2, 3, 6})
            for (int filter : {kNone, kSub, kUp, kPaeth, kAdaptive}) b->Args({height, level, filter, 0});
        // The same on one and two threads (a later machine may have two cores).
        b->Args({height, 1, kUp, 1})->Args({height, 1, kUp, 2});
    }
}

} // namespace

// Fixed iteration counts: repetitions of a benchmark whose time varies then agree on them.
BENCHMARK(BM_PngQt)
    ->Args({1080, -1})
    ->Args({1080, 40})
    ->Args({2160, -1})
    ->Args({2160, 40})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PngStrips)->Apply(stripArgs)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffQt)->Arg(1080)->Arg(2160)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef PELICARTA_HAVE_LIBDEFLATE
BENCHMARK(BM_PngLibdeflate)
    ->Args({1080, 1})
    ->Args({1080, 4})
    ->Args({1080, 6})
    ->Args({2160, 1})
    ->Args({2160, 6})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif
