// The SDP record reader on recorded record bytes (parsed by libbluetooth, as the search does),
// and on a record built with libbluetooth.
#include <gtest/gtest.h>

#include <ostream>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "btstack/bluez/sdpelements.h"
#include "btstack/bluez/sdpsearch.h"

using namespace btstack::bluez;
using Bytes = std::vector<uint8_t>;

namespace {

// Serial port record of a phone of the family: handle, class list, L2CAP + RFCOMM channel 1,
// name "Serial Port" at 0x0100.
const Bytes kSerialPort = {
    0x35, 0x31,                                           // record: sequence, 49 bytes
    0x09, 0x00, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x01,       // 0x0000 handle 0x00010001
    0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01,       // 0x0001 classes: 0x1101
    0x09, 0x00, 0x04, 0x35, 0x0c,                         // 0x0004 protocol list
    0x35, 0x03, 0x19, 0x01, 0x00,                         //   L2CAP
    0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x01,             //   RFCOMM, channel 1
    0x09, 0x01, 0x00, 0x25, 0x0b, 'S', 'e', 'r', 'i', 'a', 'l', ' ', 'P', 'o', 'r', 't',
};

// Object push record with the name's terminating zero counted into its length (as several
// phones send it), a profile list and a supported-formats list between the attributes we read.
const Bytes kObjectPushZeroTerminated = {
    0x35, 0x50,
    0x09, 0x00, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x03,
    0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x05,
    0x09, 0x00, 0x04, 0x35, 0x11,
    0x35, 0x03, 0x19, 0x01, 0x00,
    0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x0a,             //   RFCOMM channel 10
    0x35, 0x03, 0x19, 0x00, 0x08,                         //   OBEX
    0x09, 0x00, 0x09, 0x35, 0x08, 0x35, 0x06, 0x19, 0x11, 0x05, 0x09, 0x01, 0x00,
    0x09, 0x01, 0x00, 0x25, 0x11, 'O', 'B', 'E', 'X', ' ', 'O', 'b', 'j', 'e', 'c', 't', ' ', 'P', 'u', 's', 'h', 0x00,
    0x09, 0x03, 0x03, 0x35, 0x02, 0x08, 0xff,
};

// A record with 128-bit UUIDs throughout and 16-bit length fields (sequence header 0x36).
const Bytes kLongForm = {
    0x36, 0x00, 0x3c,
    0x09, 0x00, 0x01, 0x35, 0x11,
    0x1c, 0x00, 0x00, 0x11, 0x01, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5f, 0x9b, 0x34, 0xfb,
    0x09, 0x00, 0x04, 0x36, 0x00, 0x16,
    0x36, 0x00, 0x13,
    0x1c, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5f, 0x9b, 0x34, 0xfb,
    0x08, 0x07,                                           //   RFCOMM channel 7
    0x09, 0x01, 0x00, 0x26, 0x00, 0x04, 'C', 'O', 'M', '1',
};

// Personal area network record: L2CAP and BNEP, no RFCOMM.
const Bytes kNoRfcomm = {
    0x35, 0x22,
    0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x16,
    0x09, 0x00, 0x04, 0x35, 0x0d,
    0x35, 0x06, 0x19, 0x01, 0x00, 0x09, 0x00, 0x0f,       //   L2CAP, PSM 15
    0x35, 0x03, 0x19, 0x00, 0x0f,                         //   BNEP
    0x09, 0x01, 0x00, 0x25, 0x03, 'N', 'A', 'P',
};

Bytes withProtocolChannel(uint8_t channel) {
    Bytes b = kSerialPort;
    b[34] = channel;
    return b;
}

// The bytes through libbluetooth's parser and our reading, as a search answer goes; nullopt
// when libbluetooth refuses them.
std::optional<SdpRecordInfo> readRecord(const Bytes& bytes) {
    Bytes copy = bytes; // exact size, so a sanitizer sees any read past the end
    int scanned = 0;
    sdp_record_t* record = sdp_extract_pdu(copy.data(), static_cast<int>(copy.size()), &scanned);
    if (!record)
        return std::nullopt;
    SdpRecordInfo info = RecordInfoOf(*record);
    FreeRecord(record);
    return info;
}

struct GoodRecord {
    const char* label;
    Bytes bytes;
    std::string name;
    int channel;
    uint16_t firstClass;
};

class SdpGoodRecords : public testing::TestWithParam<GoodRecord> {};

// CTest names carry the printed row: its label, never its bytes.
void PrintTo(const GoodRecord& row, std::ostream* os) { *os << row.label; }

TEST_P(SdpGoodRecords, NameChannelAndClass) {
    const GoodRecord& row = GetParam();
    std::optional<SdpRecordInfo> read = readRecord(row.bytes);
    ASSERT_TRUE(read);
    const SdpRecordInfo& r = *read;
    EXPECT_EQ(r.serviceName, row.name);
    EXPECT_EQ(r.rfcommChannel, row.channel);
    ASSERT_FALSE(r.serviceClasses.empty());
    EXPECT_EQ(r.serviceClasses[0], GuidFromShortUuid(row.firstClass));
}

// DEA around the protocol list: a record offering the same service over two stacks.
const Bytes kAlternativeProtocols = {
    0x35, 0x1e,
    0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01,
    0x09, 0x00, 0x04, 0x3d, 0x11,                         // alternative of two lists
    0x35, 0x05, 0x35, 0x03, 0x19, 0x01, 0x00,             //   L2CAP only
    0x35, 0x08, 0x35, 0x06, 0x19, 0x00, 0x03, 0x09, 0x00, 0x04,  // RFCOMM, channel as 16 bits
};

INSTANTIATE_TEST_SUITE_P(
    Recorded, SdpGoodRecords,
    testing::Values(GoodRecord{"serial_port", kSerialPort, "Serial Port", 1, 0x1101},
                    GoodRecord{"object_push_zero_in_name", kObjectPushZeroTerminated, "OBEX Object Push", 10, 0x1105},
                    GoodRecord{"uuid128_and_long_lengths", kLongForm, "COM1", 7, 0x1101},
                    GoodRecord{"no_rfcomm", kNoRfcomm, "NAP", -1, 0x1116},
                    GoodRecord{"alternative_protocol_lists", kAlternativeProtocols, "", 4, 0x1101},
                    GoodRecord{"channel_0_is_no_channel", withProtocolChannel(0), "Serial Port", -1, 0x1101},
                    GoodRecord{"channel_31_is_no_channel", withProtocolChannel(31), "Serial Port", -1, 0x1101},
                    GoodRecord{"channel_30", withProtocolChannel(30), "Serial Port", 30, 0x1101}),
    [](const testing::TestParamInfo<GoodRecord>& info) { return std::string(info.param.label); });

struct BadRecord {
    const char* label;
    Bytes bytes;
    const char* fault; // what is wrong with the bytes
};

class SdpBadRecords : public testing::TestWithParam<BadRecord> {};

// CTest names carry the printed row: its label, never its bytes.
void PrintTo(const BadRecord& row, std::ostream* os) { *os << row.label; }

// Whatever libbluetooth makes of damaged bytes, reading them never runs past them and never
// reports a channel that is not a real RFCOMM channel.
void expectHarmless(const Bytes& bytes) {
    if (std::optional<SdpRecordInfo> read = readRecord(bytes)) {
        EXPECT_TRUE(read->rfcommChannel == -1 || (read->rfcommChannel >= 1 && read->rfcommChannel <= 30));
    }
}

TEST_P(SdpBadRecords, ReadHarmlessly) { expectHarmless(GetParam().bytes); }

Bytes deeplyNested(int depth) {
    Bytes inner = {0x09, 0x00, 0x05};
    Bytes value;
    for (int i = 0; i < depth; ++i) {
        Bytes outer = {0x36, uint8_t(value.size() >> 8), uint8_t(value.size())};
        outer.insert(outer.end(), value.begin(), value.end());
        value = outer;
    }
    inner.insert(inner.end(), value.begin(), value.end());
    Bytes record = {0x36, uint8_t(inner.size() >> 8), uint8_t(inner.size())};
    record.insert(record.end(), inner.begin(), inner.end());
    return record;
}

Bytes withTrailingByte() {
    Bytes b = kSerialPort;
    b.push_back(0x00);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, SdpBadRecords,
    testing::Values(BadRecord{"empty", {}, "element expected"},
                    BadRecord{"not_a_sequence", {0x09, 0x00, 0x01}, "must be a sequence"},
                    BadRecord{"length_past_end", {0x35, 0x10, 0x09, 0x00}, "runs past the end"},
                    BadRecord{"huge_32bit_length", {0x37, 0xff, 0xff, 0xff, 0xff, 0x09}, "runs past the end"},
                    BadRecord{"truncated_length_field", {0x36, 0x00}, "truncated length field"},
                    BadRecord{"unknown_type", {0x35, 0x02, 0x48, 0x00}, "unknown element type"},
                    BadRecord{"uuid_of_one_byte", {0x35, 0x02, 0x18, 0x01}, "not allowed"},
                    BadRecord{"integer_with_length_field", {0x35, 0x03, 0x0d, 0x01, 0x00}, "length field not allowed"},
                    BadRecord{"attribute_without_value", {0x35, 0x03, 0x09, 0x01, 0x00}, "has no value"},
                    BadRecord{"attribute_id_as_uuid", {0x35, 0x05, 0x19, 0x01, 0x00, 0x08, 0x01}, "attribute id"},
                    BadRecord{"damage_inside_unused_attribute",
                              {0x35, 0x07, 0x09, 0x00, 0x09, 0x35, 0x02, 0x19, 0x11},
                              "runs past the end"},
                    BadRecord{"nesting_beyond_limit", deeplyNested(200), "nested too deep"},
                    BadRecord{"trailing_bytes", withTrailingByte(), "after the record"}),
    [](const testing::TestParamInfo<BadRecord>& info) { return std::string(info.param.label); });

// Disabled: libbluetooth's sdp_extract_pdu never returns on the serial port record cut after 24
// bytes (a protocol list announced longer than what follows). The search request runs the same
// function on a phone's answer, so a broken answer can hold a stack thread; reported, not ours
// to patch here.
TEST(SdpBadRecords, DISABLED_EveryTruncationOfARealRecordReadsHarmlessly) {
    for (const Bytes& full : {kSerialPort, kObjectPushZeroTerminated, kLongForm})
        for (size_t cut = 0; cut < full.size(); ++cut)
            expectHarmless(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
}

TEST(SdpSearchFilter, KeepsOnlyRecordsListingTheClass) {
    // A dial-up record matched a serial port search because it names 0x1101 in its profile
    // list; only the record whose class list has 0x1101 is a serial port.
    SdpRecordInfo dialUp{"Dial-up Networking", {GuidFromShortUuid(0x1103)}, 2};
    SdpRecordInfo serial{"Serial Port", {GuidFromShortUuid(0x1101)}, 1};
    SdpRecordInfo both{"Modem", {GuidFromShortUuid(0x1103), GuidFromShortUuid(0x1101)}, 3};
    auto kept = RecordsOfClass({dialUp, serial, both}, GuidFromShortUuid(0x1101));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].serviceName, "Serial Port");
    EXPECT_EQ(kept[1].serviceName, "Modem");
}

