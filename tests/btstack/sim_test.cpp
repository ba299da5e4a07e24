#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "btstack/btif.h"
#include "btstack/rfcommif.h"
#include "btstack/sppclient.h"
#include "platform/event.h"
#include "platform/registry.h"
#include "platform/serialnames.h"
#include "stacktest.h"

using btstack::SimBackend;
using namespace platform;

namespace {

const BdAddr kPhone = SimBackend::DemoPhoneAddress();
const BdAddr kHeadset = {0x00, 0x0a, 0x95, 0x01, 0x02, 0x03};
const BdAddr kUnknown = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

class DiscoveryProbe : public CBtIf {
public:
    ~DiscoveryProbe() override { StopNotifications(); }
    void OnServiceDiscoveryDone() override {
        thread = std::this_thread::get_id();
        done.Set();
    }
    Event done;
    std::thread::id thread;
};

struct StateChange {
    BdAddr address;
    std::string name;
    int16_t port;
    int state;
    std::thread::id thread;
};

class SppProbe : public CSppClient {
public:
    ~SppProbe() override { StopNotifications(); }
    void OnSppStateChange(const BdAddr& address, const DevClass&, const std::string& name, int16_t port,
                          int state) override {
        {
            std::lock_guard lock(mutex);
            changes.push_back({address, name, port, state, std::this_thread::get_id()});
        }
        changed.Set();
    }
    StateChange Next() {
        EXPECT_TRUE(changed.Wait(10000)) << "no state notification";
        std::lock_guard lock(mutex);
        StateChange c = changes.empty() ? StateChange{} : changes.front();
        if (!changes.empty())
            changes.erase(changes.begin());
        return c;
    }
    std::mutex mutex;
    std::vector<StateChange> changes;
    Event changed;
};

// The device dialog's reading of the stack's device list, call for call.
struct ListedDevice {
    std::string key, name;
    uint8_t devClass[3];
    bool listedByDialog;
};
std::vector<ListedDevice> ReadDeviceListLikeTheDialog() {
    std::vector<ListedDevice> out;
    HKEY software = nullptr, tarvex = nullptr, btconfig = nullptr, devices = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, kKeyAllAccess, &software) != kErrorSuccess ||
        RegOpenKeyEx(software, "Tarvex", 0, kKeyAllAccess, &tarvex) != kErrorSuccess ||
        RegOpenKeyEx(tarvex, "BTConfig", 0, kKeyAllAccess, &btconfig) != kErrorSuccess ||
        RegOpenKeyEx(btconfig, "Devices", 0, kKeyAllAccess, &devices) != kErrorSuccess) {
        ADD_FAILURE() << "device list key missing";
        return out;
    }
    char keyName[256];
    for (uint32_t index = 0; index < 255 && RegEnumKey(devices, index, keyName, sizeof keyName) == kErrorSuccess;
         ++index) {
        HKEY device = nullptr;
        if (RegOpenKeyEx(devices, keyName, 0, kKeyAllAccess, &device) != kErrorSuccess)
            continue;
        ListedDevice d{keyName, "", {0, 0, 0}, false};
        uint8_t buffer[256];
        uint32_t size = sizeof buffer;
        if (RegQueryValueEx(device, "Name", nullptr, nullptr, buffer, &size) == kErrorSuccess)
            d.name.assign(reinterpret_cast<const char*>(buffer), strnlen(reinterpret_cast<const char*>(buffer), size));
        size = sizeof buffer;
        if (RegQueryValueEx(device, "DevClass", nullptr, nullptr, buffer, &size) == kErrorSuccess && size >= 3) {
            std::memcpy(d.devClass, buffer, 3);
            d.listedByDialog = buffer[0] == 0x52 && buffer[1] == 0x02 && buffer[2] == 0x04;
        }
        RegCloseKey(device);
        out.push_back(d);
    }
    for (HKEY k : {devices, btconfig, tarvex, software})
        RegCloseKey(k);
    return out;
}

TEST(SimStack, DeviceListReadsBackThroughTheHandleCalls) {
    stacktest::SimStack stack;
    std::vector<ListedDevice> devices = ReadDeviceListLikeTheDialog();
    ASSERT_EQ(devices.size(), 3u);
    int listed = 0;
    for (const ListedDevice& d : devices) {
        EXPECT_EQ(d.key.size(), 17u) << d.key;
        if (d.listedByDialog) {
            ++listed;
            EXPECT_EQ(d.key, "00:80:37:1a:2b:3c");
            EXPECT_EQ(d.name, "T68 demo phone");
        }
    }
    EXPECT_EQ(listed, 1) << "only the cellular phone with class 52 02 04 is listed";
}

