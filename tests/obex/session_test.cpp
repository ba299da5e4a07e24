#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>

#include <stdlib.h>
#include <unistd.h>

#include "obex/client.h"
#include "obex/pushserver.h"
#include "obex/transport.h"

using namespace obex;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "harlune-obex-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = uint8_t((i * 7 + i / 251) & 0xFF);
    return data;
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Remembers the size of every packet the client writes (each Send is one whole packet).
class RecordingTransport : public Transport {
public:
    explicit RecordingTransport(Transport& inner) : m_inner(inner) {}
    IoStatus Send(std::span<const uint8_t> bytes, int timeoutMs, std::string* error) override {
        sizes.push_back(bytes.size());
        return m_inner.Send(bytes, timeoutMs, error);
    }
    IoStatus Receive(std::span<uint8_t> buffer, int timeoutMs, size_t* received, std::string* error) override {
        return m_inner.Receive(buffer, timeoutMs, received, error);
    }
    void Interrupt() override { m_inner.Interrupt(); }
    std::vector<size_t> sizes;

private:
    Transport& m_inner;
};

struct Fixture {
    explicit Fixture(PushServerOptions options) {
        options.folder = (dir.path / "received").string();
        server = std::make_unique<PushServer>(options);
        int serverFd = -1;
        std::string error;
        EXPECT_TRUE(MakeSocketPair(&transport, &serverFd, &error)) << error;
        EXPECT_TRUE(server->Serve(serverFd, &error)) << error;
        recorder = std::make_unique<RecordingTransport>(*transport);
        client = std::make_unique<ClientSession>(*recorder);
        client->SetResponseTimeout(60000); // a drop must be seen as a drop, not by waiting
    }
    TempDir dir;
    std::unique_ptr<PushServer> server;
    std::unique_ptr<FdTransport> transport;
    std::unique_ptr<RecordingTransport> recorder;
    std::unique_ptr<ClientSession> client;
};

std::vector<Header> named(std::u16string name) { return {Header::Text(kHdrName, name)}; }

TEST(ClientAgainstReceiver, ChunkLargerThanPeerMaximumGoesOutInSeveralPackets) {
    PushServerOptions options;
    options.maxPacketLength = 255;
    Fixture f(options);
    ASSERT_TRUE(f.client->Connect(599, {}).ok());
    EXPECT_EQ(f.client->PeerMaxPacketLength(), 255);
    const std::vector<uint8_t> data = pattern(599);
    ClientResult r = f.client->Put(named(u"Dunmere.gif"), data, true);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.responseCode, kRespSuccess);
    EXPECT_EQ(r.packetsSent, 3); // 222 + 249 + 128 body bytes
    EXPECT_TRUE(std::all_of(f.recorder->sizes.begin(), f.recorder->sizes.end(), [](size_t n) { return n <= 255; }));
    ASSERT_TRUE(f.client->Disconnect({}).ok());
    f.server->Wait();
    EXPECT_EQ(f.server->PutRequests(), 3);
    EXPECT_EQ(readFile(f.dir.path / "received" / "Dunmere.gif"), data);
}

TEST(ClientAgainstReceiver, RefusalCodeReachesTheCaller) {
    PushServerOptions options;
    options.refuseWith = kRespForbidden;
    Fixture f(options);
    ASSERT_TRUE(f.client->Connect(599, {}).ok());
    ClientResult r = f.client->Put(named(u"Dunmere.gif"), pattern(10), true);
    EXPECT_EQ(r.status, ClientStatus::Refused);
    EXPECT_EQ(r.responseCode, kRespForbidden);
    EXPECT_FALSE(fs::exists(f.dir.path / "received" / "Dunmere.gif"));
}

TEST(ClientAgainstReceiver, PeerDroppingMidPutIsAnErrorNotAWait) {
    PushServerOptions options;
    options.dropOnPut = 2;
    Fixture f(options);
    ASSERT_TRUE(f.client->Connect(599, {}).ok());
    EXPECT_TRUE(f.client->Put(named(u"Dunmere.gif"), pattern(599), false).ok());
    ClientResult r = f.client->Put(named(u"Dunmere.gif"), pattern(599), false);
    EXPECT_EQ(r.status, ClientStatus::Dropped) << r.error;
    EXPECT_EQ(f.client->Put(named(u"Dunmere.gif"), pattern(1), true).status, ClientStatus::Dropped);
    EXPECT_FALSE(fs::exists(f.dir.path / "received" / "Dunmere.gif"));
}

