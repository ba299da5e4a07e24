#include "fuzzinput.h"
#include "bluetooth/bdaddr.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BdAddr address{};
    BdAddr before = address;
    if (ParseBdAddr(AsText(data, size), &address)) {
        FUZZ_CHECK(size >= 17, "an address needs 17 characters");
        std::string shown = FormatBdAddr(address);
        FUZZ_CHECK(shown.size() <= 17, "the display form fits its buffer");
    } else {
        FUZZ_CHECK(std::memcmp(&before, &address, sizeof address) == 0, "a refused text leaves the address alone");
    }
    return 0;
}
