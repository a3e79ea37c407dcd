// Design-token files for the brand: JSON tokens and text (CSS, Markdown).

#include "brand/BrandImporter.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    BrandImporter::parseData(fuzz::bytes(data, size));
    return 0;
}
