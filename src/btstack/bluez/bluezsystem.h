#pragma once
// The calls into the Bluetooth system that the backend makes, behind one interface so that the
// backend's own decisions (which TTY, when to release it, what to tell the user) can be run
// against a stand-in where there is no adapter.
#include <memory>
#include <string>
#include <vector>

#include "btstack/bluez/rfcommtty.h"
#include "btstack/bluez/sdpelements.h"

namespace btstack::bluez {

class BluezSystem {
public:
    virtual ~BluezSystem() = default;
    virtual bool SearchSdp(const BdAddr& address, const GUID& serviceClass, int connectTimeoutMs,
                           std::vector<SdpRecordInfo>* records, std::string* error);
    virtual bool ListRfcommDevices(std::vector<RfcommDevice>* devices, std::string* error);
    virtual int ConnectRfcomm(const BdAddr& address, uint8_t channel, int timeoutMs, std::string* error);
    virtual TtyResult CreateRfcommTty(int connectedFd, const BdAddr& address, uint8_t channel, int16_t id,
                                      int appearTimeoutMs, std::string* error);
    virtual bool ReleaseRfcommTty(int16_t id, std::string* error);
    virtual void Close(int fd);
};

// The real one: libbluetooth and the kernel's RFCOMM sockets.
std::shared_ptr<BluezSystem> LinuxBluezSystem();

} // namespace btstack::bluez
