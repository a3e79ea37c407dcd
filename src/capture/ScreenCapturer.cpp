#include "capture/ScreenCapturer.h"

#include "capture/RectMath.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

using platform::ScreenGrab;
using platform::ScreenServices;

namespace ScreenCapturer {

namespace {

WindowTiming &timing() {
    static WindowTiming value;
    return value;
}

CaptureError notConnected(const ScreenServices &services) {
    return CaptureError::platformFailure(services.unavailableReason());
}

// A display grab as a result: a display that vanished in between is `noDisplay`.
CaptureResult<QImage> displayResult(ScreenGrab grab) {
    switch (grab.status) {
    case ScreenGrab::Status::ok: return std::move(grab.image);
    case ScreenGrab::Status::gone: return CaptureError::Kind::noDisplay;
    case ScreenGrab::Status::failed: break;
    }
    return CaptureError::platformFailure(grab.error);
}

bool acceptable(const ScreenGrab &grab) {
    return grab.status == ScreenGrab::Status::ok && grab.onScreen && !grab.image.isNull() && !looksBlank(grab.image);
}

// One window capture through activation, settling and retries; lives as a child of the caller's
// context and deletes itself when done.
class WindowCapture : public QObject {
public:
    WindowCapture(QObject *context, ScreenServices &services, WindowInfo info, std::optional<qint32> frontmostPID,
                  bool returnFocus, WindowCallback done)
        : QObject(context), m_services(services), m_info(std::move(info)), m_frontmostPID(frontmostPID),
          m_returnFocus(returnFocus), m_done(std::move(done)), m_timing(timing()) {}

    void start() {
        if (!m_services.connected()) return finish(notConnected(m_services));
        if (m_frontmostPID && *m_frontmostPID == m_info.ownerPID) {
            ScreenGrab grab = m_services.windowImage(m_info.id);
            if (grab.status == ScreenGrab::Status::gone) return finish(CaptureError::Kind::windowGone);
            if (grab.status == ScreenGrab::Status::failed) return finish(CaptureError::platformFailure(grab.error));
            if (acceptable(grab)) {
                if (m_returnFocus && m_services.isRunning(*m_frontmostPID))
                    m_services.activateApplication(*m_frontmostPID);
                return finish(std::move(grab.image));
            }
        }
        // A window whose owner is unknown (0) is judged by the window alone.
        if (m_info.ownerPID > 0 && !m_services.isRunning(m_info.ownerPID))
            return finish(CaptureError::Kind::windowGone);
        if (m_info.ownerPID <= 0 && !m_services.window(m_info.id)) return finish(CaptureError::Kind::windowGone);
        const std::optional<platform::WindowDescription> before = m_services.window(m_info.id);
        m_existed = before.has_value();
        m_initialSize = before ? before->frame.size() : QSizeF(0, 0);
        m_services.activateWindow(m_info.id);
        m_sinceActivation.start();
        QTimer::singleShot(m_timing.settleDelay, this, [this] { poll(); });
    }

private:
    // Waits until the window's frame is the same on two polls in a row, or the polls run out. Until the
    // window shows, its polls count for nothing: it is given the time a desktop takes to bring a window
    // forward, measured on the clock (a loaded machine polls late). Still off the screen after that, it
    // stays minimised or on another workspace; one that went away is not coming back.
    void poll() {
        const std::optional<platform::WindowDescription> w = m_services.window(m_info.id);
        if (!w) return finish(CaptureError::Kind::windowGone);
        if (w->onScreen) {
            ++m_polls;
            if (m_lastFrame && *m_lastFrame == w->frame) return settled(m_lastFrame);
            m_lastFrame = w->frame;
        } else if (!m_lastFrame) {
            if (m_sinceActivation.hasExpired(m_timing.hiddenAfter)) return finish(CaptureError::Kind::windowHidden);
        } else {
            ++m_polls;
        }
        if (m_polls >= m_timing.settlePolls) return settled(m_lastFrame);
        QTimer::singleShot(m_timing.settlePoll, this, [this] { poll(); });
    }

    void settled(std::optional<QRectF> frame) {
        m_settled = frame;
        attempt();
    }

