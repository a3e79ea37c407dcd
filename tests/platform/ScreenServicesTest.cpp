#include "platform/ScreenServices.h"

#include "support/Waiting.h"
#include "support/XvfbServer.h"

#include <QObject>

#include <gtest/gtest.h>

#include <optional>

using platform::ScreenGrab;
using platform::ScreenServices;

// The shared services are one object for the whole run: they reach a server that came after their
// first use and let go of one that went away, and a read begun before that is still answered.
TEST(SharedScreenServicesTest, FollowTheServerAsItComesAndGoes) {
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    ScreenServices &services = ScreenServices::shared();
    EXPECT_FALSE(services.connected());
    EXPECT_FALSE(services.unavailableReason().isEmpty());
    EXPECT_TRUE(services.displays().isEmpty());

    std::optional<QList<ScreenGrab>> grabs;
    QObject context;
    {
        testsupport::XvfbServer server(QSize(640, 480), false);
        ASSERT_TRUE(server.running()) << server.error().toStdString();
        qputenv("DISPLAY", server.display());
        EXPECT_EQ(&ScreenServices::shared(), &services);
        ASSERT_TRUE(services.connected());
        const QList<platform::DisplayDescription> displays = services.displays();
        ASSERT_EQ(displays.size(), 1);
        EXPECT_EQ(displays.first().bounds, QRectF(0, 0, 640, 480));

        services.displayImagesLater({displays.first().id}, &context,
                                    [&](QList<ScreenGrab> answered) { grabs = std::move(answered); });
        // The pixels are read; what ends the read waits for the event loop, after the server has gone.
        ASSERT_TRUE(ScreenServices::waitForReads(testsupport::patienceMs));
    }
    // The next request finds the server gone; the next use connects anew, to nothing.
    EXPECT_FALSE(services.pointerPosition());
    EXPECT_EQ(&ScreenServices::shared(), &services);
    EXPECT_FALSE(services.connected());

    ASSERT_TRUE(testsupport::becomes([&] { return grabs.has_value(); }));
    ASSERT_EQ(grabs->size(), 1);
    EXPECT_EQ(grabs->first().status, ScreenGrab::Status::ok);
    EXPECT_EQ(grabs->first().image.size(), QSize(640, 480));

    if (!display.isNull()) qputenv("DISPLAY", display);
}