// A record built with libbluetooth's setters reads back through its getters.
TEST(SdpLibbluetoothRecords, GeneratedRecordReadsBack) {
    sdp_record_t* rec = sdp_record_alloc();
    uuid_t push, l2cap, rfcomm, obex;
    sdp_uuid16_create(&push, OBEX_OBJPUSH_SVCLASS_ID);
    sdp_uuid16_create(&l2cap, L2CAP_UUID);
    sdp_uuid16_create(&rfcomm, RFCOMM_UUID);
    sdp_uuid16_create(&obex, OBEX_UUID);
    uint8_t channel = 9;
    sdp_data_t* channelData = sdp_data_alloc(SDP_UINT8, &channel);
    sdp_list_t* classes = sdp_list_append(nullptr, &push);
    sdp_list_t* l2capList = sdp_list_append(nullptr, &l2cap);
    sdp_list_t* rfcommList = sdp_list_append(sdp_list_append(nullptr, &rfcomm), channelData);
    sdp_list_t* obexList = sdp_list_append(nullptr, &obex);
    sdp_list_t* protocols = sdp_list_append(sdp_list_append(sdp_list_append(nullptr, l2capList), rfcommList), obexList);
    sdp_list_t* access = sdp_list_append(nullptr, protocols);
    sdp_set_service_classes(rec, classes);
    sdp_set_access_protos(rec, access);
    sdp_set_info_attr(rec, "OBEX Object Push", nullptr, nullptr);

    const SdpRecordInfo read = RecordInfoOf(*rec);

    sdp_data_free(channelData);
    sdp_list_free(l2capList, nullptr);
    sdp_list_free(rfcommList, nullptr);
    sdp_list_free(obexList, nullptr);
    sdp_list_free(protocols, nullptr);
    sdp_list_free(access, nullptr);
    sdp_list_free(classes, nullptr);
    sdp_record_free(rec);

    EXPECT_EQ(read.serviceName, "OBEX Object Push");
    EXPECT_EQ(read.rfcommChannel, 9);
    ASSERT_EQ(read.serviceClasses.size(), 1u);
    EXPECT_EQ(read.serviceClasses[0], guid_SERVCLASS_OBEX_OBJECT_PUSH);
}

} // namespace