TEST(SimStack, DiscoveryFindsTheServicesOfEachDevice) {
    stacktest::SimStack stack;
    struct Row {
        BdAddr address;
        GUID service;
        int records;
        const char* name;
        uint8_t channel;
    };
    const Row rows[] = {
        {kPhone, guid_SERVCLASS_SERIAL_PORT, 1, "Serial Port", 1},
        {kPhone, guid_SERVCLASS_OBEX_OBJECT_PUSH, 1, "OBEX Object Push", 10},
        {kHeadset, guid_SERVCLASS_SERIAL_PORT, 0, "", 0},
        {kUnknown, guid_SERVCLASS_SERIAL_PORT, 0, "", 0},
    };
    for (const Row& row : rows) {
        DiscoveryProbe probe;
        ASSERT_NE(probe.StartDiscovery(row.address, &row.service), 0);
        ASSERT_TRUE(probe.done.Wait(10000)) << "discovery complete not delivered";
        EXPECT_NE(probe.thread, std::this_thread::get_id());
        CSdpDiscoveryRec records[20];
        ASSERT_EQ(probe.ReadDiscoveryRecords(row.address, 20, records, &row.service), row.records);
        if (row.records > 0) {
            // The dialog reads the name as the text at the start of the record.
            EXPECT_STREQ(reinterpret_cast<const char*>(&records[0]), row.name);
            uint8_t scn = 0;
            EXPECT_TRUE(records[0].FindRFCommScn(&scn));
            EXPECT_EQ(scn, row.channel);
        }
    }
    DiscoveryProbe probe;
    EXPECT_EQ(probe.StartDiscovery(kPhone, nullptr), 0);
}

std::string AskAt(const std::string& devicePath) {
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return "open failed";
    const char command[] = "AT\r";
    [[maybe_unused]] ssize_t w = ::write(fd, command, 3);
    std::string reply;
    pollfd pfd{fd, POLLIN, 0};
    while (reply.find("OK") == std::string::npos && ::poll(&pfd, 1, 5000) > 0) {
        char buffer[256];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reply.append(buffer, size_t(n));
    }
    ::close(fd);
    return reply;
}

TEST(SimStack, SerialConnectionIsAComPortToThePhone) {
    stacktest::SimStack stack;
    SppProbe client;
    ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    StateChange up = client.Next();
    EXPECT_EQ(up.state, 0);
    EXPECT_EQ(up.port, 5);
    EXPECT_EQ(up.address, kPhone);
    EXPECT_EQ(up.name, "T68 demo phone");
    EXPECT_NE(up.thread, std::this_thread::get_id());

    std::optional<std::string> device = ResolveSerialName("COM5");
    ASSERT_TRUE(device);
    EXPECT_NE(AskAt(*device).find("OK"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(stack.dir.path / "phone" / "demo-phone.state"));

    EXPECT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_ALREADY_CONNECTED);
    SppProbe other;
    EXPECT_EQ(other.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_ALREADY_CONNECTED);

    ASSERT_EQ(client.RemoveConnection(), SPP_CLIENT_SUCCESS);
    StateChange down = client.Next();
    EXPECT_NE(down.state, 0);
    EXPECT_EQ(down.port, 5);
    EXPECT_NE(down.thread, std::this_thread::get_id());
    EXPECT_FALSE(ResolveSerialName("COM5"));
    EXPECT_EQ(client.RemoveConnection(), SPP_CLIENT_NOT_CONNECTED);

    // The program's own sequence: drop whatever there was, then connect at once.
    ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    EXPECT_EQ(client.Next().state, 0);
    client.RemoveConnection();
    EXPECT_NE(client.Next().state, 0);
    EXPECT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    EXPECT_EQ(client.Next().state, 0);
}

