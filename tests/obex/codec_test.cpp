#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "obex/codec.h"

using namespace obex;

namespace {

struct DecodeRow {
    const char* label;
    std::vector<uint8_t> bytes;
    bool response;
    bool afterConnect;
    DecodeStatus status;
    size_t consumed;
};

void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.label; }

class DecodeTable : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeTable, StatusAndConsumed) {
    const DecodeRow& row = GetParam();
    DecodeResult r = row.response ? DecodeResponse(row.bytes, row.afterConnect) : DecodeRequest(row.bytes);
    EXPECT_EQ(r.status, row.status) << r.error;
    EXPECT_EQ(r.consumed, row.consumed);
    if (r.status == DecodeStatus::Bad) {
        EXPECT_FALSE(r.error.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Packets, DecodeTable,
    ::testing::Values(
        DecodeRow{"empty input", {}, false, false, DecodeStatus::NeedMore, 0},
        DecodeRow{"code only", {0x02}, false, false, DecodeStatus::NeedMore, 0},
        DecodeRow{"connect 1.0 max 599", {0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x57}, false, false,
                  DecodeStatus::Good, 7},
        DecodeRow{"connect cut in its fields", {0x80, 0x00, 0x07, 0x10, 0x00}, false, false, DecodeStatus::NeedMore, 0},
        DecodeRow{"connect length too short for its fields", {0x80, 0x00, 0x05, 0x10, 0x00}, false, false,
                  DecodeStatus::Bad, 0},
        DecodeRow{"length below the prefix", {0x02, 0x00, 0x02}, false, false, DecodeStatus::Bad, 0},
        DecodeRow{"length promising more than arrived", {0x02, 0x00, 0x40, 0x48, 0x00, 0x03}, false, false,
                  DecodeStatus::NeedMore, 0},
        DecodeRow{"body header claiming past the packet", {0x02, 0x00, 0x08, 0x48, 0x00, 0x09, 0x41, 0x42}, false,
                  false, DecodeStatus::Bad, 0},
        DecodeRow{"body header length below its prefix", {0x02, 0x00, 0x06, 0x48, 0x00, 0x02}, false, false,
                  DecodeStatus::Bad, 0},
        DecodeRow{"header prefix cut by the packet end", {0x02, 0x00, 0x05, 0x48, 0x00}, false, false,
                  DecodeStatus::Bad, 0},
        DecodeRow{"name with an odd byte count", {0x02, 0x00, 0x09, 0x01, 0x00, 0x06, 0x00, 0x61, 0x00}, false, false,
                  DecodeStatus::Bad, 0},
        DecodeRow{"four-byte header cut", {0x02, 0x00, 0x06, 0xC3, 0x00, 0x00}, false, false, DecodeStatus::Bad, 0},
        DecodeRow{"one-byte header cut", {0x02, 0x00, 0x04, 0x93}, false, false, DecodeStatus::Bad, 0},
        DecodeRow{"second packet behind the first is left", {0x81, 0x00, 0x03, 0x81, 0x00, 0x03}, false, false,
                  DecodeStatus::Good, 3},
        DecodeRow{"continue", {0x90, 0x00, 0x03}, true, false, DecodeStatus::Good, 3},
        DecodeRow{"connect success max 1024", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x04, 0x00}, true, true,
                  DecodeStatus::Good, 7},
        DecodeRow{"connect refused without fields", {0xC3, 0x00, 0x03}, true, true, DecodeStatus::Good, 3},
        DecodeRow{"connect success without fields", {0xA0, 0x00, 0x03}, true, true, DecodeStatus::Bad, 0}));

TEST(Decode, PutFinalWithNameAndEndOfBody) {
    // PUT-final, Name "a" (terminated), End-of-Body "xy".
    const std::vector<uint8_t> bytes = {0x82, 0x00, 0x0F, 0x01, 0x00, 0x07, 0x00, 0x61,
                                        0x00, 0x00, 0x49, 0x00, 0x05, 0x78, 0x79};
    DecodeResult r = DecodeRequest(bytes);
    ASSERT_EQ(r.status, DecodeStatus::Good) << r.error;
    ASSERT_EQ(r.packet.headers.size(), 2u);
    EXPECT_EQ(r.packet.headers[0].Text(), u"a");
    EXPECT_EQ(r.packet.headers[1].id, kHdrEndOfBody);
    EXPECT_EQ(r.packet.headers[1].bytes, (std::vector<uint8_t>{'x', 'y'}));
}

TEST(Decode, HeaderQuirksThatPeersSend) {
    // A name without its terminating zero, an empty name, a Length header.
    const std::vector<uint8_t> bytes = {0x02, 0x00, 0x10, 0x01, 0x00, 0x05, 0x00, 0x61,
                                        0x01, 0x00, 0x03, 0xC3, 0x00, 0x00, 0x02, 0x57};
    DecodeResult r = DecodeRequest(bytes);
    ASSERT_EQ(r.status, DecodeStatus::Good) << r.error;
    ASSERT_EQ(r.packet.headers.size(), 3u);
    EXPECT_EQ(r.packet.headers[0].Text(), u"a");
    EXPECT_EQ(r.packet.headers[1].Text(), u"");
    EXPECT_EQ(r.packet.headers[2].value, 599u);
}

TEST(Encode, PutWithNameMatchesTheWireAndDecodesBack) {
    Packet p;
    p.code = kOpPut;
    p.headers.push_back(Header::Text(kHdrName, u"Dunmere.gif"));
    const uint8_t body[] = {'G', 'I', 'F'};
    p.headers.push_back(Header::Data(kHdrBody, body));
    std::vector<uint8_t> wire = Encode(p);
    // 3 + name (3 + 22 + 2) + body (3 + 3)
    ASSERT_EQ(wire.size(), 36u);
    EXPECT_EQ(wire[0], 0x02);
    EXPECT_EQ(wire[2], 36);
    EXPECT_EQ(wire[3], kHdrName);
    EXPECT_EQ(wire[5], 27);
    EXPECT_EQ(wire[7], 'D');
    EXPECT_EQ(wire[28], 0x00);
    EXPECT_EQ(wire[29], 0x00);
    EXPECT_EQ(wire[30], kHdrBody);
    DecodeResult r = DecodeRequest(wire);
    ASSERT_EQ(r.status, DecodeStatus::Good);
    EXPECT_EQ(r.packet, p);
}

TEST(Encode, ConnectCarriesVersionAndMaximum) {
    Packet p;
    p.code = kOpConnect;
    p.hasConnectFields = true;
    p.maxPacketLength = 599;
    EXPECT_EQ(Encode(p), (std::vector<uint8_t>{0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x57}));
}

TEST(Encode, RefusesAPacketOverTheLengthField) {
    Packet p;
    p.code = kOpPut;
    p.headers.push_back(Header::Data(kHdrBody, std::vector<uint8_t>(70000)));
    EXPECT_TRUE(Encode(p).empty());
}

TEST(Text, Utf8AndUtf16) {
    EXPECT_EQ(Utf16FromUtf8("Dunmere.gif"), std::u16string(u"Dunmere.gif"));
    EXPECT_EQ(Utf16FromUtf8("\xC3\xA9\xF0\x9F\x98\x80"), std::u16string(u"\u00E9\U0001F600"));
    EXPECT_EQ(Utf8FromUtf16(u"\u00E9\U0001F600"), std::string("\xC3\xA9\xF0\x9F\x98\x80"));
    EXPECT_FALSE(Utf16FromUtf8("\xC0\x80"));     // overlong NUL
    EXPECT_FALSE(Utf16FromUtf8("a\xE2\x82"));    // cut sequence
    EXPECT_FALSE(Utf16FromUtf8("\xED\xA0\x80")); // encoded surrogate
    EXPECT_FALSE(Utf8FromUtf16(std::u16string(1, char16_t(0xD800))));
    EXPECT_FALSE(Utf8FromUtf16(std::u16string(1, char16_t(0xDC00)) + u"a"));
    EXPECT_FALSE(Utf16FromBeBytes(std::vector<uint8_t>{0x00}));
}

} // namespace

#include "obex/client.h"

namespace {

TEST(Trace, PacketSummaryShowsTheStartAndTheSize) {
    EXPECT_EQ(obex::PacketSummary(std::vector<uint8_t>{0x90, 0x00, 0x03}), "90 00 03 (3 bytes)");
    std::vector<uint8_t> long_(20, 0xab);
    EXPECT_EQ(obex::PacketSummary(long_), "ab ab ab ab ab ab ab ab ab ab ab ab ab ab ab ab ... (20 bytes)");
}

} // namespace
