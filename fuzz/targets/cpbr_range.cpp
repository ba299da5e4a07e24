#include "fuzzinput.h"
#include "phonelink/atparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto range = parseCpbrRange(AsText(data, size));
    if (range) {
        FUZZ_CHECK(range->first >= 0 && range->last >= 0, "a range has no negative positions");
    }
    return 0;
}
