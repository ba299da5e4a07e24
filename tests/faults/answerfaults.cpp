#include "answerfaults.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace faults {

AnswerFaultLine::AnswerFaultLine(std::shared_ptr<phonesim::Phone> phone, std::string commandPrefix, Mode mode,
                                 int lateMs)
    : m_phone(std::move(phone)), m_prefix(std::move(commandPrefix)), m_mode(mode), m_lateMs(lateMs) {}

AnswerFaultLine::~AnswerFaultLine() {
    if (m_wake[1] >= 0) {
        char c = 's';
        (void)!write(m_wake[1], &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    CloseLine();
    for (int& fd : m_wake)
        if (fd >= 0)
            close(fd);
}

bool AnswerFaultLine::Start(std::string* error) {
    char name[256] = {};
    if (openpty(&m_master, &m_heldSlave, name, nullptr, nullptr) != 0) {
        *error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    termios tio{};
    tcgetattr(m_heldSlave, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_heldSlave, TCSANOW, &tio);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_heldSlave, F_SETFD, FD_CLOEXEC);
    if (pipe2(m_wake, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_devicePath = name;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void AnswerFaultLine::Serve() {
    std::unique_ptr<phonesim::PhoneSession> session = m_phone->OpenSession();
    std::string line;
    std::string held; // a late answer, sent once the program has given up on it
    auto heldSince = std::chrono::steady_clock::now();
    char buffer[4096];
    for (;;) {
        int wait = -1;
        if (!held.empty()) {
            auto due = heldSince + std::chrono::milliseconds(m_lateMs);
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd p[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        int ready = poll(p, 2, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents & POLLIN)
            return;
        if (ready == 0 && !held.empty()) {
            if (write(m_master, held.data(), held.size()) < 0)
                return;
            held.clear();
            continue;
        }
        ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        std::string_view in(buffer, static_cast<size_t>(n));
        bool hit = false;
        for (char c : in) {
            if (c == '\r') {
                hit = hit || (!m_fired && line.rfind(m_prefix, 0) == 0);
                line.clear();
            } else {
                line.push_back(c);
            }
        }
        phonesim::PhoneSession::Output out = session->Feed(in);
        if (hit) {
            m_fired = true;
            if (m_mode == Mode::Cut) {
                CloseLine();
                return;
            }
            if (m_mode == Mode::Late) {
                held = out.bytes;
                heldSince = std::chrono::steady_clock::now();
            }
            continue; // Lost, or Late (held back)
        }
        if (!out.bytes.empty() && write(m_master, out.bytes.data(), out.bytes.size()) < 0)
            return;
    }
}

void AnswerFaultLine::CloseLine() {
    for (int* fd : {&m_master, &m_heldSlave}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

} // namespace faults
