#include "smsrows.h"

#include <algorithm>

#include "clioutput.h"

namespace {

bool SameMessage(const DecodedSms& a, const DecodedSms& b) {
    return a.concat && b.concat && a.kind == b.kind && a.number == b.number &&
           a.concat->reference == b.concat->reference && a.concat->total == b.concat->total;
}

// A header that cannot be right (255 parts never come, a part outside 1..total) is shown as a
// message of its own instead of waiting for parts forever.
bool Groupable(const DecodedSms& d) {
    return d.concat && d.concat->total > 1 && d.concat->total < 255 && d.concat->sequence >= 1 &&
           d.concat->sequence <= d.concat->total;
}

} // namespace

void SmsRowBuilder::Add(const StoredSms& sms, std::vector<std::string>& problems) {
    DecodedSms decoded;
    LinkError error;
    if (!DecodeSmsPdu(sms.pduHex, sms.tpduLength, decoded, error)) {
        problems.push_back("message " + std::to_string(sms.index) + " of " +
                           SmsStorageOwner(sms.storage) +
                           " storage does not decode: " + error.text);
        return;
    }
    if (!Groupable(decoded))
        decoded.concat.reset();
    if (decoded.concat) {
        for (auto& group : m_groups) {
            if (!SameMessage(group.front().decoded, decoded))
                continue;
            bool duplicate = std::any_of(group.begin(), group.end(), [&](const Part& p) {
                return p.decoded.concat->sequence == decoded.concat->sequence;
            });
            if (!duplicate)
                group.push_back({sms, std::move(decoded)});
            return;
        }
    }
    m_groups.push_back({{sms, std::move(decoded)}});
}

std::vector<SmsRow> SmsRowBuilder::Take(bool completeOnly) {
    std::vector<SmsRow> rows;
    std::vector<std::vector<Part>> kept;
    for (auto& group : m_groups) {
        std::sort(group.begin(), group.end(), [](const Part& a, const Part& b) {
            return a.decoded.concat && b.decoded.concat &&
                   a.decoded.concat->sequence < b.decoded.concat->sequence;
        });
        const DecodedSms& first = group.front().decoded;
        const int total = first.concat ? first.concat->total : 1;
        if (completeOnly && static_cast<int>(group.size()) < total) {
            kept.push_back(std::move(group));
            continue;
        }
        SmsRow row;
        row.storage = group.front().stored.storage;
        row.stat = group.front().stored.stat;
        row.kind = first.kind;
        row.number = first.number;
        if (first.time)
            row.time = ToIso8601(*first.time);
        row.have = static_cast<int>(group.size());
        row.total = total;
        size_t next = 0;
        for (int k = 1; k <= total; ++k) {
            if (next < group.size() &&
                (!group[next].decoded.concat || group[next].decoded.concat->sequence == k)) {
                const Part& part = group[next++];
                row.indexes.push_back(part.stored.index);
                row.text += part.decoded.kind == SmsKind::StatusReport
                                ? DescribeStatus(part.decoded.status)
                                : part.decoded.text;
            } else {
                row.text +=
                    "[part " + std::to_string(k) + " of " + std::to_string(total) + " missing]";
            }
        }
        rows.push_back(std::move(row));
    }
    m_groups = std::move(kept);
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
