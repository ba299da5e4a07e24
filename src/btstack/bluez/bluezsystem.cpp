#include "btstack/bluez/bluezsystem.h"

#include <unistd.h>

#include "btstack/bluez/sdpsearch.h"

namespace btstack::bluez {

bool BluezSystem::SearchSdp(const BdAddr& address, const GUID& serviceClass, int connectTimeoutMs,
                            std::vector<SdpRecordInfo>* records, std::string* error) {
    return bluez::SearchSdp(address, serviceClass, connectTimeoutMs, records, error);
}

bool BluezSystem::ListRfcommDevices(std::vector<RfcommDevice>* devices, std::string* error) {
    return bluez::ListRfcommDevices(devices, error);
}

int BluezSystem::ConnectRfcomm(const BdAddr& address, uint8_t channel, int timeoutMs, std::string* error) {
    return bluez::ConnectRfcomm(address, channel, timeoutMs, error);
}

TtyResult BluezSystem::CreateRfcommTty(int connectedFd, const BdAddr& address, uint8_t channel, int16_t id,
                                       int appearTimeoutMs, std::string* error) {
    return bluez::CreateRfcommTty(connectedFd, address, channel, id, appearTimeoutMs, error);
}

bool BluezSystem::ReleaseRfcommTty(int16_t id, std::string* error) { return bluez::ReleaseRfcommTty(id, error); }

void BluezSystem::Close(int fd) {
    if (fd >= 0)
        ::close(fd);
}

std::shared_ptr<BluezSystem> LinuxBluezSystem() {
    static auto system = std::make_shared<BluezSystem>();
    return system;
}

} // namespace btstack::bluez
