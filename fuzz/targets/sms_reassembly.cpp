// Random part headers fed to the collector: every part comes out exactly once, in one message.
#include "fuzzinput.h"
#include "messages/reassembly.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    messages::Reassembler collector;
    size_t added = 0;
    for (size_t i = 0; i + 4 <= size; i += 4) {
        DecodedSms sms;
        sms.number = std::string(1, static_cast<char>('0' + (data[i] & 3)));
        sms.text = "x";
        if (data[i] & 0x80)
            sms.concat = SmsConcat{data[i + 1], data[i + 2], data[i + 3], (data[i] & 0x40) != 0};
        collector.Add({"SM", static_cast<int>(i / 4)}, sms);
        ++added;
        if (data[i] & 0x20)
            for (const auto& whole : collector.TakeComplete())
                added -= whole.locations.size();
    }
    for (const auto& whole : collector.TakeAll()) {
        FUZZ_CHECK(whole.partsHave <= whole.partsTotal, "no more parts than the header counts");
        FUZZ_CHECK(static_cast<int>(whole.partLocations.size()) == whole.partsHave,
                   "one slot for each part present");
        added -= whole.locations.size();
    }
    FUZZ_CHECK(added == 0, "every slot comes out once");
    return 0;
}
