// Serial links of the BlueZ backend against a stand-in for the Bluetooth system: which TTY is
// used, what is registered and released, and what a user without rights is told.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>

#include <thread>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "btstack/bluez/bluezbackend.h"
#include "btstack/sppclient.h"
#include "phonelink/phonelink.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"
#include "obex/transport.h"
#include "platform/serialnames.h"

using namespace btstack::bluez;

namespace {

const BdAddr kPhone{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c};

class FakeSystem : public BluezSystem {
public:
    std::mutex mutex;
    bool searchWorks = true;
    std::vector<SdpRecordInfo> serialRecords{{"Dial-up Networking", {}, 2}, {"Serial Port", {}, 1}};
    std::vector<RfcommDevice> ttys;
    TtyResult createResult = TtyResult::Ok;
    std::vector<int16_t> created;
    std::vector<uint8_t> connectedChannels;
    std::set<int16_t> released;
    std::set<int> openFds;

    bool SearchSdp(const BdAddr&, const GUID&, int, std::vector<SdpRecordInfo>* records, std::string* error) override {
        std::lock_guard lock(mutex);
        if (!searchWorks) {
            *error = "the device did not answer the service search";
            return false;
        }
        *records = serialRecords;
        return true;
    }
    bool ListRfcommDevices(std::vector<RfcommDevice>* devices, std::string*) override {
        std::lock_guard lock(mutex);
        *devices = ttys;
        return true;
    }
    int ConnectRfcomm(const BdAddr&, uint8_t channel, int, std::string*) override {
        std::lock_guard lock(mutex);
        connectedChannels.push_back(channel);
        int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        openFds.insert(fd);
        return fd;
    }
    TtyResult CreateRfcommTty(int, const BdAddr& address, uint8_t channel, int16_t id, int,
                              std::string* error) override {
        std::lock_guard lock(mutex);
        if (createResult == TtyResult::NoRights) {
            *error = NoTtyRightsAdvice(address, channel, id);
            return createResult;
        }
        created.push_back(id);
        ttys.push_back({id, address, channel, kRfcommStateConnected});
        return TtyResult::Ok;
    }
    bool ReleaseRfcommTty(int16_t id, std::string*) override {
        std::lock_guard lock(mutex);
        released.insert(id);
        std::erase_if(ttys, [id](const RfcommDevice& d) { return d.id == id; });
        return true;
    }
    void Close(int fd) override {
        std::lock_guard lock(mutex);
        openFds.erase(fd);
        ::close(fd);
    }
    void SetState(int16_t id, uint16_t state) {
        std::lock_guard lock(mutex);
        for (RfcommDevice& d : ttys)
            if (d.id == id)
                d.state = state;
    }
};

class BluezLinks : public testing::Test {
protected:
    void SetUp() override {
        fake = std::make_shared<FakeSystem>();
        BluezOptions options;
        options.bus.address = "unix:path=/nonexistent/harlune-test-bus"; // no device list: no filter
        options.system = fake;
        options.linkCheckIntervalMs = 5;
        options.createKernelTty = true; // the TTY route; the pty bridge has its own tests below
        backend = std::make_unique<BluezBackend>(options);
    }

