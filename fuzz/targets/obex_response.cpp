// What the phone's OBEX service answers: the client's decoder must say good, bad or need-more,
// and never read past what it was given.
#include "fuzzinput.h"
#include "obex/codec.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    bool afterConnect = data[0] & 1;
    std::vector<uint8_t> bytes(data + 1, data + size); // exact-size copy so ASan sees over-reads
    auto result = obex::DecodeResponse(bytes, afterConnect);
    if (result.status == obex::DecodeStatus::Good) {
        FUZZ_CHECK(result.consumed <= bytes.size(), "a decoder consumes only what it was given");
    }
    return 0;
}
