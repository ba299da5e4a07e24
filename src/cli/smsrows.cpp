#include "smsrows.h"

#include "clioutput.h"

void SmsRowBuilder::Add(const StoredSms& sms, std::vector<std::string>& problems) {
    DecodedSms decoded;
    LinkError error;
    if (!DecodeSmsPdu(sms.pduHex, sms.tpduLength, decoded, error)) {
        problems.push_back("message " + std::to_string(sms.index) + " of " +
                           SmsStorageOwner(sms.storage) +
                           " storage does not decode: " + error.text);
        return;
    }
    m_stat[{sms.storage, sms.index}] = sms.stat;
    m_parts.Add({sms.storage, sms.index}, decoded);
}

std::vector<SmsRow> SmsRowBuilder::Take(bool completeOnly) {
    std::vector<SmsRow> rows;
    for (const messages::WholeMessage& whole :
         completeOnly ? m_parts.TakeComplete() : m_parts.TakeAll()) {
        const DecodedSms& first = whole.first;
        SmsRow row;
        // The row lives where its lowest part does.
        row.storage = whole.partLocations.front().storage;
        row.stat = m_stat[{row.storage, whole.partLocations.front().index}];
        row.kind = first.kind;
        row.number = first.number;
        if (first.time)
            row.time = ToIso8601(*first.time);
        row.have = whole.partsHave;
        row.total = whole.partsTotal;
        for (const messages::SmsLocation& where : whole.partLocations)
            row.indexes.push_back(where.index);
        row.text = first.kind == SmsKind::StatusReport ? DescribeStatus(first.status) : whole.text;
        for (const messages::SmsLocation& where : whole.locations)
            m_stat.erase({where.storage, where.index});
        rows.push_back(std::move(row));
    }
    return rows;
}

const char* SmsStatusName(int stat) {
    static const char* const kNames[] = {"unread", "read", "unsent", "sent"};
    return stat >= 0 && stat <= 3 ? kNames[stat] : "unknown";
}

const char* SmsKindName(SmsKind kind) {
    switch (kind) {
    case SmsKind::Deliver:
        return "deliver";
    case SmsKind::Submit:
        return "submit";
    case SmsKind::StatusReport:
        return "status-report";
    }
    return "deliver";
}

std::string SmsRowJson(const SmsRow& row) {
    std::string indexes;
    for (int i : row.indexes)
        indexes += (indexes.empty() ? "" : ",") + std::to_string(i);
    return "{\"storage\":" + JsonString(row.storage) + ",\"indexes\":[" + indexes +
           "],\"status\":" + JsonString(SmsStatusName(row.stat)) +
           ",\"kind\":" + JsonString(SmsKindName(row.kind)) +
           ",\"number\":" + JsonString(row.number) +
           ",\"time\":" + (row.time.empty() ? "null" : JsonString(row.time)) +
           ",\"text\":" + JsonString(row.text) + ",\"parts\":[" + std::to_string(row.have) + "," +
           std::to_string(row.total) + "]}";
}

void PrintSmsRowTsv(std::ostream& out, const SmsRow& row) {
    std::string indexes;
    for (int i : row.indexes)
        indexes += (indexes.empty() ? "" : ",") + std::to_string(i);
    out << row.storage << '\t' << indexes << '\t' << SmsStatusName(row.stat) << '\t'
        << SmsKindName(row.kind) << '\t' << TsvField(row.number) << '\t'
        << (row.time.empty() ? "-" : row.time) << '\t' << TsvField(row.text) << '\t' << row.have
        << '/' << row.total << '\n';
}
