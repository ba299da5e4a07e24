#include "platform/reglinelimit.h"

#include <gtest/gtest.h>

namespace {

TEST(RegistryLineLimit, RefusesOnlyTheOverlongLineAndNamesIt) {
    const std::string ok = "[HKEY_CURRENT_USER\\Software]\n\"Name\"=\"" + std::string(100, 'x') + "\"\n";
    EXPECT_FALSE(platform::RegistryLineTooLong(ok, 200));
    EXPECT_FALSE(platform::RegistryLineTooLong(std::string(200, 'x'), 200)); // at the limit, no newline
    EXPECT_FALSE(platform::RegistryLineTooLong("", 200));

    const std::string bad = ok + "\"Big\"=\"" + std::string(1 << 20, 'y') + "\"\n[Next]\n";
    const auto why = platform::RegistryLineTooLong(bad);
    ASSERT_TRUE(why);
    EXPECT_EQ(*why, "line 3 is longer than 16384 characters");
}

} // namespace
