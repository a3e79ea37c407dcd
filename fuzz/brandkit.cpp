// The brand kit, as the brand store reads it from the settings file: what is read is written back and
// reads the same.

#include "brand/BrandKit.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QJsonValue value = fuzz::json(data, size);
    fuzz::roundTrip<BrandKit>(value, &BrandKit::fromJson);
    if (const auto kit = BrandKit::fromJson(value)) {
        kit->label();
        if (kit->masked() != *kit) std::abort(); // colours are read as 24 bits
    }
    return 0;
}
