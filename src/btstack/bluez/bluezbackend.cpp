#include "btstack/bluez/bluezbackend.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "btstack/bluez/rfcommbridge.h"
#include "btstack/bluez/rfcommtty.h"
#include "obex/transport.h"
#include "platform/debuglog.h"
#include "platform/serialnames.h"

namespace btstack::bluez {

// One serial link: its TTY, and a watcher that reports the phone going away.
struct BluezBackend::LinkState {
    std::shared_ptr<BluezSystem> system;
    int16_t id = 0;
    // Created by us, so released with the link; a TTY the user bound is only used.
    bool ownsTty = false;
    int checkIntervalMs = 1000;
    std::function<void()> onGone;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread watcher;

    // The pty route: the socket's bytes to and from the program's COM port.
    std::unique_ptr<RfcommPtyBridge> bridge;

    ~LinkState() {
        bridge.reset();
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (watcher.joinable()) {
            if (watcher.get_id() == std::this_thread::get_id())
                watcher.detach();
            else
                watcher.join();
        }
        if (ownsTty) {
            std::string error;
            if (!system->ReleaseRfcommTty(id, &error))
                platform::DebugLog("bluez: " + error);
        }
    }

    void watch() {
        for (;;) {
            {
                std::unique_lock lock(mutex);
                wake.wait_for(lock, std::chrono::milliseconds(checkIntervalMs), [this] { return stopping; });
                if (stopping)
                    return;
            }
            std::vector<RfcommDevice> devices;
            std::string error;
            // A failed listing says nothing about the link; try again on the next round.
            if (!system->ListRfcommDevices(&devices, &error))
                continue;
            std::optional<RfcommDevice> now;
            for (const RfcommDevice& d : devices)
                if (d.id == id)
                    now = d;
            if (RfcommLinkGone(now, !ownsTty)) {
                platform::DebugLog("bluez: " + RfcommTtyPath(id) + " is gone");
                if (onGone)
                    onGone();
                return;
            }
        }
    }
};

class BluezBackend::Link : public SerialLink {
public:
    explicit Link(std::shared_ptr<LinkState> state) : m_state(std::move(state)) {}
    int16_t ComPort() const override { return m_state->id; }
    std::string DevicePath() const override {
        return m_state->bridge ? m_state->bridge->SlavePath() : RfcommTtyPath(m_state->id);
    }
    void UnregisterComName() override { platform::UnregisterSerialPort(m_state->id); }

private:
    std::shared_ptr<LinkState> m_state;
};

BluezBackend::BluezBackend(BluezOptions options)
    : m_options(std::move(options)), m_system(m_options.system ? m_options.system : LinuxBluezSystem()) {}

BluezBackend::~BluezBackend() = default;

std::vector<DeviceEntry> BluezBackend::Devices() {
    std::vector<BluezObject> objects;
    std::string error;
    if (!FetchBluezObjects(m_options.bus, &objects, &error)) {
        platform::DebugLog("bluez: no device list: " + error);
        std::lock_guard lock(m_mutex);
        m_deviceListError = error;
        return {};
    }
    std::vector<DeviceEntry> devices = DevicesFromObjects(objects);
    std::lock_guard lock(m_mutex);
    m_deviceListError.clear();
    if (!FindAdapter(objects))
        m_deviceListError = "no Bluetooth adapter";
    m_knownDevices = devices;
    m_knownDevicesValid = true;
    return devices;
}

std::string BluezBackend::LastDeviceListError() const {
    std::lock_guard lock(m_mutex);
    return m_deviceListError;
}

bool BluezBackend::SearchServices(const BdAddr& address, const GUID& serviceClass,
                                  std::vector<ServiceRecord>* records, std::string* error) {
    std::vector<SdpRecordInfo> found;
    if (!m_system->SearchSdp(address, serviceClass, m_options.sdpConnectTimeoutMs, &found, error))
        return false;
    std::vector<ServiceRecord> result;
    for (const SdpRecordInfo& r : found)
        result.push_back({r.serviceName, serviceClass, r.rfcommChannel});
    if (serviceClass == guid_SERVCLASS_SERIAL_PORT) {
        std::lock_guard lock(m_mutex);
        m_serialServices[address] = result;
    }
    records->insert(records->end(), result.begin(), result.end());
    return true;
}

SPP_CLIENT_RETURN_CODE BluezBackend::CheckSerial(const BdAddr& address, const std::string& serviceName) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_links.find(address); it != m_links.end() && !it->second.expired())
        return SPP_CLIENT_ALREADY_CONNECTED;
    // Only what is already known is checked here (no waiting): the device list of the last
    // refresh, and the serial services of the last search on the device.
    if (m_knownDevicesValid && std::none_of(m_knownDevices.begin(), m_knownDevices.end(),
                                            [&](const DeviceEntry& d) { return d.address == address; }))
        return SPP_CLIENT_SERVER_NOT_EXIST;
    if (auto it = m_serialServices.find(address); it != m_serialServices.end() &&
                                                  std::none_of(it->second.begin(), it->second.end(),
                                                               [&](const ServiceRecord& r) {
                                                                   return r.serviceName == serviceName;
                                                               }))
        return SPP_CLIENT_SERVER_NOT_EXIST;
    return SPP_CLIENT_SUCCESS;
}

