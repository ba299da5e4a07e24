#include "fuzzinput.h"
#include "phonelink/atparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto text = AsText(data, size);
    for (const auto& line : parseCpbrListing(text)) {
        FUZZ_CHECK(line.number.size() <= size && line.text.size() <= size, "fields come from the input");
    }
    return 0;
}
