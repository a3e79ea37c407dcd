#pragma once

#include "capture/CaptureBackend.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

// The capture backend for tests: grabs answer from a script; the overlay stays up until the test picks or cancels.
class FakeCaptureBackend : public CaptureBackend {
public:
    bool access = true;
    int accessRequests = 0;
    QImage screen = testsupport::filledImage(320, 200, QColor(200, 60, 60));
    QString error;
    QString overlayError;
    int grabs = 0;
    std::optional<QRectF> areaAsked;
    std::optional<bool> returnFocus;
    std::optional<OverlayMode> overlayMode;
    std::function<void(std::optional<OverlayPick>)> finishOverlay;
    // Holding: grabs wait for releaseGrab(), as a real read runs while the event loop turns.
    bool holdGrabs = false;
    std::function<void()> heldGrab;
    void releaseGrab() { std::exchange(heldGrab, nullptr)(); }

    bool hasScreenAccess() override { return access; }
    void requestScreenAccess() override { ++accessRequests; }
    std::optional<qint32> frontmostPID() override { return 4242; }
    void captureDisplayUnderMouse(ImageCallback done) override { answer(done); }
    void captureArea(const QRectF &rect, quint32, ImageCallback done) override {
        areaAsked = rect;
        answer(done);
    }
    void captureWindow(const PickedWindow &, std::optional<qint32> pid, bool focus, ImageCallback done) override {
        EXPECT_EQ(pid, 4242);
        returnFocus = focus;
        answer(done);
    }
    void showOverlay(OverlayMode mode, std::function<void(const QString &)> shown,
                     std::function<void(std::optional<OverlayPick>)> finished) override {
        overlayMode = mode;
        if (!overlayError.isEmpty()) {
            shown(overlayError);
            return;
        }
        finishOverlay = std::move(finished);
        shown(QString());
    }
    void cancelOverlay() override {
        if (finishOverlay) pick(std::nullopt);
    }
    void pick(std::optional<OverlayPick> pick) {
        auto finish = std::move(finishOverlay);
        finishOverlay = nullptr;
        finish(std::move(pick));
    }

private:
    void answer(const ImageCallback &done) {
        if (holdGrabs) {
            heldGrab = [this, done] {
                holdGrabs = false;
                answer(done);
            };
            return;
        }
        ++grabs;
        if (error.isEmpty()) done(screen, QString());
        else done(QImage(), error);
    }
};