    void attempt() {
        ++m_attempts;
        ScreenGrab grab = m_services.windowImage(m_info.id);
        if (acceptable(grab)) return accept(std::move(grab.image));
        if (grab.status == ScreenGrab::Status::ok) {
            m_lastImage = std::move(grab.image);
            m_lastOnScreen = grab.onScreen;
        }
        if (m_attempts < m_timing.attempts) {
            QTimer::singleShot(m_timing.attemptDelay, this, [this] { attempt(); });
            return;
        }
        // A blank picture of a window that is on screen is still a picture of it.
        if (m_lastOnScreen && !m_lastImage.isNull()) return finish(std::move(m_lastImage));
        finish(CaptureError::Kind::windowHidden);
    }

    void accept(QImage image) {
        // A window that changed size while coming forward was rearranged by the user or the window
        // manager; leaving it in front is then the least surprising.
        const bool keptSize = m_settled && m_settled->size() == m_initialSize;
        if (m_returnFocus && m_existed && keptSize && m_frontmostPID && m_services.isRunning(*m_frontmostPID))
            m_services.activateApplication(*m_frontmostPID);
        finish(std::move(image));
    }

    void finish(CaptureResult<QImage> result) {
        WindowCallback done = std::move(m_done);
        m_done = nullptr;
        deleteLater();
        if (done) done(std::move(result));
    }

