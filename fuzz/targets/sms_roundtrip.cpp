// Random texts and destinations: what the link encodes, the emulated phone's independent decoder
// must give back unchanged — or the encoder must have refused it with a reason.
#include "fuzzinput.h"
#include "phonelink/smspdu.h"
#include "phonesim/smspdu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto input = AsText(data, size);
    auto split = input.find('\n');
    if (split == std::string_view::npos)
        return 0;
    std::string_view destination = input.substr(0, split);
    std::string_view text = input.substr(split + 1);

    SmsPdu pdu;
    LinkError error;
    if (!EncodeSmsSubmit(text, destination, pdu, error)) {
        FUZZ_CHECK(!error.text.empty(), "a refused message says why");
        return 0;
    }
    FUZZ_CHECK(pdu.tpduLength > 0 && pdu.tpduLength <= 176, "one message at most");

    phonesim::SubmitPdu decoded;
    std::string why;
    FUZZ_CHECK(phonesim::DecodeSubmitPdu(pdu.hex, pdu.tpduLength, &decoded, &why), "the phone accepts the PDU");
    FUZZ_CHECK(decoded.text == text, "the text arrives unchanged");

    SmsDestination expected;
    LinkError destError;
    FUZZ_CHECK(ParseSmsDestination(destination, expected, destError), "the destination was accepted");
    FUZZ_CHECK(decoded.destination == expected.digits, "the number arrives unchanged");
    FUZZ_CHECK(decoded.typeOfAddress == expected.typeOfAddress, "the type of address arrives unchanged");
    return 0;
}
