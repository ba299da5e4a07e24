#include "phonesim/obexreceiver.h"
#include "phonesim/acceptloop.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/debuglog.h"

namespace phonesim {

ObexTcpReceiver::ObexTcpReceiver(obex::PushServerOptions options) : m_server(std::move(options)) {}

ObexTcpReceiver::~ObexTcpReceiver() { Stop(); }

bool ObexTcpReceiver::Start(uint16_t port, std::string* error) {
    if (m_listenFd >= 0) {
        if (error)
            *error = "already started";
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2] = {-1, -1};
    int one = 1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        if (error)
            *error = std::string("cannot listen for OBEX on 127.0.0.1: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    m_listenFd = fd;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { AcceptLoop(); });
    return true;
}

void ObexTcpReceiver::AcceptLoop() {
    AcceptUntilWoken(m_listenFd, m_wakeRead, SOCK_CLOEXEC, [this](int client) {
        std::string error;
        if (!m_server.Serve(client, &error))
            platform::DebugLog("phonesim OBEX: " + error);
    });
}

void ObexTcpReceiver::Stop() {
    if (m_wakeWrite >= 0) {
        char c = 's';
        (void)!write(m_wakeWrite, &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    m_server.Stop();
    m_server.Wait();
    for (int* fd : {&m_listenFd, &m_wakeRead, &m_wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

} // namespace phonesim
