#include "bluetooth/devicelist.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

namespace {

constexpr auto kDevices = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices";

class DeviceListTest : public testing::Test {
protected:
    void SetUp() override { platform::Registry::Instance().Clear(); }
    void TearDown() override { platform::Registry::Instance().Clear(); }

    void addDevice(const std::string& key, const std::string* name, std::vector<uint8_t> devClass) {
        auto& registry = platform::Registry::Instance();
        const std::string path = std::string(kDevices) + "\\" + key;
        registry.SetBinary(path, "DevClass", devClass, platform::RegOrigin::Live);
        if (name)
            registry.SetString(path, "Name", *name, platform::RegOrigin::Live);
    }
};

TEST_F(DeviceListTest, ListsOnlyCellularPhonesInRegistryOrder) {
    const std::string phone = "T68", other = "T39", headset = "Headset", second = "Second";
    addDevice("00:80:37:1a:2b:3c", &phone, {0x52, 0x02, 0x04});
    addDevice("00:80:37:4d:5e:6f", &other, {0x5a, 0x02, 0x0c});
    addDevice("00:0a:95:01:02:03", &headset, {0x20, 0x04, 0x04});
    addDevice("00:80:37:77:88:99", &second, {0x52, 0x02, 0x04, 0xFF});
    addDevice("00:80:37:aa:bb:cc", &second, {0x52, 0x02}); // too short to be a class

    const auto devices = ReadPhoneDeviceList();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].deviceName, "T68");
    EXPECT_EQ(devices[0].keyName, "00:80:37:1a:2b:3c");
    EXPECT_EQ(devices[0].address, (BdAddr{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c}));
    EXPECT_EQ(devices[1].deviceName, "Second");
}

TEST_F(DeviceListTest, NamelessPhoneIsListedUnderItsAddressAndUnreadableKeysAreLeftOut) {
    addDevice("00:80:37:1a:2b:3c", nullptr, {0x52, 0x02, 0x04});
    const std::string name = "Upper";
    addDevice("00:80:37:4D:5E:6F", &name, {0x52, 0x02, 0x04});
    const auto devices = ReadPhoneDeviceList();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].deviceName, "00:80:37:1a:2b:3c");
}

TEST_F(DeviceListTest, MissingListGivesEmptyResult) {
    platform::Registry::Instance().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex", "x", "y");
    EXPECT_TRUE(ReadPhoneDeviceList().empty());
}

TEST_F(DeviceListTest, ExaminesAtMost255Keys) {
    const std::string name = "P";
    for (int i = 0; i < 256; ++i) {
        char key[18];
        std::snprintf(key, sizeof key, "00:00:00:00:%02x:%02x", i / 256, i % 256);
        addDevice(key, &name, {0x52, 0x02, 0x04});
    }
    EXPECT_EQ(ReadPhoneDeviceList().size(), 255u);
}

TEST_F(DeviceListTest, LongNameIsKeptWhole) {
    const std::string name(400, 'n');
    addDevice("00:80:37:1a:2b:3c", &name, {0x52, 0x02, 0x04});
    const auto devices = ReadPhoneDeviceList();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].deviceName, name);
}

} // namespace
