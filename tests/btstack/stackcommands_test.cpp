#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli/stackcommands.h"
#include "obex/pushserver.h"
#include "stacktest.h"
#include "uploader.h"

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun RunCli(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunStackCommand(args, out, err);
    return {status, out.str(), err.str()};
}

// An OBEX push receiver on a loopback TCP port, for one session.
class TcpReceiver {
public:
    explicit TcpReceiver(obex::PushServerOptions options) : m_server(options) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(m_listen, 1), 0);
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        m_accepter = std::thread([this] {
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            std::string error;
            if (fd >= 0)
                m_server.Serve(fd, &error);
        });
    }
    ~TcpReceiver() {
        ::shutdown(m_listen, SHUT_RDWR); // ends an accept that never got a client
        m_accepter.join();
        ::close(m_listen);
    }
    uint16_t port = 0;

private:
    obex::PushServer m_server;
    int m_listen = -1;
    std::thread m_accepter;
};

TEST(StackCommands, DevicesAsTheDialogSeesThem) {
    stacktest::SimStack stack;
    CliRun r = RunCli({"devices"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00:80:37:1a:2b:3c\tT68 demo phone\t520204\tlisted\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("00:80:37:4d:5e:6f\tT39 demo phone\t5a0204\tnot-listed\n"), std::string::npos);
    EXPECT_NE(r.out.find("\t200404\tnot-listed\n"), std::string::npos);
    CliRun json = RunCli({"devices", "--json"});
    EXPECT_NE(json.out.find("{\"address\":\"00:80:37:1a:2b:3c\",\"name\":\"T68 demo phone\",\"class\":\"520204\","
                            "\"listed\":true}"),
              std::string::npos)
        << json.out;
}

TEST(StackCommands, UsageAndStackErrors) {
    stacktest::SimStack stack;
    const std::filesystem::path missing = stack.dir.path / "missing.gif";
    struct Row {
        std::vector<std::string> args;
        int status;
    };
    const Row rows[] = {
        {{"devices", "--stack=bluez"}, 3},
        {{"devices", "--stack", "bluez"}, 3},
        {{"devices", "--stack=other"}, 2},
        {{"devices", "--frobnicate"}, 2},
        {{"push"}, 2},
        {{"push", "x.gif"}, 2},
        {{"push", "x.gif", "--tcp", "nohost"}, 2},
        {{"push", "x.gif", "--tcp=127.0.0.1:99999"}, 2},
        {{"push", "x.gif", "--bt", "00:80:37:1a:2b"}, 2},
        {{"push", missing.string(), "--tcp", "127.0.0.1:9"}, 2},
        {{"push", "x.gif", "--tcp"}, 2},
        // Read whole, these would grow without end or fill the memory; refused before connecting.
        {{"push", "/dev/zero", "--tcp", "127.0.0.1:9"}, 2},
        {{"push", stack.dir.path.string(), "--tcp", "127.0.0.1:9"}, 2},
        {{"push", (stack.dir.path / "huge.gif").string(), "--tcp", "127.0.0.1:9"}, 2},
    };
    std::filesystem::resize_file((std::ofstream(stack.dir.path / "huge.gif"), stack.dir.path / "huge.gif"),
                                 16 * 1024 * 1024 + 1); // sparse: no disk space needed
    for (const Row& row : rows) {
        CliRun r = RunCli(row.args);
        EXPECT_EQ(r.status, row.status) << ::testing::PrintToString(row.args);
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(StackCommands, PushOverTcpExitStatuses) {
    stacktest::SimStack stack;
    const std::filesystem::path file = stack.dir.path / "picture.jpg";
    const std::vector<uint8_t> data = stacktest::Pattern(1500);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    const std::filesystem::path folder = stack.dir.path / "tcp-received";
    {
        obex::PushServerOptions options;
        options.folder = folder.string();
        TcpReceiver receiver(options);
        CliRun r = RunCli({"push", file.string(), "--tcp", "127.0.0.1:" + std::to_string(receiver.port)});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("3 PUT requests"), std::string::npos) << r.out;
    }
    std::ifstream in(folder / "Dunmere.gif", std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), data);
    {
        obex::PushServerOptions options;
        options.folder = folder.string();
        options.refuseWith = obex::kRespForbidden;
        TcpReceiver receiver(options);
        CliRun r = RunCli({"push", file.string(), "--tcp", "127.0.0.1:" + std::to_string(receiver.port), "--json"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("\"response\":195"), std::string::npos) << r.out;
    }
    uint16_t closedPort;
    {
        TcpReceiver receiver(obex::PushServerOptions{});
        closedPort = receiver.port;
    }
    EXPECT_EQ(RunCli({"push", file.string(), "--tcp", "127.0.0.1:" + std::to_string(closedPort)}).status, 3);
}

// Answers CONNECT with a Success for a PUT it never received glued behind, as a hostile
// receiver did: the push must fail, never end as "pushed".
TEST(StackCommands, PushFailsWhenTheReceiverAnswersAheadOfTheRequest) {
    stacktest::SimStack stack;
    const std::filesystem::path file = stack.dir.path / "p.gif";
    std::ofstream(file) << "GIF89a";
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::thread receiver([listener] {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        uint8_t buffer[1024];
        if (::read(fd, buffer, sizeof buffer) > 0) {
            const uint8_t answers[] = {0xA0, 0x00, 0x07, 0x10, 0x00, 0x02, 0x57, 0xA0, 0x00, 0x03};
            [[maybe_unused]] ssize_t n = ::send(fd, answers, sizeof answers, MSG_NOSIGNAL);
        }
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
    });
    CliRun r = RunCli({"push", file.string(), "--tcp", "127.0.0.1:" + std::to_string(ntohs(addr.sin_port))});
    receiver.join();
    ::close(listener);
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_NE(r.err.find("did not follow the OBEX protocol"), std::string::npos) << r.err;
}

TEST(StackCommands, PushToTheDemoPhoneThroughTheStack) {
    stacktest::SimStack stack;
    const std::filesystem::path file = stack.dir.path / "p.gif";
    std::ofstream(file) << "GIF89a";
    CliRun r = RunCli({"push", file.string(), "--bt", "00:80:37:1a:2b:3c"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"push", file.string(), "--bt", "00:0a:95:01:02:03"}).status, 3) << "a headset has no push";
}

} // namespace
