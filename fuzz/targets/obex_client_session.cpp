// The OBEX client over whole exchanges: CONNECT, a PUT of several packets and DISCONNECT
// against a peer whose every reply comes from the input, delivered in pieces of any size. The
// client must never send a packet longer than the peer's announced maximum, and a refusal or a
// malformed reply ends the operation with a reason rather than a hang.
#include "fuzzinput.h"
#include "obex/client.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A peer that answers from the input: first byte of each piece is its size (1-64 bytes).
class ScriptedPeer : public obex::Transport {
public:
    ScriptedPeer(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    obex::IoStatus Send(std::span<const uint8_t>, int, std::string*) override { return obex::IoStatus::Ok; }
    obex::IoStatus Receive(std::span<uint8_t> buffer, int, size_t* received, std::string*) override {
        if (m_at >= m_size)
            return obex::IoStatus::Closed;
        const size_t piece = std::min<size_t>({size_t(m_data[m_at++] % 64) + 1, m_size - m_at, buffer.size()});
        if (piece == 0)
            return obex::IoStatus::Closed;
        std::memcpy(buffer.data(), m_data + m_at, piece);
        m_at += piece;
        *received = piece;
        return obex::IoStatus::Ok;
    }
    void Interrupt() override {}

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy(data, data + size); // exact size, so ASan sees over-reads
    ScriptedPeer peer(copy.data(), copy.size());
    obex::ClientSession session(peer);
    session.SetResponseTimeout(10);
    size_t longest = 0;
    session.SetTrace([&](bool sent, std::span<const uint8_t> packet) {
        if (sent && session.Connected())
            longest = std::max(longest, packet.size());
    });
    const std::vector<uint8_t> body(1500, 0x5a);
    // A refusal or a malformed reply carries its own sentence; a transport status names itself.
    auto saysWhy = [](const obex::ClientResult& r) {
        return (r.status != obex::ClientStatus::Refused && r.status != obex::ClientStatus::ProtocolError) ||
               !r.error.empty();
    };
    obex::ClientResult connect = session.Connect(599, {});
    FUZZ_CHECK(saysWhy(connect), "a refused or malformed connect reply says why");
    if (!connect.ok())
        return 0;
    const uint16_t peerMax = session.PeerMaxPacketLength();
    obex::ClientResult put = session.Put({obex::Header::Text(0x01, u"Dunmere.gif")}, body, true);
    FUZZ_CHECK(saysWhy(put), "a refused or malformed put reply says why");
    FUZZ_CHECK(longest <= peerMax, "no packet longer than the peer's maximum");
    if (put.ok())
        session.Disconnect({});
    return 0;
}
