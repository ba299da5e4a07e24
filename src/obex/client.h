#pragma once
// The client side of an OBEX session over a transport, one blocking request at a time. The
// caller decides the threads; nothing here starts one.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "obex/codec.h"
#include "obex/transport.h"

namespace obex {

enum class ClientStatus {
    Ok,
    Refused,      // the peer answered with a code other than the expected one
    Dropped,      // the peer closed the connection
    Timeout,
    Interrupted,
    TransportError,
    ProtocolError, // a malformed response, or a request that cannot fit the peer's maximum
    NotConnected,
};

struct ClientResult {
    ClientStatus status = ClientStatus::Ok;
    uint8_t responseCode = 0; // 0 when no response arrived
    std::vector<Header> headers;
    std::string error;
    int packetsSent = 0;
    bool ok() const { return status == ClientStatus::Ok; }
};

class ClientSession {
public:
    explicit ClientSession(Transport& transport) : m_transport(transport) {}

    // How long one whole response may take to arrive, from the end of its request: a peer that
    // trickles a response a byte at a time does not restart the clock with every byte.
    void SetResponseTimeout(int ms) { m_timeoutMs = ms; }
    // How long the whole session may take, from Connect on (no limit unless set); a request
    // that would run past it ends as Timeout.
    void SetSessionLimit(int ms) { m_sessionLimitMs = ms; }
    // Sees every whole packet sent (true) and received (false), for the debug log.
    using Trace = std::function<void(bool sent, std::span<const uint8_t> packet)>;
    void SetTrace(Trace trace) { m_trace = std::move(trace); }

    // CONNECT with OBEX 1.0 and our maximum packet length; on success the peer's maximum is
    // kept (and its Connection Id, echoed in every later request).
    ClientResult Connect(uint16_t ourMaxPacketLength, const std::vector<Header>& headers);
    // One chunk of a PUT operation. The non-body headers go into the chunk's first packet; the
    // body is split over as many packets as the peer's maximum needs. Every packet but the last
    // of a final chunk expects Continue; that last one is PUT-final with End-of-Body and
    // expects Success (Created is accepted too).
    ClientResult Put(const std::vector<Header>& headers, std::span<const uint8_t> body, bool final);
    ClientResult Disconnect(const std::vector<Header>& headers);

    bool Connected() const { return m_connected; }
    uint16_t PeerMaxPacketLength() const { return m_peerMax; }

private:
    using Clock = std::chrono::steady_clock;
    ClientResult exchange(const Packet& request, bool isConnect);
    // Milliseconds left before the response deadline (or the session's, if earlier); 0 when
    // they have passed.
    int msLeft(Clock::time_point responseDeadline) const;
    // Bytes that arrived while no request was outstanding answer nothing: the stream is out of
    // step with its requests.
    bool streamInStep(ClientResult* result);

    Transport& m_transport;
    int m_timeoutMs = 15000;
    int m_sessionLimitMs = 0;
    std::optional<Clock::time_point> m_sessionDeadline;
    uint16_t m_ourMax = 0xFFFF; // what we announced in CONNECT; no response may be longer
    Trace m_trace;
    bool m_connected = false;
    uint16_t m_peerMax = kMinPacketLength;
    std::vector<Header> m_connectionId; // empty or one Connection Id header
    std::vector<uint8_t> m_pending;     // the response received so far
};

const char* ClientStatusName(ClientStatus status);
// "02 00 24 01 00 1b ... (36 bytes)": the first bytes of a packet, for logs.
std::string PacketSummary(std::span<const uint8_t> packet);

} // namespace obex
