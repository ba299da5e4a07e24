// SDP records as a phone sends them (the data-element encoding): nested lengths from an
// untrusted peer.
#include "fuzzinput.h"
#include "btstack/bluez/sdpelements.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size); // exact-size copy so ASan sees over-reads
    auto one = btstack::bluez::ParseSdpRecord(bytes);
    auto lists = btstack::bluez::ParseSdpAttributeLists(bytes);
    for (const auto* result : {&one, &lists}) {
        if (!result->ok)
            FUZZ_CHECK(!result->error.empty(), "a refusal says why");
        for (const auto& record : result->records)
            FUZZ_CHECK(record.rfcommChannel == -1 || (record.rfcommChannel >= 1 && record.rfcommChannel <= 30),
                       "only real RFCOMM channels are reported");
    }
    return 0;
}
