#include "btstack/obexheaders.h"

bool CObexHeaders::SetName(const char16_t* name) {
    if (!name) {
        m_name.reset();
        return true;
    }
    return SetName(std::u16string_view(name));
}

bool CObexHeaders::SetName(std::u16string_view name) {
    m_name = std::u16string(name);
    return true;
}

bool CObexHeaders::SetDescription(const char16_t* description) {
    if (!description) {
        m_description.reset();
        return true;
    }
    return SetDescription(std::u16string_view(description));
}

bool CObexHeaders::SetDescription(std::u16string_view description) {
    m_description = std::u16string(description);
    return true;
}

bool CObexHeaders::SetBody(const uint8_t* data, uint32_t length, bool final) {
    if (!data && length > 0)
        return false;
    m_body.assign(data, data + length);
    m_hasBody = true;
    m_bodyFinal = final;
    return true;
}

bool CObexHeaders::SetLength(uint32_t length) {
    m_length = length;
    return true;
}

bool CObexHeaders::SetType(std::string_view mimeType) {
    m_type = std::string(mimeType);
    return true;
}

std::vector<obex::Header> CObexHeaders::NonBodyHeaders() const {
    std::vector<obex::Header> headers;
    if (m_name)
        headers.push_back(obex::Header::Text(obex::kHdrName, *m_name));
    if (m_type) {
        // Type is ASCII with its terminating zero on the wire.
        std::vector<uint8_t> bytes(m_type->begin(), m_type->end());
        bytes.push_back(0);
        headers.push_back(obex::Header::Data(obex::kHdrType, bytes));
    }
    if (m_length)
        headers.push_back(obex::Header::Number(obex::kHdrLength, *m_length));
    if (m_description)
        headers.push_back(obex::Header::Text(obex::kHdrDescription, *m_description));
    headers.insert(headers.end(), m_other.begin(), m_other.end());
    return headers;
}

CObexHeaders CObexHeaders::FromPacketHeaders(const std::vector<obex::Header>& headers) {
    CObexHeaders result;
    for (const obex::Header& h : headers) {
        switch (h.id) {
        case obex::kHdrName:
            result.m_name = h.Text();
            break;
        case obex::kHdrDescription:
            result.m_description = h.Text();
            break;
        case obex::kHdrLength:
            result.m_length = h.value;
            break;
        case obex::kHdrBody:
        case obex::kHdrEndOfBody:
            result.m_body.insert(result.m_body.end(), h.bytes.begin(), h.bytes.end());
            result.m_hasBody = true;
            result.m_bodyFinal = h.id == obex::kHdrEndOfBody;
            break;
        default:
            result.m_other.push_back(h);
            break;
        }
    }
    return result;
}
