// Logo files, through every reader the logo loader uses but PostScript (which runs in a process of
// its own): bitmaps, HEIC and SVG, a vector drawn once.

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
    platform::Ghostscript::Limits noGhostscript;
    noGhostscript.program = QStringLiteral("/nonexistent/gs");
    const QByteArray bytes = fuzz::bytes(data, size);
    for (const char *hint : {"png", "svg"}) {
        const auto picture = LogoPictures::read(bytes, hint, noGhostscript, QSize(512, 512));
        if (picture && picture->isVector()) picture->draw(QSize(64, 64));
    }
    return 0;
}
