#include <gtest/gtest.h>

#include <fstream>

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "phonesim/server.h"

using namespace phonesim;
using Clock = std::chrono::steady_clock;

namespace {

// Generous: these bound how long a broken build hangs, not how fast a good one must be.
constexpr int kTimeoutMs = 5000;

// Opens the slave the way the program's serial port does.
int OpenLikeTheProgram(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    ioctl(fd, TIOCEXCL);
    flock(fd, LOCK_EX | LOCK_NB);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag |= CRTSCTS | CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &tio);
    int dtr = TIOCM_DTR;
    ioctl(fd, TIOCMBIS, &dtr); // fails on a pty; the program tolerates that too
    return fd;
}

void Send(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until the text ends with 'end', the line drops, or the time-out passes.
std::string ReadUntil(int fd, const std::string& end, bool* hungUp = nullptr) {
    std::string got;
    auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (Clock::now() < deadline) {
        if (got.size() >= end.size() && got.compare(got.size() - end.size(), end.size(), end) == 0)
            break;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 50);
        char buf[512];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, static_cast<size_t>(n));
        } else if (n == 0 || (n < 0 && errno == EIO) || (p.revents & POLLHUP)) {
            if (hungUp)
                *hungUp = true;
            break;
        }
    }
    return got;
}

// Waits for the far side to drop the line.
bool SeesHangup(int fd) {
    bool hungUp = false;
    ReadUntil(fd, std::string(1, '\0') + "never", &hungUp);
    return hungUp;
}

void EchoOff(int fd) {
    Send(fd, "ATE0\r");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "ATE0\r\r\nOK\r\n");
}

std::string Quiet(int fd, int ms) {
    std::string got;
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 10);
        char buf[256];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

struct PtyFixture : testing::Test {
    std::shared_ptr<Phone> phone = Phone::Create(PhoneState::Demo());
    std::unique_ptr<PtyPhone> server;
    int fd = -1;

    void StartWith(ServeOptions options = {}) {
        server = std::make_unique<PtyPhone>(phone, options);
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        fd = OpenLikeTheProgram(server->DevicePath());
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0)
            close(fd);
        server.reset();
    }
};

TEST_F(PtyFixture, AnswersOnTheSlave) {
    StartWith();
    Send(fd, "AT\r");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "AT\r\r\nOK\r\n");
    Send(fd, "AT+CPBS=\"SM\"\rAT+CPBR=1,2\r");
    std::string reply = ReadUntil(fd, "\r\n\r\nOK\r\n");
    EXPECT_NE(reply.find("+CPBR: 2,"), std::string::npos) << reply;
    EXPECT_EQ(phone->CommandLog(), (std::vector<std::string>{"AT", "AT+CPBS=\"SM\"", "AT+CPBR=1,2"}));
}

TEST_F(PtyFixture, ReopenKeepsTheSession) {
    StartWith();
    Send(fd, "ATE0\r");
    ReadUntil(fd, "OK\r\n");
    close(fd);
    // Between the program's opens the server must not take the closed slave for a hang-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fd = OpenLikeTheProgram(server->DevicePath());
    ASSERT_GE(fd, 0);
    Send(fd, "AT\r");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n"), "\r\nOK\r\n");
    EXPECT_FALSE(server->HungUp());
}

TEST_F(PtyFixture, HangupIsSeenByTheProgram) {
    StartWith();
    server->Hangup();
    EXPECT_TRUE(SeesHangup(fd));
    EXPECT_TRUE(server->HungUp());
}

TEST_F(PtyFixture, FaultRulesActOut) {
    StartWith();
    phone->AddFault({"AT+CPBS=\"SM\"", FaultAction::CmeError, 10, 1});
    phone->AddFault({"at+cpbr=?", FaultAction::Silent, 0, 1});
    EchoOff(fd);
    Send(fd, "AT+CPBS=\"SM\"\r");
    EXPECT_EQ(ReadUntil(fd, "\r\n+CME ERROR: 10\r\n"), "\r\n+CME ERROR: 10\r\n");
    Send(fd, "AT+CPBR=?\r");
    EXPECT_EQ(Quiet(fd, 200), "");
    // Both rules were for one line only.
    Send(fd, "AT+CPBS=\"SM\"\rAT+CPBR=?\r");
    EXPECT_EQ(ReadUntil(fd, "(1-250),40,18\r\n\r\nOK\r\n"), "\r\nOK\r\n\r\n+CPBR: (1-250),40,18\r\n\r\nOK\r\n");
}

