#pragma once
// What the stack classes need from the Bluetooth system underneath. One backend is chosen at
// start-up; "sim" is the demo phone, "bluez" real phones. A backend's calls may block (they run
// on stack threads, never on the GUI thread) and must be thread-safe.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "btstack/bdaddrtext.h"
#include "btstack/bttypes.h"

namespace platform {
class Registry;
}
namespace obex {
class Transport;
}

namespace btstack {

struct ServiceRecord {
    std::string serviceName;
    GUID serviceClass{};
    int rfcommChannel = -1; // -1: none
};

// An open serial link. Destroying it drops the link; a backend must not call the gone
// callback after that.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    virtual int16_t ComPort() const = 0;
    virtual std::string DevicePath() const = 0;
    // Removes the COM name of the link from the registry. Separate from the destructor because
    // a link may outlive the registry at process exit (a global client is destroyed after it).
    virtual void UnregisterComName() = 0;
};

struct SerialOpenResult {
    SPP_CLIENT_RETURN_CODE code = SPP_CLIENT_CONNECT_FAILED;
    std::unique_ptr<SerialLink> link; // set when code is SPP_CLIENT_SUCCESS
    std::string error;
};

struct DeviceEntry {
    BdAddr address{};
    std::string name;
    DevClass devClass{};
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::string Name() const = 0;

    // The known devices; also written as live values under
    // HKEY_LOCAL_MACHINE\SOFTWARE\Tarvex\BTConfig\Devices by PublishDevices.
    virtual std::vector<DeviceEntry> Devices() = 0;
    // Device, name and class of a known device (for the state notification).
    bool FindDevice(const BdAddr& address, DeviceEntry* entry);

    // SDP search for records of a service class; false (with a reason) when the device could not
    // be asked, true with possibly no records when it has none.
    virtual bool SearchServices(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord>* records,
                                std::string* error) = 0;

    // Quick checks before a serial link is requested, on the caller's thread (no waiting):
    // SPP_CLIENT_SERVER_NOT_EXIST for an unknown device or no serial service of that name,
    // SPP_CLIENT_ALREADY_CONNECTED when the service is held by another link.
    virtual SPP_CLIENT_RETURN_CODE CheckSerial(const BdAddr& address, const std::string& serviceName) = 0;
    // Opens the serial link to the named serial service (runs on a stack thread and may take
    // time); registers its device as COM name. onGone is called (on any thread) when the far
    // side goes away on its own; it must not be called once the link was destroyed, and the
    // link's destructor must wait for a call in progress.
    virtual SerialOpenResult OpenSerial(const BdAddr& address, const std::string& serviceName,
                                        std::function<void()> onGone) = 0;

    // A byte stream to the OBEX server on the device's RFCOMM channel.
    virtual std::unique_ptr<obex::Transport> OpenObex(const BdAddr& address, uint8_t channel, std::string* error) = 0;

    // Something the user must be told once the connection is up (the demo phone running without
    // its state file, and why), taken once; empty when there is nothing to say.
    virtual std::string TakeNotice() { return {}; }
};

// Writes Devices() into the registry as live values (key = "00:80:37:1a:2b:3c", Name, DevClass).
void PublishDevices(Backend& backend, platform::Registry& registry);

using BackendFactory = std::function<std::shared_ptr<Backend>(std::string* error)>;
// Makes CreateBackend(name) use the factory. Each backend lives in a library of its own that
// links this one, so a program that links it registers it at start-up:
//   btstack::RegisterSimBackend();   // "sim", btstack/sim/registersim.h
//   btstack::RegisterBackendFactory("bluez", btstack::bluez::CreateBluezBackend);
void RegisterBackendFactory(const std::string& name, BackendFactory factory);

// A registered name; null with a reason for a backend that is unknown or not registered.
std::shared_ptr<Backend> CreateBackend(const std::string& name, std::string* error);
// The backend that requests use from now on (a request in progress, or a link or session that
// is open, keeps the backend it started with). Also publishes its devices into platform::Registry::Instance().
void SetBackend(std::shared_ptr<Backend> backend);
// The chosen backend; when none was set, the registered "sim" backend with default options is
// created (null when the program registered none).
std::shared_ptr<Backend> CurrentBackend();

} // namespace btstack
