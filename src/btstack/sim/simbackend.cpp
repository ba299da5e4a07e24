#include "btstack/sim/simbackend.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "obex/pushserver.h"
#include "obex/transport.h"
#include "phonesim/phone.h"
#include "phonesim/statestore.h"
#include "phonesim/phonestate.h"
#include "phonesim/server.h"
#include "platform/debuglog.h"
#include "platform/paths.h"
#include "platform/serialnames.h"

namespace btstack {

namespace {

constexpr const char* kSerialServiceName = "Serial Port";
constexpr const char* kPushServiceName = "OBEX Object Push";

} // namespace

// One serial link to an emulated phone: the phone on a pty, and a watcher that reports the
// phone's side going away (the slave sees a hang-up once the master is closed).
struct SimBackend::LinkState {
    std::unique_ptr<phonesim::PtyPhone> pty;
    int16_t port = 0;
    int watchFd = -1;
    int wakeFd = -1;
    std::function<void()> onGone;
    std::thread watcher;

    ~LinkState() {
        if (wakeFd >= 0) {
            uint64_t one = 1;
            [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
        }
        if (watcher.joinable())
            watcher.join();
        if (watchFd >= 0)
            ::close(watchFd);
        if (wakeFd >= 0)
            ::close(wakeFd);
        if (pty)
            pty->Stop();
    }

    void watch() {
        pollfd fds[2] = {{watchFd, 0, 0}, {wakeFd, POLLIN, 0}};
        for (;;) {
            int n = ::poll(fds, 2, -1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || fds[1].revents)
                return;
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                onGone();
                return;
            }
        }
    }
};

class SimBackend::Link : public SerialLink {
public:
    explicit Link(std::shared_ptr<LinkState> state) : m_state(std::move(state)) {}
    int16_t ComPort() const override { return m_state->port; }
    std::string DevicePath() const override { return m_state->pty->DevicePath(); }
    void UnregisterComName() override { platform::UnregisterSerialPort(m_state->port); }

private:
    std::shared_ptr<LinkState> m_state;
};

SimBackend::SimBackend(SimOptions options) : m_options(std::move(options)), m_devices(DemoDevices()) {}

SimBackend::~SimBackend() = default;

BdAddr SimBackend::DemoPhoneAddress() { return {0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c}; }

std::vector<SimDevice> SimBackend::DemoDevices() {
    std::vector<SimDevice> devices;
    devices.push_back({{DemoPhoneAddress(), "T68 demo phone", {0x52, 0x02, 0x04}},
                       {{kSerialServiceName, guid_SERVCLASS_SERIAL_PORT, 1},
                        {kPushServiceName, guid_SERVCLASS_OBEX_OBJECT_PUSH, 10}},
                       "demo-phone.state"});
    // A phone whose class has other service bits (capturing, no networking): the device dialog
    // leaves it out, though it offers the same services.
    devices.push_back({{{0x00, 0x80, 0x37, 0x4d, 0x5e, 0x6f}, "T39 demo phone", {0x5a, 0x02, 0x04}},
                       {{kSerialServiceName, guid_SERVCLASS_SERIAL_PORT, 1},
                        {kPushServiceName, guid_SERVCLASS_OBEX_OBJECT_PUSH, 9}},
                       "demo-phone-2.state"});
    devices.push_back({{{0x00, 0x0a, 0x95, 0x01, 0x02, 0x03}, "Demo headset", {0x20, 0x04, 0x04}},
                       {{"Headset", guid_SERVCLASS_HEADSET, 2}},
                       ""});
    return devices;
}

std::string SimBackend::DataDir() const {
    return m_options.dataDir.empty() ? platform::UserDataDir() : m_options.dataDir;
}

std::string SimBackend::ReceivedDir() const {
    return m_options.receivedDir.empty() ? DataDir() + "/received" : m_options.receivedDir;
}

std::vector<DeviceEntry> SimBackend::Devices() {
    std::vector<DeviceEntry> entries;
    for (const SimDevice& d : m_devices)
        entries.push_back(d.entry);
    return entries;
}

const SimDevice* SimBackend::findDevice(const BdAddr& address) const {
    for (const SimDevice& d : m_devices)
        if (d.entry.address == address)
            return &d;
    return nullptr;
}

int SimBackend::comPortFor(const BdAddr& address) const {
    int port = m_options.firstComPort;
    for (const SimDevice& d : m_devices) {
        if (d.entry.address == address)
            return port;
        if (!d.stateFileName.empty())
            ++port;
    }
    return port;
}

bool SimBackend::SearchServices(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord>* records,
                                std::string* error) {
    const SimDevice* device = findDevice(address);
    if (!device) {
        *error = "device " + RegistryKeyName(address) + " does not answer";
        return false;
    }
    for (const ServiceRecord& r : device->services)
        if (r.serviceClass == serviceClass)
            records->push_back(r);
    return true;
}

SPP_CLIENT_RETURN_CODE SimBackend::CheckSerial(const BdAddr& address, const std::string& serviceName) {
    std::lock_guard lock(m_mutex);
    if (m_failNextConnect) {
        SPP_CLIENT_RETURN_CODE code = *m_failNextConnect;
        m_failNextConnect.reset();
        return code;
    }
    const SimDevice* device = findDevice(address);
    if (!device || device->stateFileName.empty())
        return SPP_CLIENT_SERVER_NOT_EXIST;
    bool named = false;
    for (const ServiceRecord& r : device->services)
        named = named || (r.serviceClass == guid_SERVCLASS_SERIAL_PORT && r.serviceName == serviceName);
    if (!named)
        return SPP_CLIENT_SERVER_NOT_EXIST;
    auto it = m_links.find(address);
    if (it != m_links.end() && !it->second.expired())
        return SPP_CLIENT_ALREADY_CONNECTED;
    return SPP_CLIENT_SUCCESS;
}

std::shared_ptr<phonesim::Phone> SimBackend::phoneFor(const SimDevice& device) {
    auto it = m_phones.find(device.entry.address);
    if (it != m_phones.end())
        return it->second;
    const std::string dir = DataDir();
    platform::MakeDirs(dir);
    const std::string path = dir + "/" + device.stateFileName;
    // A state file that cannot be read, or that another program holds, is left as it is: the
    // phone runs on the demo set in memory only, and the user is told (StateFileNotice).
    phonesim::OpenedState opened = phonesim::OpenStateFile(path);
    std::shared_ptr<phonesim::Phone> phone = phonesim::Phone::Create(std::move(opened.state));
    if (opened.SaveToFile()) {
        phone->SetStateFile(path);
        phone->HoldStateLock(std::shared_ptr<phonesim::StateFileLock>(std::move(opened.lock)));
    } else {
        platform::DebugLog("demo phone: " + opened.message);
        m_stateNotice = opened.message;
    }
    // The program never sends AT+CMEE=1 itself; the demo phone starts as if it had, so the
    // user reads the phone's reason instead of a bare ERROR.
    phone->SetSessionInit("AT+CMEE=1");
    m_phones[device.entry.address] = phone;
    return phone;
}

SerialOpenResult SimBackend::OpenSerial(const BdAddr& address, const std::string& serviceName,
                                        std::function<void()> onGone) {
    SerialOpenResult result;
    if (SPP_CLIENT_RETURN_CODE rc = CheckSerial(address, serviceName); rc != SPP_CLIENT_SUCCESS) {
        result.code = rc;
        result.error = "serial service not available";
        return result;
    }
    std::lock_guard lock(m_mutex);
    const SimDevice* device = findDevice(address);
    auto state = std::make_shared<LinkState>();
    state->pty = std::make_unique<phonesim::PtyPhone>(phoneFor(*device));
    if (!state->pty->Start(&result.error)) {
        result.code = SPP_CLIENT_CONNECT_FAILED;
        return result;
    }
    state->port = int16_t(comPortFor(address));
    state->onGone = std::move(onGone);
    state->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    state->watchFd = ::open(state->pty->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (state->wakeFd < 0 || state->watchFd < 0) {
        result.error = std::string("cannot watch the demo phone's line: ") + std::strerror(errno);
        result.code = SPP_CLIENT_CONNECT_FAILED;
        return result;
    }
    state->watcher = std::thread([raw = state.get()] { raw->watch(); });
    platform::RegisterSerialPort(state->port, state->pty->DevicePath());
    m_links[address] = state;
    result.code = SPP_CLIENT_SUCCESS;
    result.link = std::make_unique<Link>(state);
    return result;
}

bool SimBackend::DropSerialLink(const BdAddr& address) {
    std::shared_ptr<LinkState> state;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_links.find(address);
        if (it != m_links.end())
            state = it->second.lock();
    }
    if (!state)
        return false;
    state->pty->Hangup();
    return true;
}

void SimBackend::FailNextConnect(SPP_CLIENT_RETURN_CODE code) {
    std::lock_guard lock(m_mutex);
    m_failNextConnect = code;
}

void SimBackend::RefuseNextPush(uint8_t responseCode) {
    std::lock_guard lock(m_mutex);
    m_refuseNextPush = responseCode;
}

void SimBackend::DropNextPushAfter(int putPackets) {
    std::lock_guard lock(m_mutex);
    m_dropNextPushAfter = putPackets;
}

void SimBackend::reapPushServers() {
    for (auto it = m_pushServers.begin(); it != m_pushServers.end();) {
        if ((*it)->SessionsEnded() > 0) {
            m_reapedPutRequests += (*it)->PutRequests();
            it = m_pushServers.erase(it);
        } else {
            ++it;
        }
    }
}

int SimBackend::PushPutRequests() const {
    std::lock_guard lock(m_mutex);
    int total = m_reapedPutRequests;
    for (const auto& server : m_pushServers)
        total += server->PutRequests();
    return total;
}

std::unique_ptr<obex::Transport> SimBackend::OpenObex(const BdAddr& address, uint8_t channel, std::string* error) {
    const SimDevice* device = findDevice(address);
    if (!device) {
        *error = "device " + RegistryKeyName(address) + " does not answer";
        return nullptr;
    }
    bool served = false;
    for (const ServiceRecord& r : device->services)
        served = served || (r.serviceClass == guid_SERVCLASS_OBEX_OBJECT_PUSH && r.rfcommChannel == channel);
    if (!served) {
        *error = "no OBEX push service on channel " + std::to_string(channel);
        return nullptr;
    }
    std::unique_ptr<obex::FdTransport> client;
    int serverFd = -1;
    if (!obex::MakeSocketPair(&client, &serverFd, error))
        return nullptr;
    std::lock_guard lock(m_mutex);
    reapPushServers();
    obex::PushServerOptions options;
    options.folder = ReceivedDir();
    options.maxPacketLength = m_options.obexMaxPacket;
    options.refuseWith = m_refuseNextPush;
    options.dropOnPut = m_dropNextPushAfter;
    m_refuseNextPush.reset();
    m_dropNextPushAfter.reset();
    auto server = std::make_unique<obex::PushServer>(options);
    if (!server->Serve(serverFd, error))
        return nullptr;
    m_pushServers.push_back(std::move(server));
    return client;
}

std::string SimBackend::TakeStateFileNotice() {
    std::lock_guard lock(m_mutex);
    std::string notice;
    notice.swap(m_stateNotice);
    return notice;
}

} // namespace btstack
