#include "fuzzinput.h"
#include "phonelink/atparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto text = AsText(data, size);
    int value = ParseDigits(text);
    if (IsAllDigits(text) && size <= 9) {
        FUZZ_CHECK(value == std::atoi(std::string(text).c_str()), "short digit fields read exactly");
    }
    return 0;
}
