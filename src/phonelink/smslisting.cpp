#include "smslisting.h"

#include "atparse.h"
#include "replyframer.h"

namespace {

constexpr int kMaxIndex = 65535;

std::optional<std::string_view> After(std::string_view line, std::string_view prefix) {
    line = TrimBlanks(line);
    if (!line.starts_with(prefix))
        return std::nullopt;
    return TrimBlanks(line.substr(prefix.size()));
}

// Comma-separated fields; a comma inside double quotes belongs to the field (an alpha field
// holding a name such as "Doe, Jane"). Quotes stay on the fields.
std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"')
            quoted = !quoted;
        if (i == text.size() || (text[i] == ',' && !quoted)) {
            fields.push_back(TrimBlanks(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return fields;
}

bool IsQuoted(std::string_view f) {
    return f.size() >= 2 && f.front() == '"' && f.back() == '"';
}
std::string_view Unquote(std::string_view f) {
    return IsQuoted(f) ? f.substr(1, f.size() - 2) : f;
}

std::optional<int> SmallNumber(std::string_view field, int maximum) {
    if (!IsAllDigits(field) || field.size() > 9)
        return std::nullopt;
    int value = ParseDigits(field);
    if (value > maximum)
        return std::nullopt;
    return value;
}

bool IsHexLine(std::string_view line) {
    if (line.empty() || line.size() % 2 != 0)
        return false;
    for (char c : line)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string Upper(std::string_view hex) {
    std::string out(hex);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The fields after the index: <stat>,[<alpha>],[<length>]. False with a reason.
bool ReadStatAndLength(const std::vector<std::string_view>& fields, size_t first, StoredSms& out,
                       std::string& reason) {
    if (fields.size() <= first) {
        reason = "it has no status";
        return false;
    }
    auto stat = SmallNumber(fields[first], 3);
    if (!stat) {
        reason = "its status is not 0 to 3";
        return false;
    }
    out.stat = *stat;
    out.tpduLength = -1;
    // The length is the last field when there is one after the status; a quoted last field is
    // the alpha of a phone that leaves the length out.
    if (fields.size() > first + 1) {
        std::string_view last = fields.back();
        if (auto length = SmallNumber(last, 255))
            out.tpduLength = *length;
        else if (!last.empty() && !IsQuoted(last)) {
            reason = "its length is not a number";
            return false;
        }
    }
    return true;
}

} // namespace

SmsListing parseCmglListing(std::string_view reply, std::string_view storage) {
    SmsListing listing;
    std::optional<StoredSms> pending;
    std::string pendingLine;
    auto reject = [&](std::string line, std::string reason) {
        listing.rejected.push_back({std::move(line), std::move(reason)});
    };
    ForEachLine(reply, [&](std::string_view raw) {
        std::string_view line = TrimBlanks(raw);
        if (auto rest = After(line, "+CMGL:")) {
            if (pending)
                reject(pendingLine, "no PDU line followed it");
            pending.reset();
            std::vector<std::string_view> fields = SplitFields(*rest);
            StoredSms sms;
            sms.storage = std::string(storage);
            std::string reason;
            auto index = SmallNumber(fields[0], kMaxIndex);
            if (!index)
                reason = "its index is not a number from 0 to 65535";
            if (index && ReadStatAndLength(fields, 1, sms, reason)) {
                sms.index = *index;
                pending = std::move(sms);
                pendingLine = std::string(line);
            } else {
                reject(std::string(line), reason);
            }
            return;
        }
        if (!pending)
            return; // echo, the final result, blank noise between messages
        if (IsHexLine(line)) {
            pending->pduHex = Upper(line);
            listing.messages.push_back(std::move(*pending));
            pending.reset();
        } else if (CReplyFramer::IsFinalResult(line)) {
            reject(pendingLine, "the listing ended before its PDU line");
            pending.reset();
        }
        // Any other line (a +CMTI of a message arriving meanwhile, line noise) belongs to
        // nobody here; the PDU may still follow (python-gsmmodem pins the same for noise).
    });
    if (pending)
        reject(pendingLine, "the listing was cut off before its PDU line");
    return listing;
}

std::optional<StoredSms> parseCmgrReply(std::string_view reply, std::string_view storage,
                                        int index) {
    std::optional<StoredSms> found, pending;
    ForEachLine(reply, [&](std::string_view raw) {
        std::string_view line = TrimBlanks(raw);
        if (found)
            return;
        if (auto rest = After(line, "+CMGR:")) {
            StoredSms sms;
            sms.storage = std::string(storage);
            sms.index = index;
            std::string reason;
            std::vector<std::string_view> fields = SplitFields(*rest);
            pending.reset();
            if (ReadStatAndLength(fields, 0, sms, reason))
                pending = std::move(sms);
            return;
        }
        if (pending && IsHexLine(line)) {
            pending->pduHex = Upper(line);
            found = std::move(pending);
        }
    });
    return found;
}

std::vector<SmsStorageUse> parseCpmsRead(std::string_view reply) {
    std::vector<SmsStorageUse> uses;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = After(line, "+CPMS:");
        if (!rest || !uses.empty() || rest->starts_with("("))
            return;
        std::vector<std::string_view> fields = SplitFields(*rest);
        for (size_t i = 0; i + 2 < fields.size() && uses.size() < 3; i += 3) {
            auto used = SmallNumber(fields[i + 1], kMaxIndex);
            auto total = SmallNumber(fields[i + 2], kMaxIndex);
            if (!IsQuoted(fields[i]) || !used || !total)
                break;
            uses.push_back({std::string(Unquote(fields[i])), *used, *total});
        }
    });
    return uses;
}

std::vector<SmsStorageUse> parseCpmsSelect(std::string_view reply) {
    std::vector<SmsStorageUse> uses;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = After(line, "+CPMS:");
        if (!rest || !uses.empty())
            return;
        std::vector<std::string_view> fields = SplitFields(*rest);
        for (size_t i = 0; i + 1 < fields.size() && uses.size() < 3; i += 2) {
            auto used = SmallNumber(fields[i], kMaxIndex);
            auto total = SmallNumber(fields[i + 1], kMaxIndex);
            if (!used || !total)
                break;
            uses.push_back({{}, *used, *total});
        }
    });
    return uses;
}

