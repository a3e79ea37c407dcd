#include "support/TestSupport.h"

#include "platform/TextEngine.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    platform::ensureSingleThreadedOpenMP(argc, argv);
    // Widgets and fonts need an application object; never a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing a test does may touch the real user's settings or documents.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toLocal8Bit());
    // Workers stay at normal priority: the tests wait for what they compute, and on a busy machine work
    // lowered below everything else there may wait minutes for a processor. The tests of the lowering
    // itself turn it back on.
    if (!qEnvironmentVariableIsSet("PELICARTA_NO_TUNING")) qputenv("PELICARTA_NO_TUNING", "nice");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testsupport::failOnPainterWarnings();
    return RUN_ALL_TESTS();
}
