#include "obex/codec.h"

#include "textcodec/textcodec.h"

#include <cstdio>

namespace obex {
namespace {

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

DecodeResult bad(std::string why) {
    DecodeResult r;
    r.status = DecodeStatus::Bad;
    r.error = std::move(why);
    return r;
}

// Common frame: code, 16-bit length covering the whole packet, fixed fields, headers.
DecodeResult decodeFrame(std::span<const uint8_t> bytes, bool connectFields, bool setPathFields) {
    if (bytes.size() < kPacketPrefix)
        return {};
    const uint16_t length = be16(&bytes[1]);
    size_t fixed = connectFields ? kConnectFields : setPathFields ? 2 : 0;
    if (length < kPacketPrefix + fixed)
        return bad("packet length " + std::to_string(length) + " is shorter than its fixed fields");
    if (bytes.size() < length)
        return {};
    DecodeResult r;
    r.packet.code = bytes[0];
    const uint8_t* p = bytes.data() + kPacketPrefix;
    if (connectFields) {
        r.packet.hasConnectFields = true;
        r.packet.version = p[0];
        r.packet.flags = p[1];
        r.packet.maxPacketLength = be16(p + 2);
    } else if (setPathFields) {
        r.packet.hasSetPathFields = true;
        r.packet.setPathFlags = p[0];
        r.packet.setPathConstants = p[1];
    }
    std::string error;
    if (!DecodeHeaders(bytes.subspan(kPacketPrefix + fixed, length - kPacketPrefix - fixed), &r.packet.headers, &error))
        return bad(error);
    r.status = DecodeStatus::Good;
    r.consumed = length;
    return r;
}

} // namespace

Header Header::Text(uint8_t id, std::u16string_view text) {
    Header h;
    h.id = id;
    h.bytes = Utf16BeBytes(text);
    return h;
}

Header Header::Data(uint8_t id, std::span<const uint8_t> data) {
    Header h;
    h.id = id;
    h.bytes.assign(data.begin(), data.end());
    return h;
}

Header Header::Number(uint8_t id, uint32_t value) {
    Header h;
    h.id = id;
    h.value = value;
    return h;
}

size_t Header::WireSize() const {
    switch (KindOf(id)) {
    case HeaderKind::Unicode:
        // An empty text goes out as the bare prefix, a non-empty one with its zero terminator.
        return kHeaderPrefix + (bytes.empty() ? 0 : bytes.size() + 2);
    case HeaderKind::Bytes:
        return kHeaderPrefix + bytes.size();
    case HeaderKind::OneByte:
        return 2;
    case HeaderKind::FourByte:
        return 5;
    }
    return 0;
}

std::u16string Header::Text() const { return Utf16FromBeBytes(bytes).value_or(std::u16string()); }

const Header* Packet::Find(uint8_t wanted) const {
    for (const Header& h : headers)
        if (h.id == wanted)
            return &h;
    return nullptr;
}

bool DecodeHeaders(std::span<const uint8_t> bytes, std::vector<Header>* headers, std::string* error) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        Header h;
        h.id = bytes[pos];
        const size_t left = bytes.size() - pos;
        char where[64];
        std::snprintf(where, sizeof where, "header 0x%02X at offset %zu", h.id, pos);
        switch (KindOf(h.id)) {
        case HeaderKind::OneByte:
            if (left < 2) {
                *error = std::string(where) + " is cut off";
                return false;
            }
            h.value = bytes[pos + 1];
            pos += 2;
            break;
        case HeaderKind::FourByte:
            if (left < 5) {
                *error = std::string(where) + " is cut off";
                return false;
            }
            h.value = be32(&bytes[pos + 1]);
            pos += 5;
            break;
        case HeaderKind::Unicode:
        case HeaderKind::Bytes: {
            if (left < kHeaderPrefix) {
                *error = std::string(where) + " is cut off";
                return false;
            }
            const uint16_t length = be16(&bytes[pos + 1]);
            if (length < kHeaderPrefix) {
                *error = std::string(where) + " claims length " + std::to_string(length);
                return false;
            }
            if (length > left) {
                *error = std::string(where) + " claims " + std::to_string(length) + " bytes, the packet has " +
                         std::to_string(left);
                return false;
            }
            auto payload = bytes.subspan(pos + kHeaderPrefix, length - kHeaderPrefix);
            if (KindOf(h.id) == HeaderKind::Unicode) {
                if (payload.size() % 2 != 0) {
                    *error = std::string(where) + " has an odd number of text bytes";
                    return false;
                }
                // The terminator is dropped; a peer that leaves it out is tolerated.
                if (payload.size() >= 2 && payload[payload.size() - 2] == 0 && payload[payload.size() - 1] == 0)
                    payload = payload.first(payload.size() - 2);
            }
            h.bytes.assign(payload.begin(), payload.end());
            pos += length;
            break;
        }
        }
        headers->push_back(std::move(h));
    }
    return true;
}

