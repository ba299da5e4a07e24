#include "btstack/bluez/sdpelements.h"

#include <optional>

namespace btstack::bluez {

namespace {

enum ElementType : uint8_t {
    kNil = 0,
    kUnsigned = 1,
    kSigned = 2,
    kUuid = 3,
    kText = 4,
    kBool = 5,
    kSequence = 6,
    kAlternative = 7,
    kUrl = 8,
};

constexpr uint16_t kAttrServiceClassIdList = 0x0001;
constexpr uint16_t kAttrProtocolDescriptorList = 0x0004;
constexpr uint16_t kAttrServiceName = 0x0100; // primary language base 0x0100 + name offset 0
constexpr uint32_t kProtocolRfcomm = 0x0003;
// Records nest three or four levels; anything far deeper is hostile input that would otherwise
// run the recursion out of stack.
constexpr int kMaxDepth = 24;

// One element: its header offset and the extent of its value (or a container's body), both as
// offsets into the whole input so that errors name a byte a person can find in a hex dump.
struct Element {
    uint8_t type = 0;
    size_t offset = 0;
    size_t begin = 0;
    size_t end = 0;
};

class Reader {
public:
    Reader(std::span<const uint8_t> all, size_t begin, size_t end) : m_all(all), m_pos(begin), m_end(end) {}

    bool AtEnd() const { return m_pos >= m_end; }
    size_t Offset() const { return m_pos; }

    bool Next(Element* element, std::string* error) {
        const size_t start = m_pos;
        if (m_pos >= m_end)
            return fail(error, "element expected", start);
        const uint8_t header = m_all[m_pos++];
        const uint8_t type = header >> 3;
        const uint8_t sizeIndex = header & 0x07;
        if (type > kUrl)
            return fail(error, "unknown element type " + std::to_string(type), start);

        size_t length = 0;
        if (sizeIndex <= 4) {
            const bool allowed = (type == kNil && sizeIndex == 0) || (type == kBool && sizeIndex == 0) ||
                                 ((type == kUnsigned || type == kSigned) && sizeIndex <= 4) ||
                                 (type == kUuid && (sizeIndex == 1 || sizeIndex == 2 || sizeIndex == 4));
            if (!allowed)
                return fail(error,
                            "size index " + std::to_string(sizeIndex) + " not allowed for type " +
                                std::to_string(type),
                            start);
            length = type == kNil ? 0 : size_t{1} << sizeIndex;
        } else {
            if (type != kText && type != kSequence && type != kAlternative && type != kUrl)
                return fail(error, "length field not allowed for type " + std::to_string(type), start);
            const size_t fieldBytes = size_t{1} << (sizeIndex - 5);
            if (m_end - m_pos < fieldBytes)
                return fail(error, "truncated length field", start);
            for (size_t i = 0; i < fieldBytes; ++i)
                length = (length << 8) | m_all[m_pos++];
        }
        if (m_end - m_pos < length)
            return fail(error,
                        "element of " + std::to_string(length) + " bytes runs past the end (" +
                            std::to_string(m_end - m_pos) + " left)",
                        start);
        *element = Element{type, start, m_pos, m_pos + length};
        m_pos += length;
        return true;
    }

private:
    static bool fail(std::string* error, const std::string& what, size_t at) {
        if (error)
            *error = what + " at offset " + std::to_string(at);
        return false;
    }

    std::span<const uint8_t> m_all;
    size_t m_pos;
    size_t m_end;
};

bool isContainer(const Element& e) { return e.type == kSequence || e.type == kAlternative; }

class RecordParser {
public:
    explicit RecordParser(std::span<const uint8_t> all) : m_all(all) {}

    std::string error;

    Reader Body(const Element& e) const { return Reader(m_all, e.begin, e.end); }

    uint64_t Unsigned(const Element& e) const {
        uint64_t v = 0;
        for (size_t i = e.begin; i < e.end; ++i)
            v = (v << 8) | m_all[i];
        return v;
    }

    std::optional<GUID> Uuid(const Element& e) const {
        if (e.type != kUuid)
            return std::nullopt;
        const size_t size = e.end - e.begin;
        if (size == 2 || size == 4)
            return GuidFromShortUuid(uint32_t(Unsigned(e)));
        const uint8_t* d = m_all.data() + e.begin;
        GUID g{};
        g.Data1 = uint32_t(d[0]) << 24 | uint32_t(d[1]) << 16 | uint32_t(d[2]) << 8 | d[3];
        g.Data2 = uint16_t(d[4] << 8 | d[5]);
        g.Data3 = uint16_t(d[6] << 8 | d[7]);
        for (int i = 0; i < 8; ++i)
            g.Data4[i] = d[8 + i];
        return g;
    }

    // Every element below a container must be well formed, so that damage is reported even
    // inside an attribute this program does not use.
    bool Validate(const Element& e, int depth) {
        if (!isContainer(e))
            return true;
        if (depth > kMaxDepth) {
            error = "elements nested too deep at offset " + std::to_string(e.offset);
            return false;
        }
        Reader r = Body(e);
        while (!r.AtEnd()) {
            Element child;
            if (!r.Next(&child, &error) || !Validate(child, depth + 1))
                return false;
        }
        return true;
    }