    ScreenServices &m_services;
    WindowInfo m_info;
    std::optional<qint32> m_frontmostPID;
    bool m_returnFocus;
    WindowCallback m_done;
    WindowTiming m_timing;
    bool m_existed = false;
    QSizeF m_initialSize;
    std::optional<QRectF> m_lastFrame;
    std::optional<QRectF> m_settled;
    QElapsedTimer m_sinceActivation;
    int m_polls = 0; // since the window first showed
    int m_attempts = 0;
    QImage m_lastImage;
    bool m_lastOnScreen = false;
};

} // namespace

namespace {

// The display under the pointer, else the first one.
CaptureResult<quint32> displayUnderMouse(ScreenServices &services) {
    if (!services.connected()) return notConnected(services);
    const QList<platform::DisplayDescription> displays = services.displays();
    if (displays.isEmpty()) return CaptureError::Kind::noDisplay;
    const QPointF mouse = globalMouseLocation();
    const auto under = std::find_if(displays.begin(), displays.end(),
                                    [&](const auto &d) { return RectMath::contains(d.bounds, mouse); });
    return under != displays.end() ? under->id : displays.first().id;
}

CaptureResult<platform::DisplayDescription> displayWithID(ScreenServices &services, quint32 displayID) {
    if (!services.connected()) return notConnected(services);
    const QList<platform::DisplayDescription> displays = services.displays();
    const auto display =
        std::find_if(displays.begin(), displays.end(), [&](const auto &d) { return d.id == displayID; });
    if (display == displays.end()) return CaptureError::Kind::noDisplay;
    return *display;
}

CaptureResult<QImage> cut(ScreenGrab grab, const platform::DisplayDescription &display, const QRectF &rect) {
    CaptureResult<QImage> image = displayResult(std::move(grab));
    if (!image) return image.error();
    QImage part = DisplaySnapshot{display.id, display.bounds, std::move(image).value()}.crop(rect);
    if (part.isNull()) return CaptureError::Kind::cropFailed;
    return part;
}

template <typename T>
void failLater(QObject *context, std::function<void(CaptureResult<T>)> done, CaptureError error) {
    QMetaObject::invokeMethod(
        context, [done = std::move(done), error] { done(error); }, Qt::QueuedConnection);
}

} // namespace

CaptureResult<CaptureSession> prepareSession() {
    ScreenServices &services = ScreenServices::shared();
    if (!services.connected()) return notConnected(services);
    CaptureSession session;
    const QList<platform::DisplayDescription> displays = services.displays();
    QList<quint32> ids;
    for (const platform::DisplayDescription &display : displays) ids.append(display.id);
    QList<ScreenGrab> grabs = services.displayImages(ids);
    for (qsizetype i = 0; i < displays.size(); ++i) {
        CaptureResult<QImage> image = displayResult(std::move(grabs[i]));
        if (!image) return image.error();
        session.snapshots.append({displays[i].id, displays[i].bounds, std::move(image).value()});
    }
    session.windows = visibleWindows(services.windows(ScreenServices::WindowScope::onScreen), services.ownProcessID());
    return session;
}

CaptureResult<QImage> captureDisplayUnderMouse() {
    ScreenServices &services = ScreenServices::shared();
    const CaptureResult<quint32> display = displayUnderMouse(services);
    if (!display) return display.error();
    return displayResult(services.displayImage(display.value()));
}

void captureDisplayUnderMouse(QObject *context, ImageCallback done) {
    ScreenServices &services = ScreenServices::shared();
    const CaptureResult<quint32> display = displayUnderMouse(services);
    if (!display) return failLater(context, std::move(done), display.error());
    services.displayImagesLater({display.value()}, context, [done = std::move(done)](QList<ScreenGrab> grabs) {
        done(displayResult(std::move(grabs.front())));
    });
}

CaptureResult<QImage> captureArea(const QRectF &rect, quint32 displayID) {
    ScreenServices &services = ScreenServices::shared();
    const CaptureResult<platform::DisplayDescription> display = displayWithID(services, displayID);
    if (!display) return display.error();
    return cut(services.displayImage(displayID), display.value(), rect);
}

void captureArea(const QRectF &rect, quint32 displayID, QObject *context, ImageCallback done) {
    ScreenServices &services = ScreenServices::shared();
    const CaptureResult<platform::DisplayDescription> display = displayWithID(services, displayID);
    if (!display) return failLater(context, std::move(done), display.error());
    services.displayImagesLater({displayID}, context,
                                [display = display.value(), rect, done = std::move(done)](QList<ScreenGrab> grabs) {
                                    done(cut(std::move(grabs.front()), display, rect));
                                });
}

void captureWindow(const WindowInfo &info, std::optional<qint32> frontmostPID, bool returnFocus, QObject *context,
                   WindowCallback done) {
    auto *job = new WindowCapture(context, ScreenServices::shared(), info, frontmostPID, returnFocus, std::move(done));
    // Even an immediate answer arrives after this call has returned.
    QMetaObject::invokeMethod(
        job, [job] { job->start(); }, Qt::QueuedConnection);
}

QPointF globalMouseLocation() {
    if (const auto p = ScreenServices::shared().pointerPosition()) return *p;
    return {};
}

QScreen *screen(quint32 displayID) {
    for (const platform::DisplayDescription &d : ScreenServices::shared().displays()) {
        if (d.id != displayID) continue;
        for (QScreen *s : QGuiApplication::screens()) {
            if (s->name() == d.name) return s;
        }
    }
    return nullptr;
}

bool looksBlank(const QImage &image) {
    QImage thumbnail(12, 12, QImage::Format_RGBA8888_Premultiplied);
    if (thumbnail.isNull()) return false;
    thumbnail.fill(Qt::transparent);
    {
        QPainter painter(&thumbnail);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, 12, 12), image);
    }
    int visible = 0, dark = 0;
    for (int y = 0; y < 12; ++y) {
        const uchar *p = thumbnail.constScanLine(y);
        for (int x = 0; x < 12; ++x, p += 4) {
            if (p[3] < 25) continue;
            ++visible;
            if (std::max({p[0], p[1], p[2]}) <= 9) ++dark;
        }
    }
    if (visible < 14) return true;
    return double(dark) / double(visible) > 0.97;
}

QList<WindowInfo> visibleWindows() {
    ScreenServices &services = ScreenServices::shared();
    return visibleWindows(services.windows(ScreenServices::WindowScope::onScreen), services.ownProcessID());
}

QList<WindowInfo> visibleWindows(const QList<platform::WindowDescription> &entries, qint32 ownPID) {
    QList<WindowInfo> result;
    for (const platform::WindowDescription &e : entries) {
        if (e.layer != 0) continue;
        if (e.own || e.ownerPID == ownPID) continue;
        if (!(e.frame.width() > 40 && e.frame.height() > 40)) continue;
        if (e.alpha && !(*e.alpha > 0)) continue;
        result.append({e.number, e.frame, e.ownerName, e.ownerPID.value_or(0)});
    }
    return result;
}

void setWindowTiming(const WindowTiming &value) { timing() = value; }

} // namespace ScreenCapturer
