#include "peerrig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace peers {

ProgramResult RunProgram(const std::vector<std::string>& argv, int timeoutSeconds) {
    ProgramResult result;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            result.output += "\n[killed after " + std::to_string(timeoutSeconds) + " s]";
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

PhonesimProcess::PhonesimProcess(const phonesim::PhoneState& initial,
                                 std::vector<std::string> extraArgs) {
    char dir[] = "/tmp/phonesim-peer-XXXXXX";
    if (!mkdtemp(dir))
        return;
    m_folder = dir;
    std::string error;
    const std::string state = m_folder + "/state";
    if (!phonesim::SaveState(initial, state, &error)) {
        ADD_FAILURE() << error;
        return;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> argv = {PHONESIM_EXE, "--pty", "--state", state};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    m_pid = fork();
    if (m_pid == 0) {
        dup2(out[1], 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    if (line.rfind("/dev/", 0) == 0)
        m_device = line;
    else
        ADD_FAILURE() << "phonesim did not start: " << line;
}

PhonesimProcess::~PhonesimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (!m_folder.empty()) {
        std::string rm = "rm -rf '" + m_folder + "'";
        (void)!std::system(rm.c_str());
    }
}

phonesim::PhoneState PhonesimProcess::State() const {
    phonesim::PhoneState state;
    std::string error;
    EXPECT_TRUE(phonesim::LoadState(m_folder + "/state", &state, &error)) << error;
    return state;
}

} // namespace peers
