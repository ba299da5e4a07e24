#pragma once
// Decoding an SMS-SUBMIT transfer unit as AT+CMGS delivers it in PDU mode (3GPP TS 23.040
// layout, texts per TS 23.038). Pure: text in, a record or a reason out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

enum class SmsAlphabet { Gsm7, EightBit, Ucs2 };

struct SubmitPdu {
    std::string serviceCentre;  // digits; empty when the PDU left it to the phone
    int serviceCentreType = 0;
    int firstOctet = 0;
    int messageReference = 0;
    std::string destination;    // digits ('*', '#', 'a', 'b', 'c' for the codes A..E)
    int typeOfAddress = 0;
    int protocolId = 0;
    int dataCodingScheme = 0;
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    int validityFormat = 0;     // the VPF bits: 0 none, 2 relative, 1 enhanced, 3 absolute
    std::vector<uint8_t> validity;
    int userDataLength = 0;     // septets for GSM 7-bit, else octets
    std::vector<uint8_t> userDataHeader; // without its length octet; empty when absent
    std::string text;           // UTF-8 (8-bit data is shown as ISO 8859-1)
};

// An SMS-DELIVER as a message arrives (the same layout, an originator and a time stamp).
struct DeliverPdu {
    std::string serviceCentre;
    int serviceCentreType = 0;
    int firstOctet = 0;
    std::string originator;
    int typeOfAddress = 0;
    int protocolId = 0;
    int dataCodingScheme = 0;
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    std::vector<uint8_t> timestamp; // 7 octets, semi-octets as sent
    int userDataLength = 0;
    std::vector<uint8_t> userDataHeader;
    std::string text;
};

// A concatenated message's header element (8- or 16-bit reference).
struct Concatenation {
    int reference = 0;
    int total = 0;
    int sequence = 0; // 1-based
};
bool FindConcatenation(const std::vector<uint8_t>& userDataHeader, Concatenation* out);

// hex: the PDU text (service-centre part first), either case. announcedTpduLength: the number
// given with AT+CMGS, which must equal the octets after the service-centre part; pass a
// negative value to skip that check.
bool DecodeSubmitPdu(std::string_view hex, int announcedTpduLength, SubmitPdu* pdu,
                     std::string* error);

bool DecodeDeliverPdu(std::string_view hex, int announcedTpduLength, DeliverPdu* pdu, std::string* error);

bool HexToBytes(std::string_view hex, std::vector<uint8_t>* bytes);
// Septets packed least significant bit first, starting at bit 0 of the first octet. Returns
// false when the octets hold fewer than count septets.
bool UnpackSeptets(const std::vector<uint8_t>& octets, size_t count, std::string* septets);

} // namespace phonesim
