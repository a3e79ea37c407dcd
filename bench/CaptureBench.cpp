#include "capture/OverlayBackdrop.h"
#include "capture/ScreenCapturer.h"
#include "support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// Ends a benchmark that cannot run with `why`. The loop still runs (it stops at once) so that the
// repetition reports its fixed iteration count: Google Benchmark 1.7 aborts when the repetitions of a
// benchmark report different counts, skipped ones included.
void skipAll(benchmark::State &state, const char *why) {
    state.SkipWithError(why);
    for (auto _ : state) {}
}

#ifdef PELICARTA_TEST_WINDOW
// Ten overlapping windows of different colours on the given display; empty when one did not start.
std::vector<std::unique_ptr<QProcess>> tenWindows(const QByteArray &display) {
    std::vector<std::unique_ptr<QProcess>> windows;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (int i = 0; i < 10; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(PELICARTA_TEST_WINDOW),
                 {QStringLiteral("--app"), QStringLiteral("Janela%1").arg(i), QStringLiteral("--fill"),
                  QColor::fromHsv(i * 36, 200, 200).name().mid(1), QStringLiteral("--rect"),
                  QStringLiteral("%1,%2,640,480").arg(60 + i * 90).arg(40 + i * 50)});
        QDeadlineTimer deadline(30000); // a loaded machine starts them slowly
        while (!p->canReadLine() && !deadline.hasExpired()) p->waitForReadyRead(100);
        if (!p->readLine().startsWith("ready")) return {};
        windows.push_back(std::move(p));
    }
    return windows;
}
#endif

#ifdef PELICARTA_TEST_WINDOW
// Runs `step` as the benchmark's iterations on a private Xvfb screen of the state's size with ten
// windows on it; a step that answers false ends the benchmark with `failure`.
void onTenWindows(benchmark::State &state, const char *failure, const std::function<bool()> &step) {
    testsupport::XvfbServer server(QSize(int(state.range(0)), int(state.range(1))), true);
    if (!server.running()) {
        skipAll(state, qPrintable(QStringLiteral("no private X server: ") + server.error()));
        return;
    }
    std::vector<std::unique_ptr<QProcess>> windows = tenWindows(server.display());
    if (windows.size() != 10) {
        skipAll(state, "the helper windows did not start");
        return;
    }
    const std::shared_ptr<platform::ScreenServices> services =
        platform::createX11ScreenServices({server.display(), true});
    platform::ScreenServices::setSharedForTesting(services.get());
    for (auto _ : state) {
        if (!step()) {
            state.SkipWithError(failure);
            break;
        }
    }
    platform::ScreenServices::setSharedForTesting(nullptr);
    for (auto &w : windows) {
        w->kill();
        w->waitForFinished(2000);
    }
}
#endif

// Freezing every display and listing the windows, as a capture starts, on a private Xvfb screen.
void BM_PrepareSession(benchmark::State &state) {
#ifndef PELICARTA_TEST_WINDOW
    skipAll(state, "built without the test helper window (PELICARTA_BUILD_TESTS=OFF)");
#else
    onTenWindows(state, "the session is incomplete", [] {
        CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
        if (!session.ok() || session.value().windows.size() != 10) return false;
        benchmark::DoNotOptimize(session.value().snapshots.first().image.constBits());
        return true;
    });
#endif
}
// Fixed iteration counts: the X server's share of the time varies, and repetitions must agree.
BENCHMARK(BM_PrepareSession)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The grab of a full-screen capture: the display under the pointer, made opaque.
void BM_CaptureDisplay(benchmark::State &state) {
#ifndef PELICARTA_TEST_WINDOW
    skipAll(state, "built without the test helper window (PELICARTA_BUILD_TESTS=OFF)");
#else
    onTenWindows(state, "the grab failed", [] {
        CaptureResult<QImage> image = ScreenCapturer::captureDisplayUnderMouse();
        if (!image.ok()) return false;
        benchmark::DoNotOptimize(image.value().constBits());
        return true;
    });
#endif
}
BENCHMARK(BM_CaptureDisplay)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The blurred backdrop of window mode, made once per display as the overlay opens.
void BM_OverlayBackdropBlur(benchmark::State &state) {
    QImage image(int(state.range(0)), int(state.range(1)), QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), QLinearGradient(0, 0, image.width(), image.height()));
    p.end();
    for (auto _ : state) benchmark::DoNotOptimize(OverlayBackdrop::blurred(image).constBits());
}
BENCHMARK(BM_OverlayBackdropBlur)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

} // namespace
