#pragma once
// The emulated phone on a pty with faults on the answer to one command, after the phone ran it:
//   Lost: the answer never comes (line noise);
//   Late: the answer comes after the program stopped waiting for it;
//   Cut:  the carrier goes right after the command ran.
// The phone's state has changed in every case; the program cannot learn so from the answer.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "phonesim/phone.h"

namespace faults {

class AnswerFaultLine {
public:
    enum class Mode { Lost, Late, Cut };
    AnswerFaultLine(std::shared_ptr<phonesim::Phone> phone, std::string commandPrefix, Mode mode, int lateMs);
    ~AnswerFaultLine();
    AnswerFaultLine(const AnswerFaultLine&) = delete;
    AnswerFaultLine& operator=(const AnswerFaultLine&) = delete;

    bool Start(std::string* error);
    const std::string& DevicePath() const { return m_devicePath; }
    bool Fired() const { return m_fired.load(); }

private:
    void Serve();
    void CloseLine();

    std::shared_ptr<phonesim::Phone> m_phone;
    std::string m_prefix;
    Mode m_mode;
    int m_lateMs;
    std::string m_devicePath;
    int m_master = -1;
    int m_heldSlave = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

} // namespace faults
