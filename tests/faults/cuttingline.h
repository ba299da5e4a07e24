#pragma once
// The emulated phone on a pty whose line drops while the program is sending a message: once the
// phone has asked for the message with its "> " prompt, it takes only the first half of what
// comes next, then the carrier goes. PtyPhone's fault rules act on command lines only, and the
// message after the prompt is none.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "phonesim/phone.h"

namespace faults {

class CuttingLine {
public:
    explicit CuttingLine(std::shared_ptr<phonesim::Phone> phone);
    ~CuttingLine();
    CuttingLine(const CuttingLine&) = delete;
    CuttingLine& operator=(const CuttingLine&) = delete;

    bool Start(std::string* error);
    const std::string& DevicePath() const { return m_devicePath; }
    bool Cut() const { return m_cut.load(); }
    // How many bytes after the prompt reached the phone before the line dropped.
    size_t BytesTakenAfterPrompt() const { return m_takenAfterPrompt.load(); }

private:
    void Serve();
    void CloseLine();

    std::shared_ptr<phonesim::Phone> m_phone;
    std::string m_devicePath;
    int m_master = -1;
    int m_heldSlave = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_cut{false};
    std::atomic<size_t> m_takenAfterPrompt{0};
    std::thread m_thread;
};

} // namespace faults
