// The logo loader's whole pipeline on a file the user picks, as named like a picture and like an EPS
// file: raster pictures, the EPS preview, background clearing and trimming. Documents go to the logo
// render process, which is not started here (its readers have targets of their own: logo, logo_pdf).

#include "brand/LogoLoader.h"

#include "FuzzSupport.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LogoLoader::Options options;
    options.ghostscript.program = QStringLiteral("/nonexistent/gs");
    options.renderer.program = {};
    const QByteArray bytes = fuzz::bytes(data, size);
    for (const QString &name : {QStringLiteral("logo.png"), QStringLiteral("logo.eps")})
        LogoLoader::loadData(bytes, name, options);
    return 0;
}
