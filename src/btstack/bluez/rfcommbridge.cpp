#include "btstack/bluez/rfcommbridge.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "platform/debuglog.h"

namespace btstack::bluez {
namespace {

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Writes everything, waiting for room; false when the descriptor failed or the wake fired.
bool writeAll(int fd, const char* data, size_t size, int wake) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<RfcommPtyBridge> RfcommPtyBridge::Start(int socketFd, std::function<void()> onGone,
                                                        std::string* error) {
    std::unique_ptr<RfcommPtyBridge> bridge(new RfcommPtyBridge);
    // The socket stays the caller's until the bridge runs.
    auto fail = [&](std::string why) {
        *error = std::move(why);
        bridge->m_socket = -1;
        return nullptr;
    };
    bridge->m_socket = socketFd;
    bridge->m_onGone = std::move(onGone);
    bridge->m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char name[128];
    if (bridge->m_master < 0 || ::grantpt(bridge->m_master) != 0 ||
        ::unlockpt(bridge->m_master) != 0 ||
        ::ptsname_r(bridge->m_master, name, sizeof name) != 0) {
        return fail(std::string("cannot make a pseudo-terminal for the serial link: ") +
                    std::strerror(errno));
    }
    bridge->m_slavePath = name;
    bridge->m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (bridge->m_slaveKeeper < 0) {
        return fail(bridge->m_slavePath + ": " + std::strerror(errno));
    }
    // Raw from the start: no echo or line editing of the phone's bytes before the program
    // opens the port and sets it up itself.
    termios tio{};
    if (::tcgetattr(bridge->m_slaveKeeper, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(bridge->m_slaveKeeper, TCSANOW, &tio);
    }
    bridge->m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (bridge->m_wake < 0) {
        return fail(std::string("eventfd: ") + std::strerror(errno));
    }
    ::fcntl(socketFd, F_SETFL, ::fcntl(socketFd, F_GETFL) | O_NONBLOCK);
    bridge->m_thread = std::thread([raw = bridge.get()] { raw->run(); });
    return bridge;
}

RfcommPtyBridge::~RfcommPtyBridge() {
    if (m_thread.joinable()) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }
    closeFd(m_socket);
    closeFd(m_slaveKeeper);
    closeFd(m_master);
    closeFd(m_wake);
}

void RfcommPtyBridge::run() {
    char buffer[4096];
    for (;;) {
        pollfd fds[3] = {{m_socket, POLLIN, 0}, {m_master, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[2].revents)
            return; // stopped: the link was removed, nobody waits for a report
        if (fds[0].revents) {
            const ssize_t n = ::read(m_socket, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                platform::DebugLog("bluez: the phone closed the RFCOMM link of " + m_slavePath);
                break;
            }
            if (n > 0 && !writeAll(m_master, buffer, size_t(n), m_wake))
                break;
        }
        if (fds[1].revents) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            // EIO only while no slave is open, which the keeper prevents; treat it as a pause.
            if (n > 0 && !writeAll(m_socket, buffer, size_t(n), m_wake))
                break;
        }
    }
    // A copy: the callback may end the link, and with it this object, before it returns.
    if (std::function<void()> gone = m_onGone)
        gone();
}

} // namespace btstack::bluez