TEST_F(PtyFixture, DropMidReplySendsPartThenHangsUp) {
    StartWith();
    phone->AddFault({"AT+CPBR=1", FaultAction::DropMidReply, 0, -1});
    EchoOff(fd);
    Send(fd, "AT+CPBR=1,500\r");
    bool hungUp = false;
    std::string got = ReadUntil(fd, std::string(1, '\0'), &hungUp);
    EXPECT_TRUE(hungUp);
    EXPECT_EQ(got.find("OK"), std::string::npos) << "the listing must be cut before its final result";
    EXPECT_NE(got.find("+CPBR: 1,"), std::string::npos);
}

TEST_F(PtyFixture, HangupBeforeReplying) {
    StartWith();
    phone->AddFault({"AT+CMGS", FaultAction::HangupBefore, 0, -1});
    EchoOff(fd);
    Send(fd, "AT+CMGS=12\r");
    bool hungUp = false;
    EXPECT_EQ(ReadUntil(fd, std::string(1, '\0'), &hungUp), "");
    EXPECT_TRUE(hungUp);
}

TEST_F(PtyFixture, RandomChunksDeliverTheSameBytes) {
    StartWith({0, true, 7});
    Send(fd, "AT+CPBR=1,500\r");
    std::string chunked = ReadUntil(fd, "\r\nOK\r\n");
    auto reference = Phone::Create(PhoneState::Demo())->OpenSession();
    EXPECT_EQ(chunked, reference->Feed("AT+CPBR=1,500\r").bytes);
}

TEST_F(PtyFixture, PacingIsNotAbsent) {
    // 2400 bit/s: 240 bytes a second. A listing of about 2.5 kB would take about 10 s; ask
    // for a slice of a few hundred bytes and only check that it did not arrive at once.
    StartWith({2400, false, 1});
    EchoOff(fd);
    auto start = Clock::now();
    Send(fd, "AT+CPBR=1,3\r");
    std::string reply = ReadUntil(fd, "\r\nOK\r\n");
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_GT(reply.size(), 100u);
    double lineTime = reply.size() * 10.0 / 2400;
    EXPECT_GT(seconds, lineTime * 0.5) << reply.size() << " bytes";
}

TEST_F(PtyFixture, ChangesAreSavedToTheStateFile) {
    char dir[] = "/tmp/phonesim-pty-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/state";
    phone->SetStateFile(path);
    StartWith();
    EchoOff(fd);
    Send(fd, "AT+CPBW=,\"555\",129,\"Neu\"\r");
    ReadUntil(fd, "OK\r\n");
    PhoneState saved;
    std::string error;
    EXPECT_TRUE(LoadState(path, &saved, &error)) << error;
    EXPECT_EQ(saved, phone->Snapshot());
    unlink(path.c_str());
    rmdir(dir);
}

int ConnectTcp(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(TcpServer, SessionsShareOnePhone) {
    auto phone = Phone::Create(PhoneState::Demo());
    TcpPhoneServer server(phone);
    std::string error;
    ASSERT_TRUE(server.Start(0, &error)) << error;
    ASSERT_NE(server.Port(), 0);
    int a = ConnectTcp(server.Port()), b = ConnectTcp(server.Port());
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EchoOff(a);
    Send(a, "AT*ESOM=1,\"e4\"\r");
    EXPECT_EQ(ReadUntil(a, "OK\r\n"), "\r\nOK\r\n");
    Send(b, "AT*ESOM?\r");
    EXPECT_NE(ReadUntil(b, "\r\nOK\r\n").find("*ESOM: 1,\"e4\",0"), std::string::npos);
    close(a);
    close(b);
    server.Stop();
}

TEST(Descriptors, ServeUntilTheInputEnds) {
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    auto phone = Phone::Create(PhoneState::Empty());
    Send(in[1], "AT\rAT+CPBR=?\r");
    close(in[1]);
    std::string error;
    EXPECT_TRUE(ServeDescriptors(*phone, in[0], out[1], {}, -1, &error)) << error;
    close(out[1]);
    EXPECT_EQ(ReadUntil(out[0], "never"), "AT\r\r\nOK\r\nAT+CPBR=?\r\r\n+CPBR: (1-500),40,24\r\n\r\nOK\r\n");
    close(in[0]);
    close(out[0]);
}

// The executable, as a script or a person uses it.
int RunPhonesim(const std::vector<std::string>& args, const std::string& input, std::string* output) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 2);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(PHONESIM_EXE)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(PHONESIM_EXE, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    *output = ReadUntil(out[0], std::string(1, '\0'));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Executable, OptionsAndExitStatus) {
    std::string out;
    EXPECT_EQ(RunPhonesim({"--help"}, "", &out), 0);
    EXPECT_NE(out.find("--pty"), std::string::npos);
    EXPECT_EQ(RunPhonesim({}, "", &out), 2);
    EXPECT_EQ(RunPhonesim({"--stdio", "--bogus"}, "", &out), 2);
    EXPECT_EQ(RunPhonesim({"--stdio", "--fault", "AT:explode"}, "", &out), 2);
    EXPECT_EQ(RunPhonesim({"--stdio", "--tcp", "1"}, "", &out), 2);
    EXPECT_EQ(RunPhonesim({"--stdio", "--fault", "AT+CPBR:cme=10"}, "ATE0\rAT+CPBR=1\rAT\r", &out), 0);
    EXPECT_EQ(out, "ATE0\r\r\nOK\r\n\r\n+CME ERROR: 10\r\n\r\nOK\r\n");
}

