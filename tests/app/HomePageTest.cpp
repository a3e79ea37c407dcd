#include "app/HomePage.h"
#include "capture/CaptureService.h"
#include "capture/FakeCaptureBackend.h"
#include "platform/Alert.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct CountingAlerts : platform::AlertPresenter {
    int shown = 0;
    int run(const platform::Alert &) override { return ++shown, 0; }
};

} // namespace

TEST(HomePageTest, ButtonsStartTheirCaptures) {
    FakeCaptureBackend backend;
    CountingAlerts alerts;
    CaptureBackend::setSharedForTesting(&backend);
    platform::AlertPresenter::setSharedForTesting(&alerts);
    CaptureService::resetForTesting();
    HomePage home;
    for (const auto &[action, mode] : {std::pair{ShortcutAction::captureArea, CaptureBackend::OverlayMode::area},
                                       std::pair{ShortcutAction::captureWindow, CaptureBackend::OverlayMode::window}}) {
        backend.overlayMode.reset();
        home.button(action)->click();
        QTest::qWait(20);
        EXPECT_EQ(backend.overlayMode, mode);
        backend.pick(std::nullopt); // cancelled: nothing delivered
    }
    // The full screen is grabbed at once (here it fails, so nothing is delivered).
    backend.error = QStringLiteral("Não encontrei a tela para capturar.");
    home.button(ShortcutAction::captureFullScreen)->click();
    QTest::qWait(20);
    EXPECT_EQ(backend.grabs, 1);
    EXPECT_EQ(alerts.shown, 1);
    CaptureBackend::setSharedForTesting(nullptr);
    platform::AlertPresenter::setSharedForTesting(nullptr);
}