    std::shared_ptr<FakeSystem> fake;
    std::unique_ptr<BluezBackend> backend;
};

TEST_F(BluezLinks, CreatesATtyForTheNamedServiceAndReleasesIt) {
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Serial Port", [] {});
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    ASSERT_TRUE(opened.link);
    EXPECT_EQ(fake->connectedChannels, std::vector<uint8_t>{1});
    EXPECT_EQ(fake->created, std::vector<int16_t>{1}); // never 0: callers read port 0 as "none yet"
    EXPECT_TRUE(fake->openFds.empty());
    EXPECT_EQ(opened.link->ComPort(), 1);
    EXPECT_EQ(opened.link->DevicePath(), "/dev/rfcomm1");
    EXPECT_EQ(platform::ResolveSerialName("COM1"), "/dev/rfcomm1");

    EXPECT_EQ(backend->CheckSerial(kPhone, "Serial Port"), SPP_CLIENT_ALREADY_CONNECTED);
    EXPECT_EQ(backend->OpenSerial(kPhone, "Serial Port", [] {}).code, SPP_CLIENT_ALREADY_CONNECTED);

    opened.link->UnregisterComName();
    opened.link.reset();
    EXPECT_EQ(fake->released, std::set<int16_t>{1});
    EXPECT_FALSE(platform::ResolveSerialName("COM1"));
    EXPECT_EQ(backend->CheckSerial(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
}

TEST_F(BluezLinks, UsesATtyTheUserBoundAndLeavesItBound) {
    fake->ttys = {{0, kPhone, 1, kRfcommStateBound}};
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Serial Port", [] {});
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    EXPECT_EQ(opened.link->ComPort(), 0);
    EXPECT_EQ(platform::ResolveSerialName("COM0"), "/dev/rfcomm0");
    EXPECT_TRUE(fake->connectedChannels.empty());
    EXPECT_TRUE(fake->created.empty());
    opened.link->UnregisterComName();
    opened.link.reset();
    EXPECT_TRUE(fake->released.empty());
}

TEST_F(BluezLinks, WithoutTheRightToCreateTheTtyTheErrorSaysWhatToDo) {
    fake->createResult = TtyResult::NoRights;
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Serial Port", [] {});
    EXPECT_EQ(opened.code, SPP_CLIENT_CONNECT_FAILED);
    EXPECT_FALSE(opened.link);
    EXPECT_NE(opened.error.find("rfcomm bind 1 00:80:37:1a:2b:3c 1"), std::string::npos) << opened.error;
    EXPECT_TRUE(fake->openFds.empty());
    EXPECT_TRUE(fake->released.empty()); // nothing was created, so nothing of the user's is released
    EXPECT_FALSE(platform::ResolveSerialName("COM1"));
}

TEST_F(BluezLinks, UnknownServiceNameIsServerNotExistAndRemembered) {
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Bluetooth Serial Port", [] {});
    EXPECT_EQ(opened.code, SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_NE(opened.error.find("Bluetooth Serial Port"), std::string::npos);
    EXPECT_EQ(backend->CheckSerial(kPhone, "Bluetooth Serial Port"), SPP_CLIENT_SERVER_NOT_EXIST);
    EXPECT_EQ(backend->CheckSerial(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
    EXPECT_TRUE(fake->connectedChannels.empty());
}

TEST_F(BluezLinks, TheLastSearchServesWhenThePhoneDoesNotAnswerAgain) {
    std::vector<btstack::ServiceRecord> records;
    std::string error;
    ASSERT_TRUE(backend->SearchServices(kPhone, guid_SERVCLASS_SERIAL_PORT, &records, &error));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].serviceClass, guid_SERVCLASS_SERIAL_PORT);
    fake->searchWorks = false;
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Serial Port", [] {});
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    opened.link->UnregisterComName();

    BluezOptions options = backend->Options();
    BluezBackend fresh(options);
    btstack::SerialOpenResult failed = fresh.OpenSerial(BdAddr{1, 2, 3, 4, 5, 6}, "Serial Port", [] {});
    EXPECT_EQ(failed.code, SPP_CLIENT_CONNECT_FAILED);
    EXPECT_NE(failed.error.find("did not answer"), std::string::npos) << failed.error;
}

TEST_F(BluezLinks, APhoneThatHangsUpIsReportedOnce) {
    std::mutex mutex;
    std::condition_variable cv;
    int goneCalls = 0;
    btstack::SerialOpenResult opened = backend->OpenSerial(kPhone, "Serial Port", [&] {
        std::lock_guard lock(mutex);
        ++goneCalls;
        cv.notify_all();
    });
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    fake->SetState(1, kRfcommStateClosed);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return goneCalls > 0; }));
    }
    opened.link->UnregisterComName();
    opened.link.reset();
    EXPECT_EQ(goneCalls, 1);
    EXPECT_EQ(fake->released, std::set<int16_t>{1});
}

TEST_F(BluezLinks, ObexRunsOverTheConnectedSocket) {
    std::string error;
    auto transport = backend->OpenObex(kPhone, 10, &error);
    ASSERT_TRUE(transport) << error;
    EXPECT_EQ(fake->connectedChannels, std::vector<uint8_t>{10});
}

class RecordingClient : public CSppClient {
public:
    ~RecordingClient() override { StopNotifications(); }
    void OnSppStateChange(const BdAddr&, const DevClass&, const std::string&, int16_t comPort, int state) override {
        std::lock_guard lock(mutex);
        events.emplace_back(comPort, state);
        cv.notify_all();
    }
    bool WaitFor(size_t count) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(30), [&] { return events.size() >= count; });
    }
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::pair<int16_t, int>> events;
};

// The stack's serial client on this backend: connected on the TTY's COM port, and the TTY
// released when the connection is removed.
TEST_F(BluezLinks, SerialClientConnectsAndDisconnectsThroughTheBackend) {
    std::shared_ptr<BluezBackend> shared(backend.release());
    btstack::SetBackend(shared);
    {
        RecordingClient client;
        ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
        ASSERT_TRUE(client.WaitFor(1));
        EXPECT_EQ(client.events[0], (std::pair<int16_t, int>{1, SPP_STATE_CONNECTED}));
        EXPECT_EQ(platform::ResolveSerialName("COM1"), "/dev/rfcomm1");
        EXPECT_EQ(client.RemoveConnection(), SPP_CLIENT_SUCCESS);
        ASSERT_TRUE(client.WaitFor(2));
        EXPECT_EQ(client.events[1], (std::pair<int16_t, int>{1, SPP_STATE_DISCONNECTED}));
        EXPECT_FALSE(platform::ResolveSerialName("COM1"));
        EXPECT_EQ(fake->released, std::set<int16_t>{1});
    }
    btstack::SetBackend(nullptr);
}

} // namespace

