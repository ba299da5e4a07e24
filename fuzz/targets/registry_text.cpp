// The registry file is user-editable: parse it, and what parsed must survive a save and reload.
#include "fuzzinput.h"
#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed = platform::ParseRegistryText(AsText(data, size));
    if (!parsed.ok) {
        FUZZ_CHECK(!parsed.error.empty(), "a refusal says why");
        return 0;
    }
    std::string text = platform::FormatRegistryText(parsed.keys);
    auto again = platform::ParseRegistryText(text);
    FUZZ_CHECK(again.ok, "a saved registry loads again");
    FUZZ_CHECK(again.keys.size() == parsed.keys.size(), "no key is lost");
    for (size_t i = 0; i < parsed.keys.size(); ++i) {
        FUZZ_CHECK(again.keys[i].values.size() == parsed.keys[i].values.size(), "no value is lost");
        for (size_t v = 0; v < parsed.keys[i].values.size(); ++v)
            FUZZ_CHECK(again.keys[i].values[v].second.data == parsed.keys[i].values[v].second.data,
                       "values keep their bytes");
    }
    return 0;
}
