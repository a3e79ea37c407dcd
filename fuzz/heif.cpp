// HEIC pictures: the size, the whole picture and the thumbnail.

#include "platform/HeifCodec.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    platform::HeifCodec::readSize(bytes);
    platform::HeifCodec::decode(bytes);
    platform::HeifCodec::decodeThumbnail(bytes, QSize(232, 160));
    return 0;
}
