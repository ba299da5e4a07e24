#include "fuzzinput.h"
#include "phonelink/atparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto melodies = parseEsomListing(AsText(data, size));
    (void)melodies;
    return 0;
}
