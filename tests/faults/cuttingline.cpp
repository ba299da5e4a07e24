#include "cuttingline.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace faults {

CuttingLine::CuttingLine(std::shared_ptr<phonesim::Phone> phone, Mode mode)
    : m_phone(std::move(phone)), m_mode(mode) {}

CuttingLine::~CuttingLine() {
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

bool CuttingLine::Start(std::string* error) {
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

void CuttingLine::Serve() {
    std::unique_ptr<phonesim::PhoneSession> session = m_phone->OpenSession();
    bool prompted = false;
    char buffer[4096];
    for (;;) {
        pollfd p[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents & POLLIN)
            return;
        ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        size_t take = static_cast<size_t>(n);
        if (prompted && m_mode == Mode::CutMidMessage)
            take /= 2; // never the whole message, so never its closing Ctrl-Z
        phonesim::PhoneSession::Output out = session->Feed(std::string_view(buffer, take));
        if (prompted && m_mode == Mode::CutMidMessage) {
            m_takenAfterPrompt = take;
            m_cut = true;
            CloseLine();
            return;
        }
        const bool prompt = !prompted && out.bytes.find("> ") != std::string::npos;
        if (prompt && m_mode == Mode::LosePrompt) {
            m_promptLost = true;
            out.bytes.clear();
        }
        if (!out.bytes.empty() && write(m_master, out.bytes.data(), out.bytes.size()) < 0)
            return;
        prompted = prompted || prompt;
    }
}

void CuttingLine::CloseLine() {
    for (int* fd : {&m_master, &m_heldSlave}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

} // namespace faults
