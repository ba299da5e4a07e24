#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace
