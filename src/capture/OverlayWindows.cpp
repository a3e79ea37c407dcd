#include "capture/OverlayWindows.h"

#include "capture/OverlayView.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace OverlayWindows {

namespace {

struct Kept {
    QList<QPointer<OverlayView>> views;
    QPointer<QTimer> idle;
    int idleLimit = idleLimitMs;
};

Kept &kept() {
    static Kept value;
    return value;
}

void dropDeleted() { kept().views.removeAll(QPointer<OverlayView>()); }

bool fits(const OverlayView &view, const QScreen *screen) {
    return view.screen() == screen && view.geometry() == screen->geometry();
}

void restartIdleTimer() {
    Kept &k = kept();
    if (!k.idle) {
        k.idle = new QTimer(QCoreApplication::instance());
        k.idle->setSingleShot(true);
        QObject::connect(k.idle, &QTimer::timeout, [] { release(); });
    }
    k.idle->start(k.idleLimit);
}

} // namespace

OverlayView *take(QScreen *screen) {
    Kept &k = kept();
    dropDeleted();
    for (qsizetype i = 0; i < k.views.size(); ++i) {
        OverlayView *view = k.views[i];
        if (view->screen() != screen) continue;
        k.views.removeAt(i);
        if (fits(*view, screen)) return view;
        delete view; // its screen moved or was resized: a window of the new size replaces it
        break;
    }
    auto *view = new OverlayView;
    view->setScreen(screen);
    view->setGeometry(screen->geometry());
    return view;
}

void giveBack(OverlayView *view) {
    if (!view) return;
    view->hide();
    view->unbind();
    dropDeleted();
    Kept &k = kept();
    const bool spare = std::any_of(k.views.begin(), k.views.end(),
                                   [&](const QPointer<OverlayView> &v) { return v->screen() == view->screen(); });
    if (spare) {
        view->deleteLater(); // we may be inside one of its event handlers
        return;
    }
    k.views.append(view);
    restartIdleTimer();
}

void release() {
    Kept &k = kept();
    if (k.idle) k.idle->stop();
    const QList<QPointer<OverlayView>> views = std::exchange(k.views, {});
    for (const QPointer<OverlayView> &view : views) delete view.data();
}

int keptCount() {
    dropDeleted();
    return int(kept().views.size());
}

void setIdleLimitForTesting(int ms) { kept().idleLimit = ms; }

} // namespace OverlayWindows
