#pragma once
// SMS-SUBMIT transfer units as hexadecimal text, the form AT+CMGS takes in PDU mode.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "linkerror.h"

inline constexpr int kMaxGsmSeptets = 160;
inline constexpr int kMaxUcs2Characters = 70;
inline constexpr int kMaxDestinationDigits = 20;

// The pairs of an even-length digit text exchanged: "0701" gives "7010".
std::string SwapSemiOctets(std::string_view digits);

// Septets packed least significant bit first, as upper-case hexadecimal: "Hello" gives
// "C8329BFD06".
std::string PackSeptets(const std::vector<uint8_t>& septets);

struct SmsDestination {
    std::string digits;
    int typeOfAddress = 0x81; // 0x91 when the number began with '+'
};
// Blanks are dropped and one leading '+' makes the number international; any other non-digit, an
// empty number or more than 20 digits is refused with a reason.
bool ParseSmsDestination(std::string_view text, SmsDestination& out, LinkError& error);

struct SmsPdu {
    std::string hex;     // the whole unit, service centre field first
    int tpduLength = 0;  // what AT+CMGS announces: octets after the service centre field
    bool ucs2 = false;   // data coding scheme 08 instead of 00
};

// The text goes in the GSM default alphabet when every character has a place in it (extension
// characters take two septets), otherwise as UCS2. A text that needs more than one message is
// refused, never cut.
bool EncodeSmsSubmit(std::string_view utf8Text, std::string_view destination, SmsPdu& out,
                     LinkError& error);

inline constexpr int kConcatGsmSeptets = 153;  // 160 less the concatenation header
inline constexpr int kConcatUcs2Units = 67;    // 70 less the concatenation header

struct SmsSendOptions {
    int reference = 0;         // the concatenation reference (its low 8 bits are sent)
    bool statusReport = false; // TP-SRR: ask for a delivery report
    int maxParts = 10;
};
// One PDU per part: a text that fits one message goes as one (without a header); a longer one
// in parts of 153 GSM septets or 67 UCS2 code units, never split inside an extension pair or a
// surrogate pair (characters above U+FFFF go as surrogate pairs), each with the concatenation
// header of options.reference. A text needing more than options.maxParts parts is refused.
bool EncodeSmsSubmitParts(std::string_view utf8Text, std::string_view destination,
                          const SmsSendOptions& options, std::vector<SmsPdu>& out, LinkError& error);
// How many messages the text takes (for "send as N messages"); 0 when it is not valid UTF-8.
int CountSmsParts(std::string_view utf8Text);
