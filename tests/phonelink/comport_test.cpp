// CComPort on real pseudo-terminals: the test holds the master, the port opens the slave.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "phonelink/comport.h"
#include "platform/serialnames.h"

namespace {

class Pty {
public:
    Pty() {
        char name[128];
        int slave = -1;
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            m_path = name;
            // Keep no slave descriptor of our own: the port must be the one that holds it.
            ::close(slave);
        }
    }
    ~Pty() { Close(); }
    void Close() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    int master() const { return m_master; }
    const std::string& path() const { return m_path; }
    void Write(std::string_view bytes) { ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }

private:
    int m_master = -1;
    std::string m_path;
};

// The pty moves bytes to the slave asynchronously; wait (bounded) until `count` are queued.
bool WaitQueued(CComPort& port, uint32_t count) {
    for (int i = 0; i < 500 && port.QueuedBytes() < count; ++i)
        port.WaitReadable(10);
    return port.QueuedBytes() == count;
}

struct VersionCase {
    const char* label;
    bool queryOk;
    uint32_t platformId, major, minor;
    int code;
    const char* name; // device name for port 5
};

class VersionTable : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTable, CodeAndDeviceName) {
    platform::OsVersionInfo info;
    info.platformId = GetParam().platformId;
    info.majorVersion = GetParam().major;
    info.minorVersion = GetParam().minor;
    int code = CComPort::ClassifyWindowsVersion(GetParam().queryOk, info);
    EXPECT_EQ(code, GetParam().code);
    EXPECT_EQ(CComPort::DeviceName(code, 5), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, VersionTable,
    ::testing::Values(VersionCase{"QueryFails", false, 2, 5, 1, 0, "COM5"},
                      VersionCase{"Win95", true, 1, 4, 0, 1, "COM5"},
                      VersionCase{"Win98", true, 1, 4, 10, 2, "COM5"},
                      VersionCase{"WinMe", true, 1, 4, 90, 3, "COM5"},
                      VersionCase{"NineXOtherMajor", true, 1, 5, 0, 1, "COM5"},
                      VersionCase{"Nt4", true, 2, 4, 0, 4, "\\\\?\\COM5"},
                      VersionCase{"Win2000", true, 2, 5, 0, 5, "\\\\?\\COM5"},
                      VersionCase{"WinXp", true, 2, 5, 1, 6, "\\\\?\\COM5"},
                      VersionCase{"Server2003", true, 2, 5, 2, 0, "COM5"},
                      VersionCase{"Vista", true, 2, 6, 0, 0, "COM5"},
                      VersionCase{"Seven", true, 2, 6, 1, 0, "COM5"},
                      VersionCase{"Nt31", true, 2, 3, 51, 0, "COM5"},
                      VersionCase{"OtherPlatform", true, 3, 5, 1, 0, "COM5"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ComPort, LinuxGetsTheShortName) { EXPECT_EQ(CComPort::ClassifyWindowsVersion(), 0); }

TEST(ComPort, PortNumberKeepsLowEightBits) {
    Pty pty;
    ASSERT_FALSE(pty.path().empty());
    platform::RegisterSerialPort(1, pty.path());
    CComPort port;
    EXPECT_TRUE(port.OpenPort(257));
    EXPECT_EQ(port.PortNumber(), 1);
    EXPECT_EQ(port.DevicePath(), pty.path());
    platform::UnregisterSerialPort(1);
    CComPort unmapped;
    EXPECT_FALSE(unmapped.OpenPort(256 + 77));
    EXPECT_FALSE(unmapped.OpenError().empty());
}

TEST(ComPort, SecondOpenFailsInThisAndAnotherProcess) {
    Pty pty;
    CComPort first;
    ASSERT_TRUE(first.OpenDevice(pty.path()));
    CComPort second;
    EXPECT_FALSE(second.OpenDevice(pty.path()));
    EXPECT_FALSE(second.IsOpen());

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CComPort other;
        ::_exit(other.OpenDevice(pty.path()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process opened the port";

    EXPECT_TRUE(first.ClosePort());
    EXPECT_TRUE(second.OpenDevice(pty.path())) << "closing releases the port";
}

TEST(ComPort, ReadNeverExceedsTheLimitNorWaits) {
    Pty pty;
    CComPort port;
    ASSERT_TRUE(port.OpenDevice(pty.path()));
    char buffer[64];
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0u) << "nothing queued";
    pty.Write("abcdefghijklmnopqrstuvwxy");
    ASSERT_TRUE(WaitQueued(port, 25));
    EXPECT_EQ(port.ReadAvailable(buffer, 10), 10u);
    EXPECT_EQ(std::string(buffer, 10), "abcdefghij");
    EXPECT_EQ(port.QueuedBytes(), 15u);
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 15u);
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(port.LineLost());
}

TEST(ComPort, WriteAllArrivesWhole) {
    Pty pty;
    CComPort port;
    ASSERT_TRUE(port.OpenDevice(pty.path()));
    std::string data(3000, 'x');
    ASSERT_TRUE(port.WriteAll(data.data(), static_cast<int>(data.size())));
    std::string got;
    char buffer[4096];
    while (got.size() < data.size()) {
        pollfd pfd{pty.master(), POLLIN, 0};
        ASSERT_GT(::poll(&pfd, 1, 5000), 0);
        ssize_t n = ::read(pty.master(), buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, data);
}

TEST(ComPort, CloseTwiceIsHarmlessAndDiscardsInput) {
    Pty pty;
    CComPort port;
    ASSERT_TRUE(port.OpenDevice(pty.path()));
    pty.Write("stale");
    ASSERT_TRUE(WaitQueued(port, 5));
    EXPECT_TRUE(port.ClosePort());
    EXPECT_TRUE(port.ClosePort());
    EXPECT_FALSE(port.IsOpen());
    char buffer[8];
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(port.WriteAll("x", 1));
    ASSERT_TRUE(port.OpenDevice(pty.path()));
    EXPECT_EQ(port.QueuedBytes(), 0u) << "input queued before the close was purged";
}

TEST(ComPort, HangupIsReported) {
    Pty pty;
    CComPort port;
    ASSERT_TRUE(port.OpenDevice(pty.path()));
    pty.Close();
    EXPECT_EQ(port.WaitReadable(5000), CComPort::WaitResult::Hangup);
    EXPECT_TRUE(port.LineLost());
}

TEST(ComPort, RefusesWhatIsNotASerialDevice) {
    CComPort port;
    EXPECT_FALSE(port.OpenDevice("/dev/null"));
    EXPECT_FALSE(port.OpenDevice("/nonexistent/tty"));
    EXPECT_FALSE(port.OpenError().empty());
}

} // namespace
