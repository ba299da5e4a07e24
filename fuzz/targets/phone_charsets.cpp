// Texts as the phone sends them, in each character set the link may select.
#include "fuzzinput.h"
#include "phonelink/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    auto charset = static_cast<Charset>(data[0] % 4);
    auto text = AsText(data + 1, size - 1);
    auto shown = FromPhoneText(text, charset);
    auto number = FromPhoneNumber(text, charset);
    (void)shown;
    (void)number;
    return 0;
}
