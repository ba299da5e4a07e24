#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "phonesim/obexreceiver.h"

namespace {

std::vector<uint8_t> Exchange(int fd, const std::vector<uint8_t>& packet) {
    EXPECT_EQ(write(fd, packet.data(), packet.size()), static_cast<ssize_t>(packet.size()));
    std::vector<uint8_t> got;
    while (got.size() < 3 || got.size() < static_cast<size_t>(got[1] << 8 | got[2])) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            break;
        uint8_t buf[512];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

TEST(ObexTcpReceiver, StoresAPushedObject) {
    char dir[] = "/tmp/phonesim-obex-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    {
        obex::PushServerOptions options;
        options.folder = dir;
        phonesim::ObexTcpReceiver receiver(options);
        std::string error;
        ASSERT_TRUE(receiver.Start(0, &error)) << error;

        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(receiver.Port());
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

        std::vector<uint8_t> connectResponse = Exchange(fd, {0x80, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00});
        ASSERT_FALSE(connectResponse.empty());
        EXPECT_EQ(connectResponse[0], 0xA0);
        // PUT-final: Name "a.gif" (UTF-16BE, zero-terminated), End-of-Body "hi".
        std::vector<uint8_t> put = {0x82, 0x00, 23, 0x01, 0x00, 15, 0, 'a', 0, '.', 0, 'g', 0, 'i', 0, 'f',
                                    0,    0,    0x49, 0x00, 0x05, 'h', 'i'};
        std::vector<uint8_t> putResponse = Exchange(fd, put);
        ASSERT_FALSE(putResponse.empty());
        EXPECT_EQ(putResponse[0], 0xA0);
        close(fd);
        receiver.Stop();
    }
    std::string path = std::string(dir) + "/a.gif";
    std::ifstream in(path);
    std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(body, "hi");
    unlink(path.c_str());
    rmdir(dir);
}

int ConnectTo(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
}

const std::vector<uint8_t> kConnect = {0x80, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00};
const std::vector<uint8_t> kDisconnect = {0x81, 0x00, 0x03};

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || (std::string(e->d_name) != "." && std::string(e->d_name) != ".."))
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// Whatever clients do, the receiver holds a bounded number of sessions, threads and bytes.
class BoundedReceiver : public testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/phonesim-obex-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override {
        receiver.reset();
        for (const std::string& f : FilesIn(m_dir))
            unlink((m_dir + "/" + f).c_str());
        rmdir(m_dir.c_str());
    }
    void Start(int maxSessions, int idleMs) {
        obex::PushServerOptions options;
        options.folder = m_dir;
        options.maxSessions = maxSessions;
        options.idleTimeoutMs = idleMs;
        receiver = std::make_unique<phonesim::ObexTcpReceiver>(options);
        std::string error;
        ASSERT_TRUE(receiver->Start(0, &error)) << error;
    }
    std::string m_dir;
    std::unique_ptr<phonesim::ObexTcpReceiver> receiver;
};

TEST_F(BoundedReceiver, EndedSessionsAreJoined) {
    Start(4, 5000);
    for (int i = 0; i < 300; ++i) {
        int fd = ConnectTo(receiver->Port());
        ASSERT_EQ(Exchange(fd, kConnect).at(0), 0xA0);
        ASSERT_EQ(Exchange(fd, kDisconnect).at(0), 0xA0);
        close(fd);
    }
    EXPECT_LE(receiver->Server().ThreadsHeld(), 4u);
}

TEST_F(BoundedReceiver, SessionsBeyondTheCapAreRefused) {
    Start(2, 5000);
    int a = ConnectTo(receiver->Port()), b = ConnectTo(receiver->Port());
    ASSERT_EQ(Exchange(a, kConnect).at(0), 0xA0);
    ASSERT_EQ(Exchange(b, kConnect).at(0), 0xA0);
    int c = ConnectTo(receiver->Port());
    std::vector<uint8_t> busy = Exchange(c, kConnect);
    ASSERT_FALSE(busy.empty());
    EXPECT_EQ(busy[0], 0xD3); // Service Unavailable
    EXPECT_EQ(receiver->Server().SessionsRefused(), 1);
    for (int fd : {a, b, c})
        close(fd);
}

TEST_F(BoundedReceiver, AnIdleSessionEndsAndItsUnfinishedObjectGoes) {
    Start(4, 200);
    int fd = ConnectTo(receiver->Port());
    ASSERT_EQ(Exchange(fd, kConnect).at(0), 0xA0);
    // PUT (not final): Name "b.gif", Body of 4000 bytes: streamed to a temporary file.
    std::vector<uint8_t> put = {0x02, 0x00, 0x00, 0x01, 0x00, 15, 0, 'b', 0, '.', 0, 'g', 0, 'i', 0, 'f', 0, 0,
                                0x48, 0x00, 0x00};
    size_t body = 4000;
    put[19] = static_cast<uint8_t>((body + 3) >> 8);
    put[20] = static_cast<uint8_t>((body + 3) & 0xFF);
    put.insert(put.end(), body, 'x');
    put[1] = static_cast<uint8_t>(put.size() >> 8);
    put[2] = static_cast<uint8_t>(put.size() & 0xFF);
    ASSERT_EQ(Exchange(fd, put).at(0), 0x90);
    ASSERT_EQ(FilesIn(m_dir).size(), 1u);
    EXPECT_EQ(FilesIn(m_dir)[0].rfind(".incoming-", 0), 0u);
    // Then silence: the receiver closes the line after its idle time-out.
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    char c;
    EXPECT_EQ(read(fd, &c, 1), 0);
    close(fd);
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

} // namespace
