// The tutorial document ("tutorial.json").

#include "tutorials/Tutorial.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::roundTrip<Tutorial>(fuzz::json(data, size), &Tutorial::fromJson);
    return 0;
}
