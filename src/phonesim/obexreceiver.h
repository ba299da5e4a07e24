#pragma once
// The phone's OBEX object push service on a loopback TCP port (OBEX over IP), so the upload
// path can be driven without Bluetooth. The OBEX protocol itself is obex::PushServer's.
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "obex/pushserver.h"

namespace phonesim {

class ObexTcpReceiver {
public:
    explicit ObexTcpReceiver(obex::PushServerOptions options);
    ~ObexTcpReceiver(); // stops and joins
    ObexTcpReceiver(const ObexTcpReceiver&) = delete;
    ObexTcpReceiver& operator=(const ObexTcpReceiver&) = delete;

    bool Start(uint16_t port, std::string* error); // port 0: any free port
    uint16_t Port() const { return m_port; }
    void Stop();
    obex::PushServer& Server() { return m_server; }

private:
    void AcceptLoop();

    obex::PushServer m_server;
    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

} // namespace phonesim
