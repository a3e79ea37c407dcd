// Pictures read from disk (PNG first, and whatever else the reader recognises): whole and reduced.

#include "platform/ImageFile.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    platform::ImageFile::decode(bytes);
    platform::ImageFile::decodeThumbnail(bytes, QSize(48, 32));
    return 0;
}
