// PDF logos, as the logo render process reads and draws them (poppler, with its time limit). The
// process runs under an address-space limit that this target does not have: a document that only
// asks for a great deal of memory is refused there, not here.

#include "brand/LogoPicture.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const auto picture = LogoPictures::readDocument(LogoRenderFrames::Kind::pdf, bytes, {}, 2000);
    if (picture && picture->isVector()) {
        const QSize pixels = LogoPictures::fittedSize(picture->points, QSize(96, 48), true);
        if (pixels.isValid()) picture->draw(pixels);
    }
    return 0;
}
