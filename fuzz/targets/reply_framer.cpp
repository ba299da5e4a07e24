// The reply framer fed what a phone may send, split at the fuzzer's chosen points: it must end
// an exchange only at a final result, never claim success for another line, and the outcome must
// not depend on how the bytes were split into reads.
#include "fuzzinput.h"
#include "phonelink/replyframer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    bool expectPrompt = data[0] & 1;
    size_t split = data[1] % (size - 1);
    auto text = AsText(data + 2, size - 2);
    split = split < text.size() ? split : text.size();

    CReplyFramer whole("AT+CPBR=1,100", expectPrompt);
    whole.Feed(text);
    CReplyFramer pieces("AT+CPBR=1,100", expectPrompt);
    pieces.Feed(text.substr(0, split));
    pieces.Feed(text.substr(split));

    FUZZ_CHECK(whole.FinalSeen() == pieces.FinalSeen(), "splitting does not change the end");
    FUZZ_CHECK(whole.Succeeded() == pieces.Succeeded(), "splitting does not change the result");
    FUZZ_CHECK(whole.FinalLine() == pieces.FinalLine(), "splitting does not change the final line");
    if (whole.FinalSeen()) {
        bool success = false;
        FUZZ_CHECK(CReplyFramer::IsFinalResult(whole.FinalLine(), &success), "the final line is a result");
        FUZZ_CHECK(success == whole.Succeeded(), "success only from a successful result");
    }
    return 0;
}