namespace {
// The advice for a missing right travels with the state notification, so the status line can
// tell the user what to do; a later connection clears it.
TEST_F(BluezLinks, TheReasonAConnectionFailedReachesTheSerialClient) {
    std::shared_ptr<BluezBackend> shared(backend.release());
    btstack::SetBackend(shared);
    {
        RecordingClient client;
        fake->createResult = TtyResult::NoRights;
        ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
        ASSERT_TRUE(client.WaitFor(1));
        EXPECT_EQ(client.events[0].second, SPP_STATE_DISCONNECTED);
        EXPECT_NE(client.LastConnectError().find("rfcomm bind"), std::string::npos) << client.LastConnectError();

        fake->createResult = TtyResult::Ok;
        ASSERT_EQ(client.CreateConnection(kPhone, "Serial Port"), SPP_CLIENT_SUCCESS);
        ASSERT_TRUE(client.WaitFor(2));
        EXPECT_EQ(client.events[1].second, SPP_STATE_CONNECTED);
        EXPECT_EQ(client.LastConnectError(), "");
        client.RemoveConnection();
        client.WaitFor(3);
    }
    btstack::SetBackend(nullptr);
}
} // namespace

namespace {

// The RFCOMM socket's stand-in: one end of a socket pair, the emulated phone on the other.
class SocketPairSystem : public FakeSystem {
public:
    explicit SocketPairSystem(phonesim::PhoneState state) : phone(phonesim::Phone::Create(std::move(state))) {
        stop = ::eventfd(0, EFD_CLOEXEC);
    }
    ~SocketPairSystem() override {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(stop, &one, sizeof one);
        for (std::thread& t : servers)
            t.join();
        for (int fd : phoneEnds)
            ::close(fd);
        ::close(stop);
    }
    int ConnectRfcomm(const BdAddr&, uint8_t channel, int, std::string*) override {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return -1;
        {
            std::lock_guard lock(mutex);
            connectedChannels.push_back(channel);
            phoneEnds.push_back(fds[1]);
        }
        servers.emplace_back([this, fd = fds[1]] {
            std::string error;
            phonesim::ServeDescriptors(*phone, fd, fd, {}, stop, &error);
        });
        return fds[0];
    }
    void HangUp() {
        std::lock_guard lock(mutex);
        for (int fd : phoneEnds)
            ::shutdown(fd, SHUT_RDWR);
    }
    std::shared_ptr<phonesim::Phone> phone;
    std::vector<int> phoneEnds;
    std::vector<std::thread> servers;
    int stop = -1;
};

struct Bridged {
    explicit Bridged(phonesim::PhoneState state = phonesim::PhoneState::Demo())
        : fake(std::make_shared<SocketPairSystem>(std::move(state))) {
        BluezOptions options;
        options.bus.address = "unix:path=/nonexistent/harlune-test-bus";
        options.system = fake;
        backend = std::make_unique<BluezBackend>(options);
    }
    std::shared_ptr<SocketPairSystem> fake;
    std::unique_ptr<BluezBackend> backend;
};

TEST(BluezBridgedLink, PhonebookReadOverTheSocketWithNoTtyCreated) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[5] = {"0701234", 129, "Anna"};
    Bridged b(state);
    std::mutex mutex;
    std::condition_variable cv;
    int goneCalls = 0;
    btstack::SerialOpenResult opened = b.backend->OpenSerial(kPhone, "Serial Port", [&] {
        std::lock_guard lock(mutex);
        ++goneCalls;
        cv.notify_all();
    });
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    EXPECT_TRUE(b.fake->created.empty()) << "no /dev/rfcommN, so no CAP_NET_ADMIN needed";
    EXPECT_EQ(opened.link->DevicePath().rfind("/dev/pts/", 0), 0u) << opened.link->DevicePath();
    EXPECT_EQ(platform::ResolveSerialName("COM" + std::to_string(opened.link->ComPort())), opened.link->DevicePath());
    {
        CPhoneLink link(static_cast<uint16_t>(opened.link->ComPort()));
        ASSERT_TRUE(link.IsOpen()) << link.Port().OpenError();
        link.SetTimeouts(2000, 20000, 2000);
        ASSERT_TRUE(link.ReadStorage("SM")) << link.LastError().text;
        ASSERT_EQ(link.SimEntries().size(), 1u);
        EXPECT_EQ(link.SimEntries()[0]->name, "Anna");
    }
    // The program closed its port between uses: the link stays up. The phone hanging up ends it.
    b.fake->HangUp();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return goneCalls > 0; }));
    }
    opened.link->UnregisterComName();
    opened.link.reset();
    EXPECT_EQ(goneCalls, 1);
}

TEST(BluezBridgedLink, ATtyTheUserBoundIsStillUsed) {
    Bridged b;
    b.fake->ttys = {{0, kPhone, 1, kRfcommStateBound}};
    btstack::SerialOpenResult opened = b.backend->OpenSerial(kPhone, "Serial Port", [] {});
    ASSERT_EQ(opened.code, SPP_CLIENT_SUCCESS) << opened.error;
    EXPECT_EQ(opened.link->DevicePath(), "/dev/rfcomm0");
    EXPECT_TRUE(b.fake->connectedChannels.empty());
    opened.link->UnregisterComName();
}

} // namespace
