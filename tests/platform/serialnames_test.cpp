#include "platform/osversion.h"
#include "platform/registry.h"
#include "platform/serialnames.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(SerialNames, ComNumbersInEveryAcceptedForm) {
    EXPECT_EQ(ComPortNumber("COM5"), 5);
    EXPECT_EQ(ComPortNumber("\\\\?\\COM12"), 12);
    EXPECT_EQ(ComPortNumber("com1"), 1);
    EXPECT_EQ(ComPortNumber("COM"), std::nullopt);
    EXPECT_EQ(ComPortNumber("COMX"), std::nullopt);
    EXPECT_EQ(ComPortNumber("/dev/ttyS0"), std::nullopt);
}

TEST(SerialNames, ResolvesOnlyMappedNames) {
    Registry reg;
    RegisterSerialPort(3, "/dev/pts/9", &reg);
    EXPECT_EQ(ResolveSerialName("COM3", &reg), "/dev/pts/9");
    EXPECT_EQ(ResolveSerialName("\\\\?\\COM3", &reg), "/dev/pts/9");
    EXPECT_EQ(ResolveSerialName("COM4", &reg), std::nullopt);
    UnregisterSerialPort(3, &reg);
    EXPECT_EQ(ResolveSerialName("COM3", &reg), std::nullopt);
}

TEST(OsVersion, QueryFailsOnLinux) {
    OsVersionInfo info;
    EXPECT_FALSE(GetVersionEx(info));
}
