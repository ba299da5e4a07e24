// Random PDU text: the decoder gives a record or a sentence, never a crash or a read past the
// unit; a decoded text is valid UTF-8.
#include "fuzzinput.h"
#include "phonelink/smsdecode.h"
#include "textcodec/textcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    int announced = data[0] == 0xFF ? -1 : data[0];
    auto hex = AsText(data + 1, size - 1);
    DecodedSms sms;
    LinkError error;
    if (!DecodeSmsPdu(hex, announced, sms, error)) {
        FUZZ_CHECK(!error.text.empty(), "a refused PDU says why");
        return 0;
    }
    FUZZ_CHECK(textcodec::DecodeUtf8(sms.text).has_value(), "the text is UTF-8");
    FUZZ_CHECK(sms.data.size() <= 140, "the payload fits one message");
    if (sms.time)
        FUZZ_CHECK(ToIso8601(*sms.time).size() == 25, "the time reads as ISO 8601");
    return 0;
}
