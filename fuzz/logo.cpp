// Logo files, through the readers the logo loader runs in its own process: bitmaps and HEIC; and SVG
// as the render process reads it (cut off from everything outside it), drawn once.

#include "brand/LogoPicture.h"

#include "FuzzSupport.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Drawing SVG text needs fonts, and fonts need the application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    for (const char *hint : {"png", "svg"}) LogoPictures::readRaster(bytes, hint, QSize(512, 512));
    if (LogoPictures::documentKind(bytes, "svg") == LogoRenderFrames::Kind::svg) {
        const auto picture = LogoPictures::readDocument(LogoRenderFrames::Kind::svg, bytes, {}, 1000);
        if (picture && picture->isVector()) picture->draw(QSize(64, 64));
    }
    return 0;
}
