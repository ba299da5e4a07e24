#include "obex/client.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "textcodec/textcodec.h"

namespace obex {

const char* ClientStatusName(ClientStatus status) {
    switch (status) {
    case ClientStatus::Ok: return "ok";
    case ClientStatus::Refused: return "refused";
    case ClientStatus::Dropped: return "peer dropped the connection";
    case ClientStatus::Timeout: return "timed out";
    case ClientStatus::Interrupted: return "interrupted";
    case ClientStatus::TransportError: return "transport error";
    case ClientStatus::ProtocolError: return "protocol error";
    case ClientStatus::NotConnected: return "not connected";
    }
    return "?";
}

std::string PacketSummary(std::span<const uint8_t> packet) {
    std::string text;
    const size_t shown = std::min<size_t>(packet.size(), 16);
    for (size_t i = 0; i < shown; ++i) {
        if (i)
            text += ' ';
        // Lower case, as the debug log shows other protocol bytes.
        text += static_cast<char>(std::tolower(textcodec::HexDigit(packet[i] >> 4)));
        text += static_cast<char>(std::tolower(textcodec::HexDigit(packet[i] & 15)));
    }
    if (shown < packet.size())
        text += " ...";
    return text + " (" + std::to_string(packet.size()) + " bytes)";
}

namespace {

ClientStatus fromIo(IoStatus st) {
    switch (st) {
    case IoStatus::Ok: return ClientStatus::Ok;
    case IoStatus::Closed: return ClientStatus::Dropped;
    case IoStatus::Timeout: return ClientStatus::Timeout;
    case IoStatus::Interrupted: return ClientStatus::Interrupted;
    case IoStatus::Error: return ClientStatus::TransportError;
    }
    return ClientStatus::TransportError;
}

size_t wireSize(const std::vector<Header>& headers) {
    size_t n = 0;
    for (const Header& h : headers)
        n += h.WireSize();
    return n;
}

} // namespace

int ClientSession::msLeft(Clock::time_point responseDeadline) const {
    Clock::time_point deadline = responseDeadline;
    if (m_sessionDeadline && *m_sessionDeadline < deadline)
        deadline = *m_sessionDeadline;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(std::min<int64_t>(left, INT32_MAX)) : 0;
}

bool ClientSession::streamInStep(ClientResult* result) {
    uint8_t probe[512];
    size_t got = 0;
    std::string error;
    const IoStatus st = m_transport.Receive(probe, 0, &got, &error);
    if (st == IoStatus::Ok) {
        result->status = ClientStatus::ProtocolError;
        result->error = std::to_string(got) + (got == 1 ? " byte" : " bytes") +
                        " arrived before the request was sent; they answer no request";
        return false;
    }
    if (st == IoStatus::Closed || st == IoStatus::Error || st == IoStatus::Interrupted) {
        result->status = fromIo(st);
        result->error = error;
        return false;
    }
    return true; // Timeout: nothing waiting, as it should be
}

ClientResult ClientSession::exchange(const Packet& request, bool isConnect) {
    ClientResult result;
    std::vector<uint8_t> bytes = Encode(request);
    if (bytes.empty()) {
        result.status = ClientStatus::ProtocolError;
        result.error = "request too long to encode";
        return result;
    }
    if (m_sessionDeadline && msLeft(Clock::now() + std::chrono::milliseconds(m_timeoutMs)) == 0) {
        result.status = ClientStatus::Timeout;
        result.error = "the session ran past its limit of " + std::to_string(m_sessionLimitMs) + " ms";
        return result;
    }
    m_pending.clear();
    // Before CONNECT nothing has been asked yet, so whatever is waiting can only be its answer.
    if (!isConnect && !streamInStep(&result))
        return result;
    if (m_trace)
        m_trace(true, bytes);
    IoStatus st = m_transport.Send(bytes, msLeft(Clock::now() + std::chrono::milliseconds(m_timeoutMs)), &result.error);
    if (st != IoStatus::Ok) {
        result.status = fromIo(st);
        return result;
    }
    result.packetsSent = 1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    uint8_t buffer[4096];
    for (;;) {
        if (m_pending.size() >= kPacketPrefix) {
            const size_t stated = size_t(m_pending[1]) << 8 | m_pending[2];
            if (stated > m_ourMax) {
                result.status = ClientStatus::ProtocolError;
                result.error = "the response claims " + std::to_string(stated) + " bytes, more than the " +
                               std::to_string(m_ourMax) + " this client accepts";
                return result;
            }
        }
        DecodeResult decoded = DecodeResponse(m_pending, isConnect);
        if (decoded.status == DecodeStatus::Bad) {
            result.status = ClientStatus::ProtocolError;
            result.error = "malformed response: " + decoded.error;
            return result;
        }
        if (decoded.status == DecodeStatus::Good) {
            if (m_trace)
                m_trace(false, std::span<const uint8_t>(m_pending).first(decoded.consumed));
            // A response is exactly its stated length. Anything behind it would otherwise be
            // read as the answer to the next request, and a push the peer never stored would
            // look like a success.
            if (decoded.consumed != m_pending.size()) {
                const size_t extra = m_pending.size() - decoded.consumed;
                result.status = ClientStatus::ProtocolError;
                result.responseCode = decoded.packet.code;
                result.error = "the response was followed by " + std::to_string(extra) +
                               (extra == 1 ? " byte" : " bytes") + " that answer no request";
                return result;
            }
            m_pending.clear();
            result.responseCode = decoded.packet.code;
            result.headers = std::move(decoded.packet.headers);
            if (isConnect && decoded.packet.hasConnectFields)
                m_peerMax = decoded.packet.maxPacketLength;
            return result;
        }
        const int left = msLeft(deadline);
        size_t got = 0;
        st = left > 0 ? m_transport.Receive(buffer, left, &got, &result.error) : IoStatus::Timeout;
        if (st == IoStatus::Timeout) {
            result.status = ClientStatus::Timeout;
            result.error = m_pending.empty() ? "no response within " + std::to_string(m_timeoutMs) + " ms"
                                             : "the response was not complete within " +
                                                   std::to_string(m_timeoutMs) + " ms (" +
                                                   std::to_string(m_pending.size()) + " bytes came)";
            if (m_sessionDeadline && Clock::now() >= *m_sessionDeadline)
                result.error = "the session ran past its limit of " + std::to_string(m_sessionLimitMs) + " ms";
            return result;
        }
        if (st != IoStatus::Ok) {
            result.status = fromIo(st);
            if (st == IoStatus::Closed && !m_pending.empty())
                result.error = "peer closed the connection in the middle of a response";
            return result;
        }
        m_pending.insert(m_pending.end(), buffer, buffer + got);
    }
}

ClientResult ClientSession::Connect(uint16_t ourMaxPacketLength, const std::vector<Header>& headers) {
    Packet request;
    request.code = kOpConnect;
    request.hasConnectFields = true;
    request.version = kObexVersion10;
    request.flags = 0;
    request.maxPacketLength = ourMaxPacketLength;
    request.headers = headers;
    m_pending.clear();
    m_connectionId.clear();
    m_ourMax = ourMaxPacketLength;
    m_sessionDeadline.reset();
    if (m_sessionLimitMs > 0)
        m_sessionDeadline = Clock::now() + std::chrono::milliseconds(m_sessionLimitMs);
    ClientResult result = exchange(request, true);
    if (!result.ok())
        return result;
    if (result.responseCode != kRespSuccess) {
        result.status = ClientStatus::Refused;
        result.error = "CONNECT refused: " + ResponseName(result.responseCode);
        return result;
    }
    for (const Header& h : result.headers)
        if (h.id == kHdrConnectionId)
            m_connectionId = {h};
    m_connected = true;
    return result;
}

ClientResult ClientSession::Put(const std::vector<Header>& headers, std::span<const uint8_t> body, bool final) {
    ClientResult result;
    if (!m_connected) {
        result.status = ClientStatus::NotConnected;
        result.error = "no OBEX session";
        return result;
    }
    std::vector<Header> first = m_connectionId;
    for (const Header& h : headers)
        if (h.id != kHdrBody && h.id != kHdrEndOfBody && h.id != kHdrConnectionId)
            first.push_back(h);
    const size_t idSize = wireSize(m_connectionId);
    // A peer announcing a maximum below what one body byte needs beside the headers would
    // otherwise get empty PUTs for ever.
    if (kPacketPrefix + wireSize(first) + kHeaderPrefix > m_peerMax ||
        (!body.empty() && kPacketPrefix + idSize + kHeaderPrefix >= m_peerMax)) {
        result.status = ClientStatus::ProtocolError;
        result.error = "the headers do not fit the peer's maximum packet of " + std::to_string(m_peerMax) + " bytes";
        return result;
    }
    size_t offset = 0;
    bool firstPacket = true;
    for (;;) {
        Packet request;
        request.headers = firstPacket ? first : m_connectionId;
        const size_t used = kPacketPrefix + (firstPacket ? wireSize(first) : idSize) + kHeaderPrefix;
        const size_t room = m_peerMax - used;
        const size_t take = std::min(room, body.size() - offset);
        const bool lastOfChunk = offset + take == body.size();
        const bool endOfObject = final && lastOfChunk;
        request.code = endOfObject ? kOpPutFinal : kOpPut;
        request.headers.push_back(Header::Data(endOfObject ? kHdrEndOfBody : kHdrBody, body.subspan(offset, take)));
        ClientResult step = exchange(request, false);
        result.packetsSent += step.packetsSent;
        result.responseCode = step.responseCode;
        result.headers = std::move(step.headers);
        if (!step.ok()) {
            result.status = step.status;
            result.error = step.error;
            return result;
        }
        const bool expectedCode = endOfObject ? (step.responseCode == kRespSuccess || step.responseCode == kRespCreated)
                                              : step.responseCode == kRespContinue;
        if (!expectedCode) {
            result.status = ClientStatus::Refused;
            result.error = "PUT refused: " + ResponseName(step.responseCode);
            return result;
        }
        offset += take;
        firstPacket = false;
        if (lastOfChunk)
            return result;
    }
}

ClientResult ClientSession::Disconnect(const std::vector<Header>& headers) {
    ClientResult result;
    if (!m_connected) {
        result.status = ClientStatus::NotConnected;
        result.error = "no OBEX session";
        return result;
    }
    Packet request;
    request.code = kOpDisconnect;
    request.headers = m_connectionId;
    request.headers.insert(request.headers.end(), headers.begin(), headers.end());
    m_connected = false;
    result = exchange(request, false);
    if (result.ok() && result.responseCode != kRespSuccess) {
        result.status = ClientStatus::Refused;
        result.error = "DISCONNECT answered with " + ResponseName(result.responseCode);
    }
    return result;
}

} // namespace obex
