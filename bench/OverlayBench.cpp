#include "capture/OverlayController.h"
#include "capture/OverlayView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <benchmark/benchmark.h>

namespace {

CaptureSession fourKSession() {
    DisplaySnapshot display;
    display.displayID = 1;
    display.bounds = QRectF(0, 0, 3840, 2160);
    display.image = QImage(3840, 2160, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&display.image);
    QLinearGradient g(0, 0, 3840, 2160);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 120, 80));
    p.fillRect(display.image.rect(), g);
    for (int i = 0; i < 12; ++i)
        p.fillRect(QRect(100 + i * 280, 200 + (i % 3) * 500, 600, 400), QColor::fromHsv(i * 30, 160, 220));
    p.end();
    CaptureSession session;
    session.snapshots << display;
    return session;
}

} // namespace

// From show() to the first painted frame of a 4K overlay: the blurred backdrop is made in show(), then
// the whole view is painted once.
static void BM_OverlayShowToFirstFrame4K(benchmark::State &state) {
    const CaptureSession session = fourKSession();
    QImage frame(3840, 2160, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        OverlayController controller(
            session, OverlayModel::Mode::area, [](std::optional<OverlayResult>) {},
            [](quint32) { return QGuiApplication::primaryScreen(); });
        controller.show();
        OverlayView *view = controller.views().value(0);
        view->resize(3840, 2160);
        view->render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetLabel("3840x2160");
}
BENCHMARK(BM_OverlayShowToFirstFrame4K)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
