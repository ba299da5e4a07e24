#pragma once
// Runs harlune-phonesim as its own process on a pty, and third-party phone tools against it.
#include <string>
#include <vector>

#include "phonesim/phonestate.h"

namespace peers {

struct ProgramResult {
    int exitCode = -1;  // 127: the program is not installed
    std::string output; // stdout and stderr together
};

// Runs argv (looked up on PATH) with stdin from /dev/null; kills it after timeoutSeconds.
ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutSeconds);

class PhonesimProcess {
public:
    // Writes the initial state to a fresh folder and starts the phone on it.
    explicit PhonesimProcess(const phonesim::PhoneState& initial,
                             std::vector<std::string> extraArgs = {});
    ~PhonesimProcess(); // SIGTERM, wait, remove the folder

    bool Started() const { return !m_device.empty(); }
    const std::string& Device() const { return m_device; }
    const std::string& Folder() const { return m_folder; }
    // The state as the phone last saved it.
    phonesim::PhoneState State() const;

private:
    std::string m_folder;
    std::string m_device;
    int m_pid = -1;
};

} // namespace peers