TEST(SimStack, CreateConnectionReturnCodes) {
    stacktest::SimStack stack;
    SppProbe client;
    EXPECT_EQ(client.CreateConnection(kHeadset, "Serial Port"), SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_EQ(client.CreateConnection(kUnknown, "Serial Port"), SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_EQ(client.CreateConnection(kPhone, "Dial-up Networking"), SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_EQ(client.CreateConnection(kPhone, ""), SPP_CLIENT_INVALID_PARAMETER);
    EXPECT_EQ(client.CreateConnection(kPhone, nullptr), SPP_CLIENT_INVALID_PARAMETER);
    stack.backend->FailNextConnect(SPP_CLIENT_CONNECT_FAILED);
    EXPECT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_CONNECT_FAILED);
    stack.backend->FailNextConnect(SPP_CLIENT_ALREADY_CONNECTED);
    EXPECT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_ALREADY_CONNECTED);
    std::lock_guard lock(client.mutex);
    EXPECT_TRUE(client.changes.empty()) << "a refused request delivers nothing";
}

TEST(SimStack, PhoneGoingAwayReportsDisconnected) {
    stacktest::SimStack stack;
    SppProbe client;
    ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    ASSERT_EQ(client.Next().state, 0);
    ASSERT_TRUE(stack.backend->DropSerialLink(kPhone));
    StateChange down = client.Next();
    EXPECT_NE(down.state, 0);
    EXPECT_EQ(down.port, 5);
    EXPECT_FALSE(ResolveSerialName("COM5"));
    // The phone can be reached again.
    ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    EXPECT_EQ(client.Next().state, 0);
}

TEST(SimStack, ObjectsDestroyedWithRequestsInFlight) {
    // Under the sanitizers a notification reaching a destroyed object fails this test.
    stacktest::SimStack stack;
    for (int i = 0; i < 20; ++i) {
        auto probe = std::make_unique<DiscoveryProbe>();
        probe->StartDiscovery(kPhone, &guid_SERVCLASS_SERIAL_PORT);
        probe.reset();
        auto client = std::make_unique<SppProbe>();
        client->CreateConnection(kPhone, "Serial Port");
        if (i % 2)
            client->RemoveConnection();
        client.reset();
    }
}

TEST(RfCommIf, ChannelAndSecurityLevel) {
    CRfCommIf rfcomm;
    EXPECT_EQ(rfcomm.SetSecurityLevel("Tarvex DK OBEX Service", 0, false), 0) << "no channel assigned yet";
    EXPECT_EQ(rfcomm.AssignScnValue(&guid_SERVCLASS_OBEX_OBJECT_PUSH, 0), 0) << "channel 0 is \"not found\"";
    EXPECT_EQ(rfcomm.AssignScnValue(&guid_SERVCLASS_OBEX_OBJECT_PUSH, 31), 0);
    EXPECT_NE(rfcomm.AssignScnValue(&guid_SERVCLASS_OBEX_OBJECT_PUSH, 10), 0);
    EXPECT_NE(rfcomm.SetSecurityLevel("Tarvex DK OBEX Service", 0, false), 0);
    EXPECT_EQ(rfcomm.Scn(), 10);
}

} // namespace

namespace {

std::string Exchange(int fd, const std::string& line) {
    [[maybe_unused]] ssize_t w = ::write(fd, line.data(), line.size());
    std::string reply;
    pollfd pfd{fd, POLLIN, 0};
    while (reply.find("OK\r\n") == std::string::npos && reply.find("ERROR") == std::string::npos &&
           ::poll(&pfd, 1, 5000) > 0) {
        char buffer[512];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reply.append(buffer, size_t(n));
    }
    return reply;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a phone book entry through the demo phone's COM port.
void AddEntryOverTheLink(const std::string& name) {
    SppProbe client;
    ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    ASSERT_EQ(client.Next().state, 0);
    std::optional<std::string> device = ResolveSerialName("COM5");
    ASSERT_TRUE(device);
    int fd = ::open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_NE(Exchange(fd, "AT+CPBS=\"ME\"\r").find("OK"), std::string::npos);
    EXPECT_NE(Exchange(fd, "AT+CPBW=,\"5551234\",129,\"" + name + "\"\r").find("OK"), std::string::npos);
    ::close(fd);
    client.RemoveConnection();
    client.Next();
}

TEST(SimStack, PhoneStateLivesInItsFile) {
    stacktest::SimStack stack;
    const std::filesystem::path file = stack.dir.path / "phone" / "demo-phone.state";
    AddEntryOverTheLink("Zed Persist");
    EXPECT_NE(ReadText(file).find("Zed Persist"), std::string::npos);
    // A later run of the program (a new backend) finds the entry in the phone.
    btstack::SimOptions options = stack.backend->Options();
    auto later = std::make_shared<SimBackend>(options);
    stack.backend = later; // the first run ends, so its phone lets go of the state file's lock
    btstack::SetBackend(later);
    AddEntryOverTheLink("Second Run");
    const std::string text = ReadText(file);
    EXPECT_NE(text.find("Zed Persist"), std::string::npos);
    EXPECT_NE(text.find("Second Run"), std::string::npos);
}

TEST(SimStack, UnreadableStateFileIsLeftAlone) {
    stacktest::SimStack stack;
    const std::filesystem::path file = stack.dir.path / "phone" / "demo-phone.state";
    std::filesystem::create_directories(file.parent_path());
    const std::string garbage = "this is not a phone state\n\x01\x02";
    std::ofstream(file, std::ios::binary) << garbage;
    AddEntryOverTheLink("Not Saved");
    EXPECT_EQ(ReadText(file), garbage);
    EXPECT_NE(stack.backend->TakeStateFileNotice().find("cannot be read"), std::string::npos);
}

} // namespace
