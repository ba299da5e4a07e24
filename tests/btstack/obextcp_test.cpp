// The OBEX client against a third-party receiver over TCP on loopback: obex_tcp, a sample
// server shipped with a widely packaged OBEX library. It listens on port 650, serves one
// session, stores the object under its name in its working folder and exits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <memory>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "obex/transport.h"
#include "stacktest.h"
#include "uploader.h"

namespace {

constexpr uint16_t kObexTcpPort = 650;

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0)
            return dir + "/" + name;
    return {};
}

bool PortListening(uint16_t port) {
    char hex[8];
    std::snprintf(hex, sizeof hex, ":%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == hex)
                return true;
        }
    }
    return false;
}

// A child process that is killed by its id, if it is still there, when the test ends.
class Child {
public:
    Child(const std::string& program, const std::filesystem::path& workDir) {
        m_pid = ::fork();
        if (m_pid == 0) {
            if (::chdir(workDir.c_str()) != 0)
                ::_exit(127);
            int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Child() {
        if (m_pid > 0 && !Exited(0)) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // Waits up to ms for the child to end.
    bool Exited(int ms) {
        for (int waited = 0;; waited += 20) {
            if (m_pid <= 0 || m_reaped)
                return true;
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_reaped = true;
                return true;
            }
            if (waited >= ms)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};

int TakeTurn(const std::string& name) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    const socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    for (int attempt = 0; attempt < 1200; ++attempt) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

TEST(ThirdPartyReceiver, PictureArrivesByteIdenticalOverTcp) {
    const std::string program = FindProgram("obex_tcp");
    if (program.empty())
        GTEST_SKIP() << "obex_tcp (openobex-apps) is not installed";
    // The port is fixed, so test runs in parallel (plain and sanitizer builds) take turns. The
    // turn is an abstract socket name: it leaves no file behind and goes with the process.
    int lock = TakeTurn("harlune-obex-tcp-650");
    ASSERT_GE(lock, 0) << "another test run held port 650 for a minute";
    if (PortListening(kObexTcpPort)) {
        ::close(lock);
        GTEST_SKIP() << "port 650 is taken by another program";
    }

    stacktest::TempDir dir;
    const std::vector<uint8_t> picture = stacktest::Pattern(100000);
    {
        // obex_tcp binds without SO_REUSEADDR, so right after an earlier session (another run of
        // this test) its port can still be in TIME_WAIT and the server exits at once. Start it
        // again until the port is free; TIME_WAIT lasts a minute on Linux.
        std::unique_ptr<Child> server;
        bool listening = false;
        for (int start = 0; start < 45 && !listening; ++start) {
            if (start > 0)
                std::this_thread::sleep_for(std::chrono::seconds(2));
            server = std::make_unique<Child>(program, dir.path);
            ASSERT_TRUE(server->Started());
            // 30 s: CI machines can be slow to start it.
            for (int i = 0; i < 1500 && !listening && !server->Exited(0); ++i) {
                listening = PortListening(kObexTcpPort);
                if (!listening)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        ASSERT_TRUE(listening) << "obex_tcp did not start listening (port 650 needs privileges)";

        std::string error;
        auto transport = obex::ConnectTcp("127.0.0.1", kObexTcpPort, 5000, &error);
        ASSERT_TRUE(transport) << error;
        stacktest::Uploader up(picture);
        ASSERT_EQ(up.StartOn(std::move(transport)), OBEX_SUCCESS);
        ASSERT_TRUE(up.done.Wait(60000));
        EXPECT_EQ(up.openStatus, OBEX_SUCCESS);
        // It ends after one session; a file is complete once it has.
        EXPECT_TRUE(server->Exited(10000));
    }
    ::close(lock);

    std::ifstream in(dir.path / "Dunmere.gif", std::ios::binary);
    std::vector<uint8_t> stored{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(stored.size(), picture.size());
    EXPECT_TRUE(stored == picture);
}

} // namespace
