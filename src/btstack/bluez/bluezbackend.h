#pragma once
// The backend for real phones on Linux: known devices from BlueZ over D-Bus, service searches
// over SDP, the serial link as a pty bridged to an RFCOMM socket (or a TTY the user bound)
// registered as a COM name, OBEX over an RFCOMM socket.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "btstack/backend.h"
#include "btstack/bluez/bluezbus.h"
#include "btstack/bluez/bluezsystem.h"

namespace btstack::bluez {

struct BluezOptions {
    BusOptions bus;
    // Paging an absent device takes the kernel far longer than a user waits; these bound it.
    int sdpConnectTimeoutMs = 10000;
    // Long enough for the phone to show its "accept connection?" question to its owner.
    int rfcommConnectTimeoutMs = 30000;
    int ttyAppearTimeoutMs = 3000;
    // TTYs this program creates start at /dev/rfcomm1: port 0 reads as "no port yet" to callers.
    int16_t firstTtyId = 1;
    // How often an open link's TTY is checked for the phone having gone.
    int linkCheckIntervalMs = 1000;
    // Without a TTY the user bound, the serial link is a pseudo-terminal joined to the RFCOMM
    // socket, which needs no privileges. True: a /dev/rfcommN is created instead (only root or
    // CAP_NET_ADMIN may).
    bool createKernelTty = false;
    // Null: LinuxBluezSystem().
    std::shared_ptr<BluezSystem> system;
};

class BluezBackend : public Backend {
public:
    explicit BluezBackend(BluezOptions options = {});
    ~BluezBackend() override;

    std::string Name() const override { return "bluez"; }
    // Empty when BlueZ cannot be asked; LastDeviceListError() then says why.
    std::vector<DeviceEntry> Devices() override;
    bool SearchServices(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord>* records,
                        std::string* error) override;
    SPP_CLIENT_RETURN_CODE CheckSerial(const BdAddr& address, const std::string& serviceName) override;
    SerialOpenResult OpenSerial(const BdAddr& address, const std::string& serviceName,
                                std::function<void()> onGone) override;
    std::unique_ptr<obex::Transport> OpenObex(const BdAddr& address, uint8_t channel, std::string* error) override;

    std::string LastDeviceListError() const;
    const BluezOptions& Options() const { return m_options; }

private:
    struct LinkState;
    class Link;

    BluezOptions m_options;
    std::shared_ptr<BluezSystem> m_system;
    std::mutex m_ttyMutex; // held while a serial link's TTY is chosen and set up
    mutable std::mutex m_mutex;
    std::vector<DeviceEntry> m_knownDevices; // from the last successful Devices()
    bool m_knownDevicesValid = false;
    std::string m_deviceListError;
    std::map<BdAddr, std::vector<ServiceRecord>> m_serialServices; // last serial search per device
    std::map<BdAddr, std::weak_ptr<LinkState>> m_links;
};

// Whether the program can use BlueZ: the bus is reachable and has an adapter. *why says, in
// either case, in words for the status line (the adapter found, or what is missing).
bool BluezAvailable(std::string* why);
bool BluezAvailable(const BusOptions& options, std::string* why);

// The factory for the "bluez" stack backend. Never fails: without an adapter the backend lists
// no devices and every request fails at once with a reason.
std::shared_ptr<Backend> CreateBluezBackend(std::string* error);

} // namespace btstack::bluez