std::vector<std::vector<std::string>> parseCpmsTest(std::string_view reply) {
    std::vector<std::vector<std::string>> roles;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = After(line, "+CPMS:");
        if (!rest || !roles.empty())
            return;
        std::string_view text = *rest;
        while (!text.empty() && roles.size() < 3) {
            std::vector<std::string> names;
            if (text.front() == '(') {
                size_t close = text.find(')');
                if (close == std::string_view::npos)
                    break;
                for (std::string_view f : SplitFields(text.substr(1, close - 1)))
                    if (!Unquote(f).empty())
                        names.emplace_back(Unquote(f));
                text.remove_prefix(close + 1);
            } else {
                size_t comma = text.find(',');
                std::string_view f = TrimBlanks(text.substr(0, comma));
                if (!Unquote(f).empty())
                    names.emplace_back(Unquote(f));
                text.remove_prefix(comma == std::string_view::npos ? text.size() : comma);
            }
            roles.push_back(std::move(names));
            text = TrimBlanks(text);
            if (!text.empty() && text.front() == ',')
                text = TrimBlanks(text.substr(1));
        }
    });
    return roles;
}

std::string DescribeStorageUse(const SmsStorageUse& use) {
    std::string name = use.name == "SM" ? "SIM" : use.name == "ME" ? "phone" : use.name;
    return name + " " + std::to_string(use.used) + " of " + std::to_string(use.total);
}

std::string SmsStorageOwner(std::string_view name) {
    if (name == "SM")
        return "the SIM's";
    if (name == "ME")
        return "the phone's";
    return "storage " + std::string(name) + "'s";
}

std::string StorageFullSentence(const SmsStorageUse& use) {
    return SmsStorageOwner(use.name) + " message storage is full (" + std::to_string(use.used) +
           " of " + std::to_string(use.total) +
           "): new messages cannot arrive until some are deleted or moved to the archive";
}

std::optional<SmsNotice> parseSmsNotice(std::string_view line, std::string_view pduLine) {
    SmsNotice notice;
    std::optional<std::string_view> rest;
    if ((rest = After(line, "+CMTI:")))
        notice.kind = SmsNotice::Kind::NewMessage;
    else if ((rest = After(line, "+CDSI:")))
        notice.kind = SmsNotice::Kind::StatusReportStored;
    else if ((rest = After(line, "+CDS:"))) {
        notice.kind = SmsNotice::Kind::StatusReport;
        // PDU mode: "+CDS: <length>"; the text-mode form carries fields, not a PDU.
        auto length = SmallNumber(*rest, 255);
        std::string_view pdu = TrimBlanks(pduLine);
        if (!length || !IsHexLine(pdu))
            return std::nullopt;
        notice.tpduLength = *length;
        notice.pduHex = Upper(pdu);
        return notice;
    } else
        return std::nullopt;
    std::vector<std::string_view> fields = SplitFields(*rest);
    if (fields.size() < 2 || Unquote(fields[0]).empty())
        return std::nullopt;
    auto index = SmallNumber(fields[1], kMaxIndex);
    if (!index)
        return std::nullopt;
    notice.storage = std::string(Unquote(fields[0]));
    notice.index = *index;
    return notice;
}
