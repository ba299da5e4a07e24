// The message-storage reply parsers (+CMGL, +CMGR, +CPMS, +CMTI/+CDS) on any bytes.
#include "fuzzinput.h"
#include "phonelink/smslisting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto text = AsText(data, size);
    SmsListing listing = parseCmglListing(text, "SM");
    for (const StoredSms& sms : listing.messages)
        FUZZ_CHECK(sms.pduHex.size() <= size && sms.stat >= 0 && sms.stat <= 3 && sms.index >= 0,
                   "a listed message comes from the input");
    FUZZ_CHECK(listing.messages.size() + listing.rejected.size() <= size, "no more records than lines");
    (void)parseCmgrReply(text, "ME", 1);
    FUZZ_CHECK(parseCpmsRead(text).size() <= 3 && parseCpmsSelect(text).size() <= 3 &&
                   parseCpmsTest(text).size() <= 3,
               "three storage roles at most");
    size_t newline = text.find('\n');
    (void)parseSmsNotice(text.substr(0, newline), newline == std::string_view::npos ? "" : text.substr(newline + 1));
    return 0;
}
