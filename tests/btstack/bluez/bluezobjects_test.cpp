// BlueZ's object tree to the stack's device list, on literal trees.
#include <gtest/gtest.h>

#include <ostream>

#include "btstack/bluez/bluezobjects.h"

using namespace btstack::bluez;
using btstack::DeviceEntry;

namespace {

BluezObject device(const std::string& address, BluezProperties extra) {
    BluezProperties props{{"Address", address}, {"Paired", true}};
    for (auto& [k, v] : extra)
        props[k] = v;
    std::string path = "/org/bluez/hci0/dev_" + address;
    return {path, {{kDeviceInterface, props}, {"org.freedesktop.DBus.Properties", {}}}};
}

BluezObject adapter(const std::string& name) {
    return {"/org/bluez/" + name, {{kAdapterInterface, {{"Address", std::string("00:11:22:33:44:55")}}}}};
}

TEST(BluezAddress, ParsesEitherCaseAndRejectsTheRest) {
    const BdAddr expected{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c};
    EXPECT_EQ(ParseBluezAddress("00:80:37:1A:2B:3C"), expected);
    EXPECT_EQ(ParseBluezAddress("00:80:37:1a:2b:3c"), expected);
    for (const char* bad : {"", "00:80:37:1A:2B", "00:80:37:1A:2B:3C:", "00-80-37-1A-2B-3C", "00:80:37:1A:2B:3G",
                            " 0:80:37:1A:2B:3C", "00:80:37:1A:2B:3C\n"})
        EXPECT_FALSE(ParseBluezAddress(bad)) << '"' << bad << '"';
}

TEST(BluezDevices, ClassNameAndAddressOfPairedDevices) {
    std::vector<BluezObject> tree = {
        adapter("hci0"),
        device("00:80:37:1A:2B:3C", {{"Name", std::string("T68i")}, {"Alias", std::string("T68i")},
                                     {"Class", int64_t(0x520204)}}),
        device("00:0A:95:01:02:03", {{"Alias", std::string("Headset")}, {"Class", int64_t(0x200404)}}),
    };
    std::vector<DeviceEntry> devices = DevicesFromObjects(tree);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].address, (BdAddr{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c}));
    EXPECT_EQ(devices[0].name, "T68i");
    EXPECT_EQ(devices[0].devClass, (DevClass{0x52, 0x02, 0x04}));
    EXPECT_EQ(devices[1].name, "Headset");
    EXPECT_EQ(devices[1].devClass, (DevClass{0x20, 0x04, 0x04}));
    EXPECT_EQ(FindAdapter(tree), "/org/bluez/hci0");
}

struct NameRow {
    const char* label;
    BluezProperties props;
    std::string expected;
};

class BluezDeviceName : public testing::TestWithParam<NameRow> {};

// CTest names carry the printed row: its label, never its bytes.
void PrintTo(const NameRow& row, std::ostream* os) { *os << row.label; }

TEST_P(BluezDeviceName, AliasThenNameThenAddress) {
    auto devices = DevicesFromObjects({device("00:80:37:1A:2B:3C", GetParam().props)});
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BluezDeviceName,
    testing::Values(
        NameRow{"user_alias_wins", {{"Name", std::string("T68i")}, {"Alias", std::string("My phone")}}, "My phone"},
        NameRow{"name_when_alias_empty", {{"Name", std::string("T68i")}, {"Alias", std::string()}}, "T68i"},
        NameRow{"address_when_nameless", {}, "00:80:37:1a:2b:3c"},
        NameRow{"alias_of_wrong_type_ignored", {{"Alias", int64_t(5)}, {"Name", std::string("T39")}}, "T39"}),
    [](const testing::TestParamInfo<NameRow>& info) { return std::string(info.param.label); });

TEST(BluezDevices, LeftOutOrDefaulted) {
    std::vector<BluezObject> tree = {
        device("00:80:37:00:00:01", {{"Paired", false}, {"Class", int64_t(0x520204)}}),  // only seen in a scan
        device("00:80:37:00:00:02", {{"Paired", std::string("yes")}}),                  // wrong type: not paired
        device("not an address", {{"Class", int64_t(0x520204)}}),
        device("00:80:37:00:00:03", {{"Class", int64_t(0x520204)}}),
        device("00:80:37:00:00:03", {{"Class", int64_t(0x5a0204)}}),  // same phone through a second adapter
        device("00:80:37:00:00:04", {}),                                // low energy: no class
        device("00:80:37:00:00:05", {{"Class", int64_t(0x1000000)}}),  // more than 24 bits
    };
    std::vector<DeviceEntry> devices = DevicesFromObjects(tree);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].address[5], 0x03);
    EXPECT_EQ(devices[0].devClass, (DevClass{0x52, 0x02, 0x04}));
    EXPECT_EQ(devices[1].devClass, (DevClass{0, 0, 0}));
    EXPECT_EQ(devices[2].devClass, (DevClass{0, 0, 0}));
    EXPECT_FALSE(FindAdapter(tree));
}

} // namespace