SerialOpenResult BluezBackend::OpenSerial(const BdAddr& address, const std::string& serviceName,
                                          std::function<void()> onGone) {
    SerialOpenResult result;
    if (SPP_CLIENT_RETURN_CODE rc = CheckSerial(address, serviceName); rc != SPP_CLIENT_SUCCESS) {
        result.code = rc;
        result.error = rc == SPP_CLIENT_ALREADY_CONNECTED ? "the phone's serial link is already open"
                                                          : "the phone has no serial service \"" + serviceName + "\"";
        return result;
    }

    // The channel of a service can change between phone restarts, so it is looked up afresh;
    // the last search's answer serves when the phone does not answer this one.
    std::vector<ServiceRecord> services;
    std::string error;
    if (!SearchServices(address, guid_SERVCLASS_SERIAL_PORT, &services, &error)) {
        std::lock_guard lock(m_mutex);
        auto it = m_serialServices.find(address);
        if (it == m_serialServices.end()) {
            result.error = error;
            return result;
        }
        services = it->second;
    }
    int channel = -1;
    for (const ServiceRecord& r : services)
        if (r.serviceName == serviceName && r.rfcommChannel > 0) {
            channel = r.rfcommChannel;
            break;
        }
    if (channel < 0) {
        result.code = SPP_CLIENT_SERVER_NOT_EXIST;
        result.error = "the phone has no serial service \"" + serviceName + "\" reachable over RFCOMM";
        return result;
    }

    // Choosing a free TTY number and taking it is one step, or two links opened at once (two
    // phones, or two clients racing for one) could pick the same number or the same phone.
    std::lock_guard ttyLock(m_ttyMutex);
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_links.find(address); it != m_links.end() && !it->second.expired()) {
            result.code = SPP_CLIENT_ALREADY_CONNECTED;
            result.error = "the phone's serial link is already open";
            return result;
        }
    }
    std::vector<RfcommDevice> ttys;
    if (!m_system->ListRfcommDevices(&ttys, &error)) {
        result.error = error;
        return result;
    }
    auto state = std::make_shared<LinkState>();
    state->system = m_system;
    state->checkIntervalMs = m_options.linkCheckIntervalMs;
    state->onGone = std::move(onGone);
    std::string devicePath;
    if (std::optional<int16_t> bound = FindBoundDevice(ttys, address, uint8_t(channel))) {
        state->id = *bound;
        devicePath = RfcommTtyPath(*bound);
        platform::DebugLog("bluez: using " + devicePath + ", bound to the phone beforehand");
    } else {
        // The COM number of a bridged link is chosen like a TTY's, so it never names a TTY the
        // user binds later beside it.
        const int16_t id = PickFreeDeviceId(ttys, m_options.firstTtyId);
        if (id < 0) {
            result.error = "every RFCOMM serial device number is in use";
            return result;
        }
        state->id = id;
        const int fd =
            m_system->ConnectRfcomm(address, uint8_t(channel), m_options.rfcommConnectTimeoutMs, &result.error);
        if (fd < 0)
            return result;
        if (m_options.createKernelTty) {
            const TtyResult made = m_system->CreateRfcommTty(fd, address, uint8_t(channel), id,
                                                             m_options.ttyAppearTimeoutMs, &result.error);
            m_system->Close(fd);
            if (made != TtyResult::Ok)
                return result;
            state->ownsTty = true;
            devicePath = RfcommTtyPath(id);
        } else {
            state->bridge = RfcommPtyBridge::Start(
                fd,
                [raw = state.get()] {
                    platform::DebugLog("bluez: the serial link of COM" + std::to_string(raw->id) + " is gone");
                    if (raw->onGone)
                        raw->onGone();
                },
                &result.error);
            if (!state->bridge) {
                m_system->Close(fd);
                return result;
            }
            devicePath = state->bridge->SlavePath();
            platform::DebugLog("bluez: serial link on " + devicePath + " over an RFCOMM socket, no TTY needed");
        }
    }

    // A bridged link learns of the phone going from its socket; a TTY is watched.
    if (!state->bridge)
        state->watcher = std::thread([raw = state.get()] { raw->watch(); });
    platform::RegisterSerialPort(state->id, devicePath);
    {
        std::lock_guard lock(m_mutex);
        m_links[address] = state;
    }
    result.code = SPP_CLIENT_SUCCESS;
    result.link = std::make_unique<Link>(state);
    return result;
}

std::unique_ptr<obex::Transport> BluezBackend::OpenObex(const BdAddr& address, uint8_t channel, std::string* error) {
    const int fd = m_system->ConnectRfcomm(address, channel, m_options.rfcommConnectTimeoutMs, error);
    if (fd < 0)
        return nullptr;
    auto transport = std::make_unique<obex::FdTransport>(fd);
    if (!transport->Valid()) {
        *error = "cannot set up the OBEX connection's wake-up descriptor";
        return nullptr;
    }
    return transport;
}

bool BluezAvailable(std::string* why) { return BluezAvailable(BusOptions{}, why); }

bool BluezAvailable(const BusOptions& options, std::string* why) {
    std::vector<BluezObject> objects;
    std::string error;
    if (!FetchBluezObjects(options, &objects, &error)) {
        if (why)
            *why = error;
        return false;
    }
    std::optional<std::string> adapter = FindAdapter(objects);
    if (!adapter) {
        if (why)
            *why = "BlueZ runs on " + DescribeBus(options) + " but has no Bluetooth adapter";
        return false;
    }
    if (why) {
        const std::string name = adapter->substr(adapter->rfind('/') + 1);
        *why = "Bluetooth adapter " + name + " found";
    }
    return true;
}

std::shared_ptr<Backend> CreateBluezBackend(std::string*) { return std::make_shared<BluezBackend>(); }

} // namespace btstack::bluez
