#include "fuzzinput.h"
#include "phonelink/atparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto text = AsText(data, size);
    for (const auto& line : parseCpbfListing(text)) {
        FUZZ_CHECK(line.number.size() <= size && line.text.size() <= size, "fields come from the input");
    }
    auto sets = parseCscsSupported(text);
    (void)sets;
    auto reference = parseCmgsReference(text);
    (void)reference;
    return 0;
}
