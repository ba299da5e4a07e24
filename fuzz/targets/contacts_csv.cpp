#include "contacts/contactcsv.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto result = contacts::ReadContactsCsv(AsText(data, size));
    for (const auto& contact : result.contacts) FUZZ_CHECK(!contact.numbers.empty(), "a contact has a number");
    for (const auto& problem : result.problems) FUZZ_CHECK(!problem.reason.empty(), "a problem says what it is");
    return 0;
}