DecodeResult DecodeRequest(std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return {};
    const uint8_t code = bytes[0];
    return decodeFrame(bytes, code == kOpConnect, code == kOpSetPath);
}

DecodeResult DecodeResponse(std::span<const uint8_t> bytes, bool afterConnect) {
    if (bytes.empty())
        return {};
    // Only a successful CONNECT response is sure to carry the fields; some servers omit them
    // from refusals, so they are read when the length leaves room for them.
    bool fields = afterConnect;
    if (afterConnect && bytes.size() >= kPacketPrefix && bytes[0] != kRespSuccess &&
        be16(&bytes[1]) < kPacketPrefix + kConnectFields)
        fields = false;
    return decodeFrame(bytes, fields, false);
}

std::vector<uint8_t> Encode(const Packet& packet) {
    std::vector<uint8_t> out;
    out.push_back(packet.code);
    put16(out, 0);
    if (packet.hasConnectFields) {
        out.push_back(packet.version);
        out.push_back(packet.flags);
        put16(out, packet.maxPacketLength);
    } else if (packet.hasSetPathFields) {
        out.push_back(packet.setPathFlags);
        out.push_back(packet.setPathConstants);
    }
    for (const Header& h : packet.headers) {
        out.push_back(h.id);
        switch (KindOf(h.id)) {
        case HeaderKind::OneByte:
            out.push_back(uint8_t(h.value));
            break;
        case HeaderKind::FourByte:
            put32(out, h.value);
            break;
        case HeaderKind::Unicode:
        case HeaderKind::Bytes: {
            const size_t size = h.WireSize();
            if (size > 0xFFFF)
                return {};
            put16(out, uint16_t(size));
            out.insert(out.end(), h.bytes.begin(), h.bytes.end());
            if (KindOf(h.id) == HeaderKind::Unicode && !h.bytes.empty()) {
                out.push_back(0);
                out.push_back(0);
            }
            break;
        }
        }
    }
    if (out.size() > 0xFFFF)
        return {};
    out[1] = uint8_t(out.size() >> 8);
    out[2] = uint8_t(out.size());
    return out;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8) { return textcodec::Utf8ToUtf16(utf8); }

std::optional<std::string> Utf8FromUtf16(std::u16string_view utf16) { return textcodec::Utf16ToUtf8(utf16); }

std::vector<uint8_t> Utf16BeBytes(std::u16string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
    }
    return out;
}

std::optional<std::u16string> Utf16FromBeBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::u16string out;
    for (size_t i = 0; i < bytes.size(); i += 2)
        out.push_back(char16_t((bytes[i] << 8) | bytes[i + 1]));
    return out;
}

std::string ResponseName(uint8_t code) {
    switch (code & 0x7F) {
    case kRespContinue & 0x7F: return "Continue";
    case kRespSuccess & 0x7F: return "Success";
    case kRespCreated & 0x7F: return "Created";
    case kRespBadRequest & 0x7F: return "Bad Request";
    case kRespUnauthorized & 0x7F: return "Unauthorized";
    case kRespForbidden & 0x7F: return "Forbidden";
    case kRespNotFound & 0x7F: return "Not Found";
    case kRespNotAcceptable & 0x7F: return "Not Acceptable";
    case kRespLengthRequired & 0x7F: return "Length Required";
    case kRespEntityTooLarge & 0x7F: return "Request Entity Too Large";
    case kRespUnsupportedMediaType & 0x7F: return "Unsupported Media Type";
    case kRespInternalError & 0x7F: return "Internal Server Error";
    case kRespNotImplemented & 0x7F: return "Not Implemented";
    case kRespServiceUnavailable & 0x7F: return "Service Unavailable";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "response 0x%02X", code);
        return text;
    }
    }
}

} // namespace obex
