#pragma once
// Pure parsers of the message-storage replies in PDU mode (3GPP TS 27.005): the storages a phone
// offers and how full they are (+CPMS), a listing (+CMGL), one read (+CMGR) and the indications
// a phone sends on its own (+CMTI, +CDSI, +CDS). The PDUs stay hexadecimal text; decoding them is
// smsdecode.h's job.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One message as a storage holds it.
struct StoredSms {
    std::string storage; // "SM", "ME", ...
    int index = 0;       // the position the phone gave (some modems count from 0)
    int stat = 0;        // 0 received unread, 1 received read, 2 stored unsent, 3 stored sent
    int tpduLength = -1; // what the header announced, -1 when the phone left it out
    std::string pduHex;  // upper-case, service-centre part first
    bool operator==(const StoredSms&) const = default;
};

// A listing as real phones write it: "+CMGL: <index>,<stat>,[<alpha>],<length>" then the PDU
// line. The alpha field may be missing, empty or quoted (with commas inside); the length may be
// missing. A header whose PDU line never came (a listing cut off), or whose next line is not
// hexadecimal, is kept with the reason, so that no message goes without a word.
struct SmsListing {
    struct Rejected {
        std::string line;
        std::string reason;
    };
    std::vector<StoredSms> messages;
    std::vector<Rejected> rejected;
};
SmsListing parseCmglListing(std::string_view reply, std::string_view storage);

// "+CMGR: <stat>,[<alpha>],<length>" and its PDU line; nullopt when the reply holds no message.
std::optional<StoredSms> parseCmgrReply(std::string_view reply, std::string_view storage,
                                        int index);

// How full one storage is.
struct SmsStorageUse {
    std::string name; // "SM", "ME", ...
    int used = -1;
    int total = -1;
    bool Full() const { return total > 0 && used >= total; }
    bool operator==(const SmsStorageUse&) const = default;
};

// "+CPMS: "SM",8,10,"ME",0,100,"SM",8,10" (AT+CPMS?): the storages for reading, writing and
// receiving with their use, one to three of them as the phone gives.
std::vector<SmsStorageUse> parseCpmsRead(std::string_view reply);
// "+CPMS: 8,10,0,100,8,10" (the answer to a selection): used and total of each storage in
// order, names left empty.
std::vector<SmsStorageUse> parseCpmsSelect(std::string_view reply);
// "+CPMS: ("ME","SM"),("ME","SM"),("MT")" (AT+CPMS=?): the names offered for each of the three
// roles. A phone that offers one name without parentheses gives a list of one.
std::vector<std::vector<std::string>> parseCpmsTest(std::string_view reply);

// "the SIM's", "the phone's", "storage SR's": whose messages a sentence speaks of.
std::string SmsStorageOwner(std::string_view name);
// "SIM 8 of 10", "phone 0 of 100" (other storages by their code).
std::string DescribeStorageUse(const SmsStorageUse& use);
// The sentence for a storage with no room: "the SIM's message storage is full (10 of 10): ...".
std::string StorageFullSentence(const SmsStorageUse& use);

// What a phone announces about messages on its own (27.005 3.4.1).
struct SmsNotice {
    enum class Kind {
        NewMessage,         // +CMTI: "SM",3 — stored at storage/index
        StatusReportStored, // +CDSI: "SR",2 — a status report stored at storage/index
        StatusReport,       // +CDS: 25 then the PDU — a status report routed directly
    };
    Kind kind = Kind::NewMessage;
    std::string storage;
    int index = -1;
    int tpduLength = -1;
    std::string pduHex;
    bool operator==(const SmsNotice&) const = default;
};
// One indication line; for +CDS the PDU comes on the next line (pduLine, empty when it is not
// there yet). nullopt for any other line or a malformed one.
std::optional<SmsNotice> parseSmsNotice(std::string_view line, std::string_view pduLine = {});