    // A record: a sequence of (attribute id, value) pairs.
    bool Record(const Element& record, SdpRecordInfo* info) {
        if (record.type != kSequence) {
            error = "a record must be a sequence, found type " + std::to_string(record.type) + " at offset " +
                    std::to_string(record.offset);
            return false;
        }
        if (!Validate(record, 0))
            return false;
        Reader r = Body(record);
        bool seenName = false, seenClasses = false, seenProtocols = false;
        while (!r.AtEnd()) {
            Element id, value;
            r.Next(&id, &error);
            if (id.type != kUnsigned || id.end - id.begin != 2) {
                error = "attribute id must be a 16-bit unsigned integer at offset " + std::to_string(id.offset);
                return false;
            }
            if (r.AtEnd()) {
                error = "attribute " + std::to_string(Unsigned(id)) + " has no value at offset " +
                        std::to_string(r.Offset());
                return false;
            }
            r.Next(&value, &error);
            // A repeated attribute is a broken record; the first occurrence is the one used.
            switch (Unsigned(id)) {
            case kAttrServiceName:
                if (!seenName && value.type == kText)
                    info->serviceName = Text(value);
                seenName = true;
                break;
            case kAttrServiceClassIdList:
                if (!seenClasses)
                    Classes(value, &info->serviceClasses);
                seenClasses = true;
                break;
            case kAttrProtocolDescriptorList:
                if (!seenProtocols)
                    info->rfcommChannel = RfcommChannel(value, 0);
                seenProtocols = true;
                break;
            default:
                break;
            }
        }
        return true;
    }

private:
    std::string Text(const Element& e) const {
        std::string text(reinterpret_cast<const char*>(m_all.data() + e.begin), e.end - e.begin);
        // Several phones count a terminating zero byte into the name's length; the program
        // compares names as C strings, so everything from the first zero on is dropped.
        if (size_t zero = text.find('\0'); zero != std::string::npos)
            text.resize(zero);
        return text;
    }

    void Classes(const Element& list, std::vector<GUID>* classes) const {
        if (list.type != kSequence)
            return;
        Reader r = Body(list);
        Element e;
        while (!r.AtEnd() && r.Next(&e, nullptr)) {
            if (auto uuid = Uuid(e))
                classes->push_back(*uuid);
        }
    }

    // The list is a sequence of protocol descriptors (each a sequence: protocol UUID, then its
    // parameters), or an alternative of such lists; the first RFCOMM descriptor gives the channel.
    int RfcommChannel(const Element& list, int depth) const {
        if (!isContainer(list) || depth > 1)
            return -1;
        Reader r = Body(list);
        Element descriptor;
        while (!r.AtEnd() && r.Next(&descriptor, nullptr)) {
            if (list.type == kAlternative) {
                if (int channel = RfcommChannel(descriptor, depth + 1); channel >= 0)
                    return channel;
                continue;
            }
            if (descriptor.type != kSequence)
                continue;
            Reader d = Body(descriptor);
            Element protocol, parameter;
            if (d.AtEnd() || !d.Next(&protocol, nullptr))
                continue;
            auto uuid = Uuid(protocol);
            if (!uuid || !(*uuid == GuidFromShortUuid(kProtocolRfcomm)))
                continue;
            if (d.AtEnd() || !d.Next(&parameter, nullptr) || parameter.type != kUnsigned)
                return -1;
            // RFCOMM server channels are 1 to 30; any other number cannot be connected to.
            const uint64_t channel = Unsigned(parameter);
            return channel >= 1 && channel <= 30 ? int(channel) : -1;
        }
        return -1;
    }

    std::span<const uint8_t> m_all;
};

SdpParseResult failed(std::string error) {
    SdpParseResult result;
    result.error = std::move(error);
    return result;
}

} // namespace

GUID GuidFromShortUuid(uint32_t shortUuid) {
    GUID g = MakeBluetoothServiceClass(0);
    g.Data1 = shortUuid;
    return g;
}

SdpParseResult ParseSdpRecord(std::span<const uint8_t> bytes) {
    RecordParser parser(bytes);
    Reader top(bytes, 0, bytes.size());
    Element record;
    if (!top.Next(&record, &parser.error))
        return failed(parser.error);
    if (!top.AtEnd())
        return failed("unexpected bytes after the record at offset " + std::to_string(top.Offset()));
    SdpParseResult result;
    result.records.emplace_back();
    if (!parser.Record(record, &result.records.back()))
        return failed(parser.error);
    result.ok = true;
    return result;
}

SdpParseResult ParseSdpAttributeLists(std::span<const uint8_t> bytes) {
    RecordParser parser(bytes);
    Reader top(bytes, 0, bytes.size());
    Element lists;
    if (!top.Next(&lists, &parser.error))
        return failed(parser.error);
    if (lists.type != kSequence)
        return failed("attribute lists must be a sequence, found type " + std::to_string(lists.type));
    if (!top.AtEnd())
        return failed("unexpected bytes after the attribute lists at offset " + std::to_string(top.Offset()));
    SdpParseResult result;
    Reader r = parser.Body(lists);
    while (!r.AtEnd()) {
        Element record;
        SdpRecordInfo info;
        if (!r.Next(&record, &parser.error) || !parser.Record(record, &info))
            return failed(parser.error);
        result.records.push_back(std::move(info));
    }
    result.ok = true;
    return result;
}

} // namespace btstack::bluez
