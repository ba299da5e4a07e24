// The BlueZ backend against a mocked BlueZ on a private D-Bus.
#include <gtest/gtest.h>

#include <cstdlib>

#include "btstack/bluez/bluezbackend.h"
#include "mockbluez.h"
#include "obex/transport.h"
#include "platform/registry.h"

using namespace btstack::bluez;

namespace {

constexpr const char* kDevicesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices";

#define START_OR_SKIP(mock, withBluez)                                                                               \
    do {                                                                                                               \
        std::string startError;                                                                                        \
        if (!(mock).Start(withBluez, &startError))                                                                     \
            GTEST_SKIP() << startError;                                                                                \
    } while (0)

BluezOptions quickOptions(const std::string& busAddress) {
    BluezOptions options;
    options.bus.address = busAddress;
    options.sdpConnectTimeoutMs = 2000;
    options.rfcommConnectTimeoutMs = 2000;
    return options;
}

TEST(BluezMockBus, PairedPhoneAndHeadsetAppearInTheRegistrySubtree) {
    MockBluez mock;
    START_OR_SKIP(mock, true);
    std::string error;
    ASSERT_TRUE(mock.AddAdapter("hci0", &error)) << error;
    ASSERT_TRUE(mock.AddPairedDevice("hci0", "00:80:37:1A:2B:3C", "T68i", 0x520204, &error)) << error;
    ASSERT_TRUE(mock.AddPairedDevice("hci0", "00:0A:95:01:02:03", "Car headset", 0x200404, &error)) << error;
    ASSERT_TRUE(mock.AddUnpairedDevice("hci0", "00:11:22:33:44:55", "Seen in a scan", &error)) << error;

    BluezBackend backend(quickOptions(mock.Address()));
    platform::Registry registry;
    btstack::PublishDevices(backend, registry);
    EXPECT_EQ(backend.LastDeviceListError(), "");

    std::vector<std::string> keys = registry.SubKeys(kDevicesKey);
    ASSERT_EQ(keys.size(), 2u);
    const std::string phone = std::string(kDevicesKey) + "\\00:80:37:1a:2b:3c";
    const std::string headset = std::string(kDevicesKey) + "\\00:0a:95:01:02:03";
    EXPECT_EQ(registry.GetString(phone, "Name"), "T68i");
    EXPECT_EQ(registry.GetString(headset, "Name"), "Car headset");
    auto phoneClass = registry.GetValue(phone, "DevClass");
    auto headsetClass = registry.GetValue(headset, "DevClass");
    ASSERT_TRUE(phoneClass && headsetClass);
    EXPECT_EQ(phoneClass->data, (std::vector<uint8_t>{0x52, 0x02, 0x04}));
    EXPECT_EQ(headsetClass->data, (std::vector<uint8_t>{0x20, 0x04, 0x04}));

    // The environment variable is how the command-line tool and the program are pointed at it.
    ::setenv("HARLUNE_BLUEZ_BUS", mock.Address().c_str(), 1);
    BluezBackend fromEnvironment;
    auto devices = fromEnvironment.Devices();
    ::unsetenv("HARLUNE_BLUEZ_BUS");
    EXPECT_EQ(devices.size(), 2u);
}

TEST(BluezMockBus, AvailableOnlyWithAnAdapter) {
    MockBluez mock;
    START_OR_SKIP(mock, true);
    BusOptions bus{mock.Address(), 5000};
    std::string why;
    EXPECT_FALSE(BluezAvailable(bus, &why));
    EXPECT_NE(why.find("no Bluetooth adapter"), std::string::npos) << why;

    std::string error;
    ASSERT_TRUE(mock.AddAdapter("hci0", &error)) << error;
    EXPECT_TRUE(BluezAvailable(bus, &why));
    EXPECT_NE(why.find("hci0"), std::string::npos) << why;
}

TEST(BluezMockBus, NotAvailableWithoutBluezOrWithoutBus) {
    MockBluez bareBus;
    START_OR_SKIP(bareBus, false);
    std::string why;
    EXPECT_FALSE(BluezAvailable(BusOptions{bareBus.Address(), 5000}, &why));
    EXPECT_NE(why.find("not running"), std::string::npos) << why;

    EXPECT_FALSE(BluezAvailable(BusOptions{"unix:path=/nonexistent/harlune-test-bus", 5000}, &why));
    EXPECT_NE(why.find("cannot reach"), std::string::npos) << why;

    BluezBackend backend(quickOptions("unix:path=/nonexistent/harlune-test-bus"));
    EXPECT_TRUE(backend.Devices().empty());
    EXPECT_NE(backend.LastDeviceListError().find("cannot reach"), std::string::npos);
}

// Without a usable adapter every request fails with a reason, and none waits longer than its
// own bound.
TEST(BluezMockBus, RequestsFailWithAReasonWhenThePhoneCannotBeReached) {
    MockBluez mock;
    START_OR_SKIP(mock, true);
    std::string error;
    ASSERT_TRUE(mock.AddAdapter("hci0", &error)) << error;
    ASSERT_TRUE(mock.AddPairedDevice("hci0", "00:80:37:1A:2B:3C", "T68i", 0x520204, &error)) << error;
    BluezBackend backend(quickOptions(mock.Address()));
    ASSERT_EQ(backend.Devices().size(), 1u);
    const BdAddr phone{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c};

    EXPECT_EQ(backend.CheckSerial(BdAddr{1, 2, 3, 4, 5, 6}, "Serial Port"), SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_EQ(backend.CheckSerial(phone, "Serial Port"), SPP_CLIENT_SUCCESS);

    std::vector<btstack::ServiceRecord> records;
    error.clear();
    EXPECT_FALSE(backend.SearchServices(phone, guid_SERVCLASS_SERIAL_PORT, &records, &error));
    EXPECT_FALSE(error.empty());

    btstack::SerialOpenResult opened = backend.OpenSerial(phone, "Serial Port", [] {});
    EXPECT_NE(opened.code, SPP_CLIENT_SUCCESS);
    EXPECT_FALSE(opened.link);
    EXPECT_FALSE(opened.error.empty());

    error.clear();
    EXPECT_FALSE(backend.OpenObex(phone, 10, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(backend.OpenObex(phone, 0, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

} // namespace
