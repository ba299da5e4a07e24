#pragma once
// The serial link without an RFCOMM TTY: a connected RFCOMM socket (which any user may open)
// joined to a pseudo-terminal whose slave the program opens as its COM port. Creating
// /dev/rfcommN needs CAP_NET_ADMIN; this needs nothing but the pairing.
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace btstack::bluez {

class RfcommPtyBridge {
public:
    // Takes the socket (closed with the bridge). onGone runs once, on the bridge's thread, when
    // the phone closes the socket or it fails. Null with a reason when no pty can be made.
    static std::unique_ptr<RfcommPtyBridge> Start(int socketFd, std::function<void()> onGone,
                                                  std::string* error);
    ~RfcommPtyBridge();
    RfcommPtyBridge(const RfcommPtyBridge&) = delete;
    RfcommPtyBridge& operator=(const RfcommPtyBridge&) = delete;

    // The pty's slave device, for the COM name ("/dev/pts/7").
    const std::string& SlavePath() const { return m_slavePath; }

private:
    RfcommPtyBridge() = default;
    void run();

    int m_socket = -1;
    int m_master = -1;
    // Kept open so the master never sees a hang-up while the program closes and reopens its
    // port between uses.
    int m_slaveKeeper = -1;
    int m_wake = -1;
    std::string m_slavePath;
    std::function<void()> m_onGone;
    std::thread m_thread;
};

} // namespace btstack::bluez
