#pragma once

#include "platform/ScreenServices.h"

#include <QHash>
#include <QList>

#include <deque>
#include <functional>

// The shared screen services while it lives, a scripted desktop: displays, windows and images are
// whatever the test sets; activations are recorded.
class FakeScreenServices : public platform::ScreenServices {
public:
    FakeScreenServices() { setSharedForTesting(this); }
    ~FakeScreenServices() override { setSharedForTesting(nullptr); }
    FakeScreenServices(const FakeScreenServices &) = delete;
    FakeScreenServices &operator=(const FakeScreenServices &) = delete;

    bool isConnected = true;
    QList<platform::DisplayDescription> displayList;
    QHash<quint32, QImage> displayImages; // by display; a missing one fails
    std::optional<QPointF> pointer;
    QList<platform::WindowDescription> windowList; // front-most first, on screen or not
    // Window images handed out in turn (the last one repeats); none: the window is gone.
    QHash<quint32, std::deque<platform::ScreenGrab>> windowGrabs;
    QList<qint32> runningPIDs;
    std::optional<qint32> frontmost;
    qint32 ownPID = 4242;
    // Called when a window is activated (tests move or resize it there).
    std::function<void(quint32)> onActivateWindow;
    // Called as a window is looked up (tests bring it on screen there).
    std::function<void()> onWindowLookup;

    QList<quint32> activatedWindows;
    QList<qint32> activatedApplications;
    int windowImageReads = 0;
    int windowLookups = 0;

    bool connected() const override { return isConnected; }
    QString unavailableReason() const override {
        return QStringLiteral("Não há servidor X nesta sessão (DISPLAY não está definido).");
    }
    QList<platform::DisplayDescription> displays() override {
        return isConnected ? displayList : QList<platform::DisplayDescription>();
    }
    std::optional<QPointF> pointerPosition() override { return pointer; }
    QList<platform::WindowDescription> windows(WindowScope scope) override {
        QList<platform::WindowDescription> result;
        for (const auto &w : windowList)
            if (scope == WindowScope::all || w.onScreen) result.append(w);
        return result;
    }
    std::optional<platform::WindowDescription> window(quint32 number) override {
        ++windowLookups;
        if (onWindowLookup) onWindowLookup();
        for (const auto &w : windowList)
            if (w.number == number) return w;
        return std::nullopt;
    }
    platform::ScreenGrab displayImage(quint32 displayID) override {
        bool known = false;
        for (const auto &d : displayList) known = known || d.id == displayID;
        if (!known) return {platform::ScreenGrab::Status::gone, {}, false, {}};
        if (!displayImages.contains(displayID))
            return {platform::ScreenGrab::Status::failed,
                    {},
                    false,
                    QStringLiteral("O servidor X recusou a leitura da tela.")};
        return {platform::ScreenGrab::Status::ok, displayImages.value(displayID), true, {}};
    }
    platform::ScreenGrab windowImage(quint32 number) override {
        ++windowImageReads;
        auto it = windowGrabs.find(number);
        if (it == windowGrabs.end() || it->empty()) return {platform::ScreenGrab::Status::gone, {}, false, {}};
        platform::ScreenGrab grab = it->front();
        if (it->size() > 1) it->pop_front();
        return grab;
    }
    qint32 ownProcessID() const override { return ownPID; }
    bool isRunning(qint32 pid) override { return runningPIDs.contains(pid); }
    bool activateWindow(quint32 number) override {
        activatedWindows.append(number);
        if (onActivateWindow) onActivateWindow(number);
        return true;
    }
    bool activateApplication(qint32 pid) override {
        activatedApplications.append(pid);
        frontmost = pid;
        return true;
    }
    std::optional<qint32> frontmostApplication() override { return frontmost; }
};
