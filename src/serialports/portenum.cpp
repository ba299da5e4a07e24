#include "serialports/portenum.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "serialports/portholders.h"

namespace serialports {

FixedPortEnumerator::FixedPortEnumerator(std::vector<SerialPortInfo> ports)
    : m_ports(std::move(ports)), m_eventFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FixedPortEnumerator::~FixedPortEnumerator() {
    if (m_eventFd >= 0)
        ::close(m_eventFd);
}

void FixedPortEnumerator::SetPorts(std::vector<SerialPortInfo> ports) {
    m_ports = std::move(ports);
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_eventFd, &one, sizeof one);
}

void FixedPortEnumerator::DrainChanges() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(m_eventFd, &count, sizeof count);
}

namespace {
std::mutex g_mutex;
std::shared_ptr<PortEnumerator> g_enumerator;
bool g_triedUdev = false;
} // namespace

std::shared_ptr<PortEnumerator> CurrentPortEnumerator() {
    std::lock_guard lock(g_mutex);
    if (!g_enumerator && !g_triedUdev) {
        g_triedUdev = true;
        // HARLUNE_SERIAL_PORTS=none: no serial ports at all (tests that must not see the
        // machine's own modems).
        if (const char* choice = std::getenv("HARLUNE_SERIAL_PORTS");
            choice && std::string_view(choice) == "none")
            return nullptr;
        std::string error;
        g_enumerator = CreateUdevEnumerator(&error);
    }
    return g_enumerator;
}

void SetPortEnumerator(std::shared_ptr<PortEnumerator> enumerator) {
    std::lock_guard lock(g_mutex);
    g_enumerator = std::move(enumerator);
    g_triedUdev = true;
}

const char* AtAnswerName(AtAnswer answer) {
    switch (answer) {
    case AtAnswer::Ok:
        return "yes";
    case AtAnswer::NoAnswer:
        return "no";
    case AtAnswer::Busy:
        return "busy";
    case AtAnswer::CannotOpen:
        return "cannot-open";
    }
    return "?";
}

ProbeResult ProbeAt(const std::string& devicePath, int timeoutMs) {
    ProbeResult result;
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        result.answer = err == EBUSY ? AtAnswer::Busy : AtAnswer::CannotOpen;
        result.detail = ExplainOpenFailure(devicePath, std::strerror(err), err);
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // Another program's session is never disturbed: a port it locked is only reported.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        result.answer = AtAnswer::Busy;
        result.detail = ExplainOpenFailure(devicePath, "already in use", EWOULDBLOCK);
        return result;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::tcflush(fd, TCIOFLUSH);
    const char command[] = "AT\r";
    if (::write(fd, command, sizeof command - 1) != ssize_t(sizeof command - 1))
        return result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string reply;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return result;
        pollfd pfd{fd, POLLIN, 0};
        const int n = ::poll(&pfd, 1, int(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return result;
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (got <= 0)
            return result;
        // A chatty modem cannot keep the probe reading: only the tail matters.
        reply.append(buffer, size_t(got));
        if (reply.size() > 4096)
            reply.erase(0, reply.size() - 64);
        if (reply.find("OK\r") != std::string::npos || reply.find("OK\n") != std::string::npos) {
            result.answer = AtAnswer::Ok;
            return result;
        }
        if (reply.find("ERROR") != std::string::npos)
            return result;
    }
}

} // namespace serialports
