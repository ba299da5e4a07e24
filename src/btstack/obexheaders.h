#pragma once
// The headers of one OBEX request (or of a response handed to a completion).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "obex/codec.h"

class CObexHeaders {
public:
    CObexHeaders() = default;
    virtual ~CObexHeaders() = default;

    // Texts are UTF-16; a null pointer clears the header. Results: true (kept for callers that
    // test them).
    bool SetName(const char16_t* name);
    bool SetName(std::u16string_view name);
    bool SetDescription(const char16_t* description);
    bool SetDescription(std::u16string_view description);
    // The bytes are copied, so the caller may free its buffer as soon as this returns. Whether
    // the body goes out as Body or End-of-Body is decided by the final flag of Put, which wins
    // over the one given here.
    bool SetBody(const uint8_t* data, uint32_t length, bool final);
    bool SetLength(uint32_t length);
    bool SetType(std::string_view mimeType);

    std::optional<std::u16string> GetName() const { return m_name; }
    std::optional<std::u16string> GetDescription() const { return m_description; }
    const std::vector<uint8_t>& GetBody() const { return m_body; }
    bool HasBody() const { return m_hasBody; }
    bool BodyFinal() const { return m_bodyFinal; }
    std::optional<uint32_t> GetLength() const { return m_length; }

    // Every header except the body, in the order they go on the wire.
    std::vector<obex::Header> NonBodyHeaders() const;
    // Filled from a received packet (response headers handed to completions).
    static CObexHeaders FromPacketHeaders(const std::vector<obex::Header>& headers);

private:
    std::optional<std::u16string> m_name;
    std::optional<std::u16string> m_description;
    std::optional<std::string> m_type;
    std::optional<uint32_t> m_length;
    std::vector<uint8_t> m_body;
    bool m_hasBody = false;
    bool m_bodyFinal = false;
    std::vector<obex::Header> m_other; // headers of a received packet that have no field here
};