TEST(ClientAgainstReceiver, ObjectOverTheLimitIsRefusedAndNotStored) {
    PushServerOptions options;
    options.maxObjectSize = 1000;
    Fixture f(options);
    ASSERT_TRUE(f.client->Connect(599, {}).ok());
    EXPECT_TRUE(f.client->Put(named(u"big"), pattern(599), false).ok());
    ClientResult r = f.client->Put(named(u"big"), pattern(599), true);
    EXPECT_EQ(r.responseCode, kRespEntityTooLarge);
    EXPECT_FALSE(fs::exists(f.dir.path / "received" / "big"));
}

TEST(ClientAgainstReceiver, SilentPeerTimesOut) {
    std::unique_ptr<FdTransport> transport;
    int other = -1;
    std::string error;
    ASSERT_TRUE(MakeSocketPair(&transport, &other, &error));
    ClientSession client(*transport);
    client.SetResponseTimeout(100);
    EXPECT_EQ(client.Connect(599, {}).status, ClientStatus::Timeout);
    ::close(other);
}

TEST(ClientAgainstReceiver, MalformedResponseIsAProtocolError) {
    std::unique_ptr<FdTransport> transport;
    int other = -1;
    std::string error;
    ASSERT_TRUE(MakeSocketPair(&transport, &other, &error));
    const uint8_t garbage[] = {0xA0, 0x00, 0x02};
    ASSERT_EQ(::write(other, garbage, sizeof garbage), 3);
    ClientSession client(*transport);
    EXPECT_EQ(client.Connect(599, {}).status, ClientStatus::ProtocolError);
    ::close(other);
}

TEST(ClientAgainstReceiver, PeerMaximumTooSmallForAnyBodyIsAnError) {
    std::unique_ptr<FdTransport> transport;
    int other = -1;
    std::string error;
    ASSERT_TRUE(MakeSocketPair(&transport, &other, &error));
    const uint8_t connected[] = {0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0x06}; // maximum packet: 6 bytes
    ASSERT_EQ(::write(other, connected, sizeof connected), 7);
    ClientSession client(*transport);
    ASSERT_TRUE(client.Connect(599, {}).ok());
    EXPECT_EQ(client.Put({}, pattern(10), true).status, ClientStatus::ProtocolError);
    ::close(other);
}

// A hostile peer on the far end of a socket pair: it writes what the test tells it, when the
// test tells it, whatever the client asked.
struct HostilePeer {
    HostilePeer() {
        std::string error;
        EXPECT_TRUE(MakeSocketPair(&transport, &fd, &error)) << error;
        client = std::make_unique<ClientSession>(*transport);
    }
    ~HostilePeer() {
        if (trickler.joinable())
            trickler.join();
        ::close(fd);
    }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    std::unique_ptr<FdTransport> transport;
    int fd = -1;
    std::unique_ptr<ClientSession> client;
    std::thread trickler;
};

