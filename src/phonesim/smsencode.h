#pragma once
// Building the PDUs the emulated phone itself produces (3GPP TS 23.040): the SMS-DELIVER of an
// incoming message, the SMS-SUBMIT that a text-mode AT+CMGW stores, and the SMS-STATUS-REPORT a
// sent message asked for. Pure: values in, upper-case hex out (service-centre part first).
#include <string>
#include <vector>

namespace phonesim {

struct DeliverSpec {
    std::string serviceCentre = "+491710760000";
    std::string originator; // digits, '+' first for an international number
    long long time = 0;     // the service centre time stamp, seconds since 1970 (UTC)
};

// The text in GSM 7-bit when every character has a place in the GSM alphabet, else UCS2. A text
// longer than one message becomes several parts (153 septets or 67 UCS2 characters each) with
// a concatenation header of the given 8-bit reference, in order.
std::vector<std::string> EncodeDeliverParts(const DeliverSpec& spec, const std::string& utf8,
                                            int reference);

// An SMS-SUBMIT: serviceCentre empty leaves it to the phone ("00"). Empty result when the
// destination is no dial string.
std::string EncodeSubmit(const std::string& serviceCentre, const std::string& destination,
                         int typeOfAddress, int firstOctet, int protocolId, int validity,
                         const std::string& utf8);

// An SMS-STATUS-REPORT for message reference mr: delivered (status 0) at doneTime.
std::string EncodeStatusReport(const std::string& serviceCentre, int mr,
                               const std::string& recipient, int typeOfAddress,
                               long long submitTime, long long doneTime, int status);

// Octets after the service-centre part: the length AT+CMGR/+CMGL/+CMT/+CDS announce.
int TpduLength(const std::string& pduHex);

} // namespace phonesim
