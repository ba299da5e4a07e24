#include "phonesim/server.h"
#include "phonesim/acceptloop.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "platform/debuglog.h"

namespace phonesim {
namespace {

using Clock = std::chrono::steady_clock;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Sleeps until 'until' unless stopFd becomes readable first; false when stopped.
bool SleepUntil(Clock::time_point until, int stopFd) {
    for (;;) {
        auto now = Clock::now();
        if (now >= until)
            return true;
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
        timespec ts{static_cast<time_t>(left.count() / 1000000000), static_cast<long>(left.count() % 1000000000)};
        pollfd p{stopFd, POLLIN, 0};
        int r = ppoll(stopFd >= 0 ? &p : nullptr, stopFd >= 0 ? 1 : 0, &ts, nullptr);
        if (r > 0)
            return false;
    }
}

enum class WriteResult { Done, Stopped, Failed };

// Writes all bytes, waiting with poll() when the far side is not taking them.
WriteResult WriteAll(int fd, const char* data, size_t size, int stopFd) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return WriteResult::Failed;
        pollfd p[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        int r = poll(p, stopFd >= 0 ? 2 : 1, -1);
        if (r < 0 && errno != EINTR)
            return WriteResult::Failed;
        if (stopFd >= 0 && (p[1].revents & POLLIN))
            return WriteResult::Stopped;
        if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return WriteResult::Failed;
    }
    return WriteResult::Done;
}

// Sends replies the way a serial line would deliver them: at a bit rate, and/or in pieces.
class ReplyWriter {
public:
    explicit ReplyWriter(const ServeOptions& options) : m_options(options), m_random(options.seed) {}

    WriteResult Write(int fd, const std::string& bytes, int stopFd) {
        if (m_options.bitsPerSecond == 0 && !m_options.randomChunks)
            return WriteAll(fd, bytes.data(), bytes.size(), stopFd);
        // Pacing goes in bursts of about 10 ms of line time, so the thread sleeps between
        // bursts instead of waking for every byte.
        size_t burst = m_options.bitsPerSecond ? std::max<size_t>(1, m_options.bitsPerSecond / 1000) : bytes.size();
        size_t pos = 0;
        // The line is busy with earlier bytes until m_lineFree. A reply starts when the line is
        // free; within it the schedule is kept from the start, so a thread woken late by a busy
        // machine catches up instead of stretching the reply.
        if (const auto now = Clock::now(); m_options.bitsPerSecond && m_lineFree < now)
            m_lineFree = now;
        while (pos < bytes.size()) {
            size_t n = std::min(burst, bytes.size() - pos);
            if (m_options.randomChunks)
                n = std::min(n, std::uniform_int_distribution<size_t>(1, 16)(m_random));
            if (m_options.bitsPerSecond)
                m_lineFree += std::chrono::nanoseconds(10'000'000'000ULL * n / m_options.bitsPerSecond);
            WriteResult r = WriteAll(fd, bytes.data() + pos, n, stopFd);
            if (r != WriteResult::Done)
                return r;
            pos += n;
            auto next = m_options.bitsPerSecond ? m_lineFree : Clock::now();
            if (m_options.randomChunks && pos < bytes.size())
                next += std::chrono::microseconds(std::uniform_int_distribution<int>(0, 2000)(m_random));
            if (next > Clock::now() && !SleepUntil(next, stopFd))
                return WriteResult::Stopped;
        }
        return WriteResult::Done;
    }

private:
    ServeOptions m_options;
    std::mt19937 m_random;
    Clock::time_point m_lineFree{};
};

enum class LoopEnd { InputClosed, Hangup, Stopped, Failed };

LoopEnd ServeLoop(PhoneSession& session, int inFd, int outFd, ReplyWriter& writer, int stopFd,
                  std::string* error) {
    char buffer[4096];
    for (;;) {
        // The stop descriptor may be absent (-1): poll ignores negative descriptors.
        pollfd p[3] = {{inFd, POLLIN, 0}, {stopFd, POLLIN, 0}, {session.UnsolicitedFd(), POLLIN, 0}};
        int r = poll(p, 3, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = Errno("poll");
            return LoopEnd::Failed;
        }
        if (stopFd >= 0 && (p[1].revents & POLLIN))
            return LoopEnd::Stopped;
        if (p[2].revents & POLLIN) {
            // An indication (+CMTI, +CREG, +CDS) between commands.
            std::string bytes = session.TakeUnsolicited();
            if (!bytes.empty()) {
                WriteResult w = writer.Write(outFd, bytes, stopFd);
                if (w == WriteResult::Stopped)
                    return LoopEnd::Stopped;
                if (w == WriteResult::Failed)
                    return LoopEnd::InputClosed;
            }
        }
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)))
            continue;
        ssize_t n = read(inFd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n < 0 && errno != EIO && errno != ECONNRESET) {
            if (error)
                *error = Errno("read");
            return LoopEnd::Failed;
        }
        if (n <= 0)
            return LoopEnd::InputClosed;
        PhoneSession::Output out = session.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        if (!out.bytes.empty()) {
            WriteResult w = writer.Write(outFd, out.bytes, stopFd);
            if (w == WriteResult::Stopped)
                return LoopEnd::Stopped;
            if (w == WriteResult::Failed)
                return LoopEnd::InputClosed; // the far side went away
        }
        if (out.hangup)
            return LoopEnd::Hangup;
    }
}

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

