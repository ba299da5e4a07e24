// The phone link and the emulated phone read GSM texts with one alphabet: every code of the
// default table, every escape code (defined or unused) and the reserved escape give the same
// characters on both sides.
#include <gtest/gtest.h>

#include "phonelink/charset.h"
#include "phonesim/charset.h"

namespace {

TEST(GsmCrossCheck, LinkAndEmulatedPhoneDecodeEveryCodeAlike) {
    for (int code = 0; code < 128; ++code) {
        for (bool escaped : {false, true}) {
            std::string septets;
            if (escaped)
                septets.push_back(0x1B);
            septets.push_back(static_cast<char>(code));
            septets.push_back('x'); // a single 0x1B is not a whole text on the emulated phone
            std::string simText;
            ASSERT_TRUE(phonesim::GsmSeptetsToUtf8(septets, &simText)) << code;
            EXPECT_EQ(FromPhoneText(septets, Charset::Gsm), simText) << "code " << code << (escaped ? " after ESC" : "");
        }
    }
}

} // namespace
