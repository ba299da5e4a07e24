#pragma once
// A scripted phone on a raw pty: answers each command line with a recorded reply, for replies
// real phones give that the emulated phone does not.
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "phonelink/phonelink.h"

namespace scripted {

struct Step {
    std::string command;
    std::string reply;
};

class ScriptedPhone {
public:
    ScriptedPhone() {
        char name[128];
        int slave = -1;
        EXPECT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        m_path = name;
    }
    ~ScriptedPhone() {
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_master);
    }
    const std::string& path() const { return m_path; }
    void Write(std::string_view bytes) { EXPECT_EQ(::write(m_master, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }

    // Answers each command line in turn; stops at the first line that is not the expected one.
    void Play(std::vector<Step> steps) {
        m_thread = std::thread([this, steps = std::move(steps)] {
            for (const Step& step : steps) {
                std::string line = ReadLine();
                received.push_back(line);
                if (line != step.command)
                    return;
                Write(step.reply);
            }
        });
    }
    // Written by the script's thread: read it only after Join().
    std::vector<std::string> received;
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::string ReadLine() {
        std::string line;
        char c;
        while (true) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 5000) <= 0 || ::read(m_master, &c, 1) != 1)
                return line;
            if (c == '\r')
                return line;
            if (c == '\x1A') { // the end of a message after the prompt
                line.push_back(c);
                return line;
            }
            line.push_back(c);
        }
    }
    int m_master = -1;
    std::string m_path;
    std::thread m_thread;
};

inline std::unique_ptr<CPhoneLink> Connect(const ScriptedPhone& phone) {
    auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{phone.path()});
    link->SetTimeouts(2000, 10000, 2000);
    return link;
}

// The session-start probe as a phone answers it that offers `charsets` (the +CSCS test line,
// empty for a bare OK).
inline std::vector<Step> Probe(const std::string& charsetLine = "+CSCS: (\"8859-1\",\"UCS2\",\"GSM\",\"IRA\")") {
    return {
        {"ATV1", "\r\nOK\r\n"},
        {"AT+CMEE=1", "\r\nOK\r\n"},
        {"AT+CGMI", "\r\nMaker\r\n\r\nOK\r\n"},
        {"AT+CGMM", "\r\nModel 1\r\n\r\nOK\r\n"},
        {"AT+CGMR", "\r\nR1A\r\n\r\nOK\r\n"},
        {"AT+CGSN", "\r\n350000000000000\r\n\r\nOK\r\n"},
        {"AT+CSCS=?", charsetLine.empty() ? "\r\nOK\r\n" : "\r\n" + charsetLine + "\r\n\r\nOK\r\n"},
    };
}

inline std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace scripted