bool ServeDescriptors(Phone& phone, int inFd, int outFd, const ServeOptions& options, int stopFd,
                      std::string* error) {
    std::unique_ptr<PhoneSession> session = phone.OpenSession();
    ReplyWriter writer(options);
    return ServeLoop(*session, inFd, outFd, writer, stopFd, error) != LoopEnd::Failed;
}

// ---- pty ---------------------------------------------------------------------------------

PtyPhone::PtyPhone(std::shared_ptr<Phone> phone, ServeOptions options)
    : m_phone(std::move(phone)), m_options(options) {}

PtyPhone::~PtyPhone() { Stop(); }

bool PtyPhone::Start(std::string* error) {
    if (m_master >= 0 || m_thread.joinable()) {
        if (error)
            *error = "already started";
        return false;
    }
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error)
            *error = Errno("openpty");
        return false;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = Errno("pipe");
        close(master);
        close(slave);
        return false;
    }
    m_master = master;
    m_heldSlave = slave;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_devicePath = name;
    m_hungUp = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void PtyPhone::Serve() {
    std::unique_ptr<PhoneSession> session = m_phone->OpenSession();
    ReplyWriter writer(m_options);
    std::string error;
    LoopEnd end = ServeLoop(*session, m_master, m_master, writer, m_wakeRead, &error);
    if (end == LoopEnd::Failed)
        platform::DebugLog("phonesim pty: " + error);
    if (end == LoopEnd::Hangup) {
        // Closing the master throws away what the slave has not read yet; on a real line the
        // bytes sent before the carrier dropped do arrive. So give the program a moment to take
        // them (bounded: a program that stopped reading does not keep the line up). The kernel
        // moves written bytes to the slave's input queue asynchronously, so an empty queue
        // right after the write proves nothing: it counts only once bytes were seen queued, or
        // after a grace period.
        auto start = Clock::now();
        auto deadline = start + std::chrono::seconds(2);
        auto grace = start + std::chrono::milliseconds(200);
        bool seenQueued = false;
        while (Clock::now() < deadline) {
            int queued = 0;
            if (ioctl(m_heldSlave, TIOCINQ, &queued) != 0)
                break;
            if (queued > 0)
                seenQueued = true;
            else if (seenQueued || Clock::now() >= grace)
                break;
            if (!SleepUntil(Clock::now() + std::chrono::milliseconds(2), m_wakeRead))
                break;
        }
    }
    if (end == LoopEnd::Hangup || end == LoopEnd::InputClosed) {
        m_hungUp = true;
        CloseLine();
    }
}

void PtyPhone::CloseLine() {
    CloseFd(m_master);
    CloseFd(m_heldSlave);
}

void PtyPhone::Hangup() {
    Stop();
    m_hungUp = true;
}

void PtyPhone::Stop() {
    if (m_wakeWrite >= 0) {
        char c = 's';
        (void)!write(m_wakeWrite, &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    CloseLine();
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

// ---- TCP ---------------------------------------------------------------------------------

struct TcpPhoneServer::Impl {
    std::shared_ptr<Phone> phone;
    ServeOptions options;
    int listenFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread acceptThread;
    std::mutex mutex;
    struct Client {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Client> clients;

    void AcceptLoop() {
        AcceptUntilWoken(listenFd, wakeRead, SOCK_CLOEXEC | SOCK_NONBLOCK, [this](int fd) {
            std::lock_guard<std::mutex> lock(mutex);
            for (auto it = clients.begin(); it != clients.end();) {
                if (it->done->load()) {
                    it->thread.join();
                    it = clients.erase(it);
                } else {
                    ++it;
                }
            }
            auto done = std::make_shared<std::atomic<bool>>(false);
            clients.push_back({std::thread([this, fd, done] {
                                   std::unique_ptr<PhoneSession> session = phone->OpenSession();
                                   ReplyWriter writer(options);
                                   std::string error;
                                   ServeLoop(*session, fd, fd, writer, wakeRead, &error);
                                   close(fd);
                                   done->store(true);
                               }),
                               done});
        });
    }
};

TcpPhoneServer::TcpPhoneServer(std::shared_ptr<Phone> phone, ServeOptions options) : m_impl(new Impl) {
    m_impl->phone = std::move(phone);
    m_impl->options = options;
}

TcpPhoneServer::~TcpPhoneServer() { Stop(); }

bool TcpPhoneServer::Start(uint16_t port, std::string* error) {
    Impl& d = *m_impl;
    if (d.listenFd >= 0) {
        if (error)
            *error = "already started";
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = Errno("socket");
        return false;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int wake[2];
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = Errno("cannot listen on 127.0.0.1");
        close(fd);
        return false;
    }
    d.listenFd = fd;
    d.wakeRead = wake[0];
    d.wakeWrite = wake[1];
    m_port = ntohs(addr.sin_port);
    d.acceptThread = std::thread([&d] { d.AcceptLoop(); });
    return true;
}

void TcpPhoneServer::Stop() {
    Impl& d = *m_impl;
    if (d.wakeWrite >= 0) {
        char c = 's';
        (void)!write(d.wakeWrite, &c, 1);
    }
    if (d.acceptThread.joinable())
        d.acceptThread.join();
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        for (auto& c : d.clients)
            if (c.thread.joinable())
                c.thread.join();
        d.clients.clear();
    }
    CloseFd(d.listenFd);
    CloseFd(d.wakeRead);
    CloseFd(d.wakeWrite);
}

} // namespace phonesim
