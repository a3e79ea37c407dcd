// The PostScript and EPS parsing of our own that runs before ghostscript does: the bounding box
// comments, the parts of a DOS EPS file, and the TIFF preview the logo loader draws from such a file.

#include "brand/LogoPicture.h"
#include "platform/Ghostscript.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    platform::Ghostscript::boundingBox(bytes);
    platform::Ghostscript::dosEpsPart(bytes, 4);
    if (const auto preview = platform::Ghostscript::dosEpsPart(bytes, 20))
        LogoPictures::readBitmap(*preview, "tiff", QSize(1600, 600));
    return 0;
}
