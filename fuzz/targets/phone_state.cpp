// The emulated phone's state file is user-editable: loading it must fail cleanly or round-trip.
#include "fuzzinput.h"
#include "phonesim/phonestate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    phonesim::PhoneState state;
    std::string error;
    if (phonesim::ParseState(std::string(AsText(data, size)), &state, &error)) {
        phonesim::PhoneState again;
        std::string text = phonesim::FormatState(state);
        FUZZ_CHECK(phonesim::ParseState(text, &again, &error), "a saved state loads again");
        FUZZ_CHECK(phonesim::FormatState(again) == text, "saving is stable");
    }
    return 0;
}