const std::vector<uint8_t> kConnectOk = {0xA0, 0x00, 0x07, 0x10, 0x00, 0x02, 0x57}; // maximum 599
const std::vector<uint8_t> kSuccess = {0xA0, 0x00, 0x03};

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(HostilePeer, TrickledResponseEndsAtTheWholeResponseLimit) {
    HostilePeer peer;
    // Each byte comes well inside the limit; the whole response does not.
    const std::vector<uint8_t> response = kConnectOk + std::vector<uint8_t>{0xCB, 0, 0, 0, 1};
    const std::vector<uint8_t> sized = [&] {
        std::vector<uint8_t> r = response;
        r[2] = uint8_t(r.size());
        return r;
    }();
    peer.trickler = std::thread([fd = peer.fd, sized] {
        for (uint8_t byte : sized) {
            if (::send(fd, &byte, 1, MSG_NOSIGNAL) != 1)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    });
    peer.client->SetResponseTimeout(150);
    ClientResult r = peer.client->Connect(599, {});
    EXPECT_EQ(r.status, ClientStatus::Timeout) << r.error;
    EXPECT_NE(r.error.find("not complete"), std::string::npos) << r.error;
}

TEST(HostilePeer, SessionLimitEndsAPeerThatAnswersJustInTime) {
    HostilePeer peer;
    peer.client->SetSessionLimit(100);
    peer.client->SetResponseTimeout(60000);
    peer.Write(kConnectOk);
    ASSERT_TRUE(peer.client->Connect(599, {}).ok());
    ClientResult r = peer.client->Put(named(u"x"), pattern(10), true); // never answered
    EXPECT_EQ(r.status, ClientStatus::Timeout);
    EXPECT_NE(r.error.find("limit"), std::string::npos) << r.error;
}

TEST(HostilePeer, BytesBehindAResponseAreAProtocolErrorNotTheNextAnswer) {
    {
        HostilePeer peer; // in the same write as the CONNECT response
        peer.Write(kConnectOk + kSuccess);
        ClientResult r = peer.client->Connect(599, {});
        EXPECT_EQ(r.status, ClientStatus::ProtocolError);
        EXPECT_NE(r.error.find("3 bytes"), std::string::npos) << r.error;
    }
    {
        HostilePeer peer; // arriving before the PUT that they would seem to answer
        peer.Write(kConnectOk);
        ASSERT_TRUE(peer.client->Connect(599, {}).ok());
        peer.Write(kSuccess);
        ClientResult r = peer.client->Put(named(u"Dunmere.gif"), pattern(10), true);
        EXPECT_EQ(r.status, ClientStatus::ProtocolError) << r.error;
        EXPECT_EQ(r.packetsSent, 0) << "the PUT must not go out on a stream that is out of step";
    }
}

TEST(HostilePeer, ResponseLongerThanOurMaximumIsRefusedFromItsLength) {
    HostilePeer peer;
    peer.Write({0xA0, 0x02, 0xBC, 0x10, 0x00, 0x02, 0x57}); // claims 700 bytes; 599 were offered
    ClientResult r = peer.client->Connect(599, {});
    EXPECT_EQ(r.status, ClientStatus::ProtocolError);
    EXPECT_NE(r.error.find("700"), std::string::npos) << r.error;
}


struct UnsafeName {
    const char* label;
    std::u16string name;
};

class UnsafeNames : public ::testing::TestWithParam<UnsafeName> {};

// CTest names carry the label: the names themselves hold slashes, a line break and a zero.
void PrintTo(const UnsafeName& row, std::ostream* os) { *os << row.label; }

TEST_P(UnsafeNames, AreRefusedAndNothingLeavesTheFolder) {
    Fixture f(PushServerOptions{});
    ASSERT_TRUE(f.client->Connect(599, {}).ok());
    ClientResult r = f.client->Put(named(GetParam().name), pattern(5), true);
    EXPECT_EQ(r.status, ClientStatus::Refused);
    EXPECT_EQ(r.responseCode, kRespForbidden);
    EXPECT_FALSE(fs::exists(f.dir.path / "evil"));
    EXPECT_TRUE(!fs::exists(f.dir.path / "received") || fs::is_empty(f.dir.path / "received"));
}

INSTANTIATE_TEST_SUITE_P(
    Receiver, UnsafeNames,
    ::testing::Values(UnsafeName{"parent", u"../evil"}, UnsafeName{"dotdot", u".."}, UnsafeName{"dot", u"."},
                      UnsafeName{"empty", u""}, UnsafeName{"subfolder", u"sub/evil"},
                      UnsafeName{"backslash_parent", u"..\\evil"}, UnsafeName{"absolute", u"/tmp/evil"},
                      UnsafeName{"hidden", u".hidden"}, UnsafeName{"line_break", u"a\nb"},
                      UnsafeName{"zero_inside", std::u16string(u"a\0b", 3)}),
    [](const ::testing::TestParamInfo<UnsafeName>& info) { return std::string(info.param.label); });

Packet request(uint8_t code, std::vector<Header> headers = {}) {
    Packet p;
    p.code = code;
    p.hasConnectFields = code == kOpConnect;
    p.maxPacketLength = 599;
    p.headers = std::move(headers);
    return p;
}

uint8_t codeOf(const PushSession::Reply& reply) { return reply.bytes.empty() ? 0 : reply.bytes[0]; }

TEST(PushSession, AnswersOutsideThePushPath) {
    TempDir dir;
    PushServerOptions options;
    options.folder = dir.path.string();
    PushSession session(options);
    EXPECT_EQ(codeOf(session.Handle(request(kOpPutFinal, named(u"x")))), kRespBadRequest) << "PUT before CONNECT";
    EXPECT_EQ(codeOf(session.Handle(request(kOpConnect))), kRespSuccess);
    EXPECT_EQ(codeOf(session.Handle(request(kOpPutFinal, named(u"x")))), kRespNotImplemented) << "delete";
    EXPECT_EQ(codeOf(session.Handle(request(kOpGetFinal))), kRespNotImplemented);
    EXPECT_EQ(codeOf(session.Handle(request(kOpPutFinal, {Header::Data(kHdrEndOfBody, pattern(3))}))),
              kRespBadRequest)
        << "no name";
    EXPECT_EQ(codeOf(session.Handle(request(kOpPut, named(u"x")))), kRespContinue);
    EXPECT_EQ(codeOf(session.Handle(request(kOpAbort))), kRespSuccess);
    PushSession::Reply bye = session.Handle(request(kOpDisconnect));
    EXPECT_EQ(codeOf(bye), kRespSuccess);
    EXPECT_TRUE(bye.endSession);
    EXPECT_TRUE(session.Received().empty());
}

} // namespace
