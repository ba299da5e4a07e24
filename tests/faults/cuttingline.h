#pragma once
// The emulated phone on a pty with faults around the "> " prompt of a message, which PtyPhone's
// fault rules cannot reach: they act on command lines, and the message after the prompt is none.
//   CutMidMessage: after the prompt the phone takes only the first half of what comes next,
//                  then the carrier goes.
//   LosePrompt:    the prompt never reaches the program (line noise, or a prompt so late the
//                  program gave up); the phone still waits for the message.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "phonesim/phone.h"

namespace faults {

class CuttingLine {
public:
    enum class Mode { CutMidMessage, LosePrompt };
    CuttingLine(std::shared_ptr<phonesim::Phone> phone, Mode mode);
    ~CuttingLine();
    CuttingLine(const CuttingLine&) = delete;
    CuttingLine& operator=(const CuttingLine&) = delete;

    bool Start(std::string* error);
    const std::string& DevicePath() const { return m_devicePath; }
    bool Cut() const { return m_cut.load(); }
    bool PromptLost() const { return m_promptLost.load(); }
    // How many bytes after the prompt reached the phone before the line dropped.
    size_t BytesTakenAfterPrompt() const { return m_takenAfterPrompt.load(); }

private:
    void Serve();
    void CloseLine();

    std::shared_ptr<phonesim::Phone> m_phone;
    Mode m_mode;
    std::string m_devicePath;
    int m_master = -1;
    int m_heldSlave = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_cut{false};
    std::atomic<bool> m_promptLost{false};
    std::atomic<size_t> m_takenAfterPrompt{0};
    std::thread m_thread;
};

} // namespace faults
