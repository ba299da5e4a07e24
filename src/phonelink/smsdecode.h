#pragma once
// Decoding the SMS transfer units a phone lists and reports (3GPP TS 23.040): SMS-DELIVER,
// SMS-SUBMIT (sent and unsent stored messages) and SMS-STATUS-REPORT, texts per TS 23.038 with
// the shared GSM alphabet and UTF-16 codec. Pure: hex text in, a record or a sentence out.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "linkerror.h"

enum class SmsKind { Deliver, Submit, StatusReport };
enum class SmsAlphabet { Gsm7, EightBit, Ucs2 };

// A time stamp as the service centre wrote it: local time there and its offset from UTC.
struct SmsTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offsetMinutes = 0;
    bool operator==(const SmsTime&) const = default;
};
// "2026-12-08T10:15:00+01:00"
std::string ToIso8601(const SmsTime& time);

struct SmsConcat {
    int reference = 0;
    int total = 0;
    int sequence = 0; // 1-based
    bool sixteenBit = false;
    bool operator==(const SmsConcat&) const = default;
};

struct DecodedSms {
    SmsKind kind = SmsKind::Deliver;
    std::string serviceCentre; // "+4917..." form; empty when the PDU left it to the phone
    // Originator (deliver), destination (submit) or recipient (status report): '+' first when
    // international; an alphanumeric sender decoded to its text.
    std::string number;
    int typeOfAddress = 0, protocolId = 0, dataCodingScheme = 0, messageClass = -1;
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    std::optional<SmsTime> time; // service centre time stamp (deliver, status report)
    int messageReference = -1;   // submit, status report
    bool statusReportRequested = false; // TP-SRR (submit), TP-SRI (deliver), TP-SRQ (report)
    std::optional<SmsTime> dischargeTime; // status report
    int status = -1;                      // status report: TP-ST
    int validityFormat = 0;               // submit: TP-VPF 0 none, 2 relative, 1 enhanced, 3 absolute
    std::vector<uint8_t> validity;
    std::optional<SmsConcat> concat;
    std::optional<std::pair<int, int>> ports; // destination, source
    std::string text;          // UTF-8; 8-bit data is not text: see data
    std::vector<uint8_t> data; // the 8-bit payload (after the user data header)
};

// hex as AT+CMGL/+CMGR/+CMT/+CDS give it (service-centre part first, either case); tpduLength
// the announced length or -1. The kind comes from the TP-MTI (0 deliver, 1 submit, 2 status
// report). False with a sentence in error (InvalidInput... BadReply) for anything that does not
// decode; out is then left alone.
bool DecodeSmsPdu(std::string_view hex, int tpduLength, DecodedSms& out, LinkError& error);

// The outcome a status report's TP-ST gives: "delivered", "pending: ...", "failed: ..."
// (TS 23.040 9.2.3.15).
std::string DescribeStatus(int tpStatus);
