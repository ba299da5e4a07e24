// The reader of final result lines ("ERROR", "+CME ERROR: n", "MODEM ERROR: n", verbose texts):
// any line gives an error with a sentence, or no error for OK, and never reads past the line.
#include "fuzzinput.h"
#include "phonelink/linkerror.h"
#include "phonelink/replyframer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto line = AsText(data, size);
    LinkError error = ErrorFromFinalLine(line);
    bool success = false;
    if (CReplyFramer::IsFinalResult(line, &success) && success)
        FUZZ_CHECK(!error, "a successful result is no error");
    if (error)
        FUZZ_CHECK(!error.text.empty(), "every error has a sentence");
    FUZZ_CHECK(error.code >= -1, "codes are -1 or a number the phone sent");
    return 0;
}
