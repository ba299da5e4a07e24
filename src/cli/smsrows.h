#pragma once
// Stored messages as harlune-cli prints them: decoded, the parts of a concatenated message put
// together into one row (by messages::Reassembler), as JSON objects or tab-separated lines.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "messages/reassembly.h"
#include "phonelink/smsdecode.h"
#include "phonelink/smslisting.h"

struct SmsRow {
    std::string storage;
    std::vector<int> indexes; // of every part present, in part order
    int stat = 0;
    SmsKind kind = SmsKind::Deliver;
    std::string number;
    std::string time; // ISO 8601, empty when the message has none
    std::string text; // a missing part shows as "[part k of n missing]"
    int have = 1, total = 1;
};

// Groups messages into rows: the parts of one concatenated message (same number, reference and
// part count) become one row, in part order, duplicates dropped. A PDU that does not decode
// makes no row; its sentence (with storage and index) goes to `problems`.
class SmsRowBuilder {
public:
    void Add(const StoredSms& sms, std::vector<std::string>& problems);
    // Rows in the order their first part was added. With `completeOnly`, only messages whose
    // parts are all there (the watch waits for the rest); those are then taken out.
    std::vector<SmsRow> Take(bool completeOnly = false);

private:
    messages::Reassembler m_parts;
    std::map<std::pair<std::string, int>, int> m_stat; // +CMGL stat by storage and index
};

const char* SmsStatusName(int stat);
const char* SmsKindName(SmsKind kind);
std::string SmsRowJson(const SmsRow& row);
void PrintSmsRowTsv(std::ostream& out, const SmsRow& row);
