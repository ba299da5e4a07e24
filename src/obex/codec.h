#pragma once
// OBEX packets as values, and the pure encoder/decoder between them and bytes. No I/O here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace obex {

enum Opcode : uint8_t {
    kOpConnect = 0x80,
    kOpDisconnect = 0x81,
    kOpPut = 0x02,
    kOpPutFinal = 0x82,
    kOpGet = 0x03,
    kOpGetFinal = 0x83,
    kOpSetPath = 0x85,
    kOpAbort = 0xFF,
};

enum ResponseCode : uint8_t {
    kRespContinue = 0x90,
    kRespSuccess = 0xA0,
    kRespCreated = 0xA1,
    kRespBadRequest = 0xC0,
    kRespUnauthorized = 0xC1,
    kRespForbidden = 0xC3,
    kRespNotFound = 0xC4,
    kRespNotAcceptable = 0xC6,
    kRespLengthRequired = 0xCB,
    kRespEntityTooLarge = 0xCD,
    kRespUnsupportedMediaType = 0xCF,
    kRespInternalError = 0xD0,
    kRespNotImplemented = 0xD1,
    kRespServiceUnavailable = 0xD3,
};

// The high bit of an opcode or response code is the "final" bit.
constexpr uint8_t kFinalBit = 0x80;

enum HeaderId : uint8_t {
    kHdrName = 0x01,        // UTF-16BE text, zero-terminated
    kHdrDescription = 0x05, // UTF-16BE text, zero-terminated
    kHdrType = 0x42,        // bytes (ASCII, zero-terminated)
    kHdrTarget = 0x46,
    kHdrBody = 0x48,
    kHdrEndOfBody = 0x49,
    kHdrWho = 0x4A,
    kHdrLength = 0xC3,      // 4-byte unsigned
    kHdrConnectionId = 0xCB,
};

// The two high bits of a header id give its encoding.
enum class HeaderKind : uint8_t { Unicode = 0x00, Bytes = 0x40, OneByte = 0x80, FourByte = 0xC0 };
constexpr HeaderKind KindOf(uint8_t id) { return static_cast<HeaderKind>(id & 0xC0); }

constexpr uint8_t kObexVersion10 = 0x10;
constexpr uint16_t kMinPacketLength = 255; // the smallest maximum a peer may announce
constexpr size_t kPacketPrefix = 3;        // code + 16-bit length
constexpr size_t kHeaderPrefix = 3;        // id + 16-bit length (Unicode and Bytes headers)
constexpr size_t kConnectFields = 4;       // version, flags, 16-bit maximum packet length

struct Header {
    uint8_t id = 0;
    // Unicode headers: the UTF-16BE bytes without the terminating zero. Bytes headers: the bytes.
    std::vector<uint8_t> bytes;
    // OneByte and FourByte headers.
    uint32_t value = 0;

    static Header Text(uint8_t id, std::u16string_view text);
    static Header Data(uint8_t id, std::span<const uint8_t> data);
    static Header Number(uint8_t id, uint32_t value);

    // Encoded size on the wire.
    size_t WireSize() const;
    // The text of a Unicode header.
    std::u16string Text() const;
    bool operator==(const Header&) const = default;
};

struct Packet {
    uint8_t code = 0; // opcode or response code
    // CONNECT requests and the responses to them carry these before the headers.
    bool hasConnectFields = false;
    uint8_t version = kObexVersion10;
    uint8_t flags = 0;
    uint16_t maxPacketLength = 0;
    // SETPATH requests carry flags and a constants byte.
    bool hasSetPathFields = false;
    uint8_t setPathFlags = 0;
    uint8_t setPathConstants = 0;
    std::vector<Header> headers;

    const Header* Find(uint8_t id) const;
    bool operator==(const Packet&) const = default;
};

enum class DecodeStatus { Good, Bad, NeedMore };

struct DecodeResult {
    DecodeStatus status = DecodeStatus::NeedMore;
    size_t consumed = 0;    // bytes of one whole packet when Good; 0 otherwise
    Packet packet;
    std::string error;      // what is wrong when Bad
};

// A request from a client. The opcode decides whether CONNECT/SETPATH fields follow.
DecodeResult DecodeRequest(std::span<const uint8_t> bytes);
// A response from a server; afterConnect says the request was CONNECT (its fields follow).
DecodeResult DecodeResponse(std::span<const uint8_t> bytes, bool afterConnect);
// The headers area alone (used by both decoders).
bool DecodeHeaders(std::span<const uint8_t> bytes, std::vector<Header>* headers, std::string* error);

// Encodes a packet. Empty when it would exceed 65535 bytes or a header is too long.
std::vector<uint8_t> Encode(const Packet& packet);

// Text conversions for the Unicode headers. Both fail (nullopt) on ill-formed input: unpaired
// surrogates, invalid UTF-8, odd byte counts.
std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8);
std::optional<std::string> Utf8FromUtf16(std::u16string_view utf16);
std::vector<uint8_t> Utf16BeBytes(std::u16string_view text);
std::optional<std::u16string> Utf16FromBeBytes(std::span<const uint8_t> bytes);

// "Success", "Forbidden", ... or "response 0xNN".
std::string ResponseName(uint8_t code);

} // namespace obex