TEST(Executable, StateFileIsCreatedUsedAndChecked) {
    char dir[] = "/tmp/phonesim-exe-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/state";
    std::string out;
    EXPECT_EQ(RunPhonesim({"--stdio", "--state", path}, "ATE0\rAT*ERIN=35\r", &out), 0);
    EXPECT_EQ(RunPhonesim({"--stdio", "--state", path}, "ATE0\rAT*ERIN?\r", &out), 0);
    EXPECT_EQ(out, "ATE0\r\r\nOK\r\n\r\n*ERIN: 35\r\n\r\nOK\r\n");
    FILE* f = fopen(path.c_str(), "w");
    fputs("garbage\n", f);
    fclose(f);
    // An unreadable file: the phone runs on the demo data and leaves the file as it is.
    EXPECT_EQ(RunPhonesim({"--stdio", "--state", path}, "ATE0\rAT*ERIN=36\r", &out), 0);
    std::ifstream in(path);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "garbage\n");
    unlink(path.c_str());
    unlink((path + ".lock").c_str());
    rmdir(dir);
}

} // namespace

namespace {

TEST(PhoneObject, SessionsShareStateLogAndCountedFaults) {
    auto phone = Phone::Create(PhoneState::Empty());
    phone->AddFault({"AT+CPBW", FaultAction::Error, 0, 2});
    auto a = phone->OpenSession(), b = phone->OpenSession();
    a->Feed("ATE0\r");
    b->Feed("ATE0\r");
    EXPECT_EQ(a->Feed("at+cpbw=1,\"1\"\r").bytes, "\r\nERROR\r\n");
    EXPECT_EQ(b->Feed("AT+CPBW=1,\"1\"\r").bytes, "\r\nERROR\r\n");
    EXPECT_EQ(a->Feed("AT+CPBW=1,\"1\"\r").bytes, "\r\nOK\r\n") << "the rule was used up";
    EXPECT_EQ(phone->Snapshot().memory.entries.count(1), 1u);
    EXPECT_EQ(phone->CommandLog().size(), 5u);
    phone->ClearCommandLog();
    EXPECT_TRUE(phone->CommandLog().empty());

    phone->Modify([](PhoneState& s) { s.memory.entries.clear(); });
    EXPECT_EQ(b->Feed("AT+CPBR=1\r").bytes, "\r\nOK\r\n");
}

TEST(PhoneObject, ModifySavesAndReportsSaveFailures) {
    char dir[] = "/tmp/phonesim-phone-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/state";
    auto phone = Phone::Create(PhoneState::Demo());
    phone->SetStateFile(path);
    phone->Modify([](PhoneState& s) { s.ringSound = 37; });
    PhoneState saved;
    std::string error;
    ASSERT_TRUE(LoadState(path, &saved, &error)) << error;
    EXPECT_EQ(saved.ringSound, 37);
    EXPECT_EQ(phone->LastSaveError(), "");

    phone->SetStateFile(std::string(dir) + "/missing/state");
    phone->Modify([](PhoneState& s) { s.ringSound = 36; });
    EXPECT_NE(phone->LastSaveError(), "");
    EXPECT_EQ(phone->Snapshot().ringSound, 36) << "the phone goes on without its file";
    unlink(path.c_str());
    rmdir(dir);
}

} // namespace
