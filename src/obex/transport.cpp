#include "obex/transport.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace obex {
namespace {

std::string errnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

void setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

FdTransport::FdTransport(int fd) : m_fd(fd) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd >= 0)
        setNonBlocking(m_fd);
}

FdTransport::~FdTransport() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void FdTransport::Interrupt() {
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

IoStatus FdTransport::waitFor(short events, int timeoutMs, std::string* error) {
    pollfd fds[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errnoText("poll");
            return IoStatus::Error;
        }
        if (n == 0) {
            *error = "no data within " + std::to_string(timeoutMs) + " ms";
            return IoStatus::Timeout;
        }
        if (fds[1].revents) {
            *error = "interrupted";
            return IoStatus::Interrupted;
        }
        // POLLHUP/POLLERR fall through to the read or write, which reports them exactly.
        return IoStatus::Ok;
    }
}

IoStatus FdTransport::Send(std::span<const uint8_t> bytes, int timeoutMs, std::string* error) {
    if (!Valid()) {
        *error = "transport not open";
        return IoStatus::Error;
    }
    size_t sent = 0;
    while (sent < bytes.size()) {
        IoStatus st = waitFor(POLLOUT, timeoutMs, error);
        if (st != IoStatus::Ok)
            return st;
        // MSG_NOSIGNAL keeps a peer that went away from killing the process with SIGPIPE;
        // descriptors that are not sockets take a plain write.
        ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(m_fd, bytes.data() + sent, bytes.size() - sent);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            if (errno == EPIPE || errno == ECONNRESET) {
                *error = "peer closed the connection";
                return IoStatus::Closed;
            }
            *error = errnoText("write");
            return IoStatus::Error;
        }
        sent += size_t(n);
    }
    return IoStatus::Ok;
}

IoStatus FdTransport::Receive(std::span<uint8_t> buffer, int timeoutMs, size_t* received, std::string* error) {
    *received = 0;
    if (!Valid()) {
        *error = "transport not open";
        return IoStatus::Error;
    }
    for (;;) {
        IoStatus st = waitFor(POLLIN, timeoutMs, error);
        if (st != IoStatus::Ok)
            return st;
        ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
        if (n > 0) {
            *received = size_t(n);
            return IoStatus::Ok;
        }
        if (n == 0 || errno == ECONNRESET || errno == EIO) {
            *error = "peer closed the connection";
            return IoStatus::Closed;
        }
        if (errno == EAGAIN || errno == EINTR)
            continue;
        *error = errnoText("read");
        return IoStatus::Error;
    }
}

bool MakeSocketPair(std::unique_ptr<FdTransport>* clientEnd, int* serverFd, std::string* error) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        *error = errnoText("socketpair");
        return false;
    }
    auto transport = std::make_unique<FdTransport>(fds[0]);
    if (!transport->Valid()) {
        ::close(fds[1]);
        *error = errnoText("eventfd");
        return false;
    }
    *clientEnd = std::move(transport);
    *serverFd = fds[1];
    return true;
}

std::unique_ptr<FdTransport> ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (rc != 0) {
        *error = "cannot resolve " + host + ": " + ::gai_strerror(rc);
        return nullptr;
    }
    std::string lastError = "no address for " + host;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
        if (fd < 0) {
            lastError = errnoText("socket");
            continue;
        }
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0 && errno != EINPROGRESS) {
            lastError = errnoText("connect");
            ::close(fd);
            continue;
        }
        pollfd pfd{fd, POLLOUT, 0};
        int n;
        do
            n = ::poll(&pfd, 1, timeoutMs);
        while (n < 0 && errno == EINTR);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (n <= 0) {
            lastError = n == 0 ? "connect: timed out" : errnoText("poll");
            ::close(fd);
            continue;
        }
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError != 0) {
            lastError = std::string("connect: ") + std::strerror(soError);
            ::close(fd);
            continue;
        }
        ::freeaddrinfo(list);
        auto transport = std::make_unique<FdTransport>(fd);
        if (!transport->Valid()) {
            *error = errnoText("eventfd");
            return nullptr;
        }
        return transport;
    }
    ::freeaddrinfo(list);
    *error = host + ":" + std::to_string(port) + ": " + lastError;
    return nullptr;
}

} // namespace obex
