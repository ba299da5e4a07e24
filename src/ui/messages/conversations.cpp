#include "conversations.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "contacts/numberkind.h"
#include "messagejobs.h"
#include "messages/statusmatch.h"

namespace msgview {
namespace {

const char* StatusWord(int status) {
    static const char* const kWords[] = {"unread", "read", "unsent", "sent"};
    return status >= 0 && status <= 3 ? kWords[status] : "stored";
}

std::string StorageName(const std::string& code) {
    return code == "SM" ? "SIM" : code == "ME" ? "phone memory" : code;
}

// The last digits of a number: two forms of one number share them, so only numbers that agree
// here are handed to the (slow) full comparison.
std::string Tail(const std::string& number) {
    std::string digits;
    for (char c : number)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits.size() > 6 ? digits.substr(digits.size() - 6) : digits;
}

struct PhoneKey {
    std::string storage, pdu;
    bool operator<(const PhoneKey& o) const {
        return std::tie(storage, pdu) < std::tie(o.storage, o.pdu);
    }
};

} // namespace

std::string ConversationEntry::Title() const {
    if (name.empty())
        return number.empty() ? std::string("(no number)") : number;
    // The person, not the phone book's kind suffix ("Anna/M"): the number follows anyway.
    std::string person = contacts::SplitKindSuffix(name).base;
    if (person.empty())
        person = name;
    return number.empty() ? person : person + " (" + number + ")";
}

std::string ShortTime(const SmsTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute);
    return text;
}

std::vector<ConversationEntry>
BuildConversations(const std::vector<messages::ArchivedMessage>& archived,
                   const std::vector<StoredSms>& onPhone, const std::vector<BookName>& book,
                   const contacts::NumberMatcher& numbers) {
    // Where each archived part sits on the phone now: the same storage and the same content.
    std::map<PhoneKey, int> slotOf;
    for (const StoredSms& sms : onPhone)
        slotOf[{sms.storage, sms.pduHex}] = sms.index;

    // Parts go to the reassembler under their archive id, so that two messages that used one
    // slot at different times stay apart.
    messages::Reassembler parts;
    ConversationEntry unreadable;
    unreadable.name = "Messages that could not be read";
    std::map<int64_t, const messages::ArchivedMessage*> byId;
    std::vector<messages::SentMessage> sent;
    std::vector<const messages::ArchivedMessage*> sentRows, reports;
    for (const auto& m : archived) {
        if (!m.decoded) {
            // Kept as it came; shown with the reason rather than left out.
            DecodedSms ignored;
            LinkError why;
            DecodeSmsPdu(m.entry.pduHex, m.entry.tpduLength, ignored, why);
            MessageLine line;
            line.text = "[this message could not be read: " + why.text + "]";
            line.state = StatusWord(m.entry.status);
            line.archiveIds.push_back(m.id);
            if (auto slot = slotOf.find({m.entry.storage, m.entry.pduHex}); slot != slotOf.end())
                line.phoneSlots.push_back({m.entry.storage, slot->second});
            line.onPhone = !line.phoneSlots.empty();
            if (!line.onPhone)
                line.state += ", archived";
            unreadable.messages.push_back(std::move(line));
            continue;
        }
        if (m.sms.kind == SmsKind::StatusReport) {
            reports.push_back(&m);
            continue;
        }
        byId[m.id] = &m;
        parts.Add({m.entry.storage, static_cast<int>(m.id)}, m.sms);
        // Only our own copies carry the reference the phone gave; a SUBMIT the phone stored
        // holds whatever its writer put there (mostly 0), which would match any report.
        if (m.sms.kind == SmsKind::Submit && m.entry.storage == kSentStorage &&
            m.sms.messageReference >= 0) {
            sent.push_back({m.sms.messageReference, m.sms.number});
            sentRows.push_back(&m);
        }
    }
    std::map<int64_t, std::string> outcomeOf;
    for (const auto* report : reports)
        if (auto which = messages::MatchStatusReport(report->sms, sent, numbers))
            outcomeOf[sentRows[*which]->id] = DescribeStatus(report->sms.status);

    std::vector<ConversationEntry> out;
    size_t order = 0;
    std::vector<std::string> tails;               // of each conversation's number
    std::map<std::string, size_t> conversationOf; // every number form seen, to its conversation
    for (messages::WholeMessage& whole : parts.TakeAll()) {
        MessageLine line;
        line.time = whole.first.time ? ShortTime(*whole.first.time) : std::string();
        line.text = whole.text;
        line.incoming = whole.first.kind == SmsKind::Deliver;
        int status = -1;
        std::set<int64_t> seen;
        for (const auto& where : whole.locations) {
            const int64_t id = where.index;
            if (!seen.insert(id).second)
                continue;
            const messages::ArchivedMessage* m = byId[id];
            line.archiveIds.push_back(id);
            if (status < 0 || m->entry.status == 0)
                status = m->entry.status; // one unread part makes the message unread
            if (auto slot = slotOf.find({m->entry.storage, m->entry.pduHex}); slot != slotOf.end())
                line.phoneSlots.push_back({m->entry.storage, slot->second});
            if (auto outcome = outcomeOf.find(id);
                outcome != outcomeOf.end() && line.delivery.empty())
                line.delivery = outcome->second;
        }
        line.onPhone = !line.phoneSlots.empty();
        line.state = StatusWord(status);
        if (!line.onPhone)
            line.state += ", archived";

        const std::string& number = whole.first.number;
        auto known = conversationOf.find(number);
        size_t at = out.size();
        if (known != conversationOf.end()) {
            at = known->second;
        } else {
            const std::string tail = Tail(number);
            for (size_t c = 0; c < out.size() && at == out.size(); ++c)
                if (!number.empty() && !tail.empty() && tails[c] == tail &&
                    numbers.Same(out[c].number, number))
                    at = c;
            if (at == out.size()) {
                ConversationEntry fresh;
                fresh.number = number;
                for (const BookName& entry : book)
                    if (!tail.empty() && Tail(entry.number) == tail &&
                        numbers.Same(entry.number, number)) {
                        fresh.name = entry.name;
                        break;
                    }
                out.push_back(std::move(fresh));
                tails.push_back(tail);
            }
            conversationOf[number] = at;
        }
        out[at].latest = order++;
        if (status == 0)
            ++out[at].unread;
        out[at].messages.push_back(std::move(line));
    }
    // The archive lists by time (UTC; messages without a time stamp by when they were archived)
    // and the reassembler keeps that order, so a conversation's messages are in order already;
    // the one with the latest message goes on top.
    std::stable_sort(
        out.begin(), out.end(),
        [](const ConversationEntry& a, const ConversationEntry& b) { return a.latest > b.latest; });
    if (!unreadable.messages.empty())
        out.push_back(std::move(unreadable));
    return out;
}

std::string StorageSummary(const std::vector<SmsStorageUse>& uses) {
    std::string text;
    for (const SmsStorageUse& use : uses) {
        if (use.total <= 0)
            continue;
        text += (text.empty() ? "" : ", ") + StorageName(use.name) + " " +
                std::to_string(use.used) + " of " + std::to_string(use.total);
    }
    return text;
}

std::string StorageWarning(const std::vector<SmsStorageUse>& uses) {
    std::string text;
    for (const SmsStorageUse& use : uses) {
        if (use.total <= 0)
            continue;
        const int free = std::max(0, use.total - use.used);
        std::string sentence;
        if (free == 0)
            sentence = "The " + StorageName(use.name) + " is full (" + std::to_string(use.used) +
                       " of " + std::to_string(use.total) +
                       "): new messages cannot arrive until some are deleted or moved to "
                       "the archive.";
        else if (free <= 2 || use.used * 10 >= use.total * 9)
            sentence = "The " + StorageName(use.name) + " has room for " + std::to_string(free) +
                       " more message" + (free == 1 ? "" : "s") + ": move some to the archive.";
        if (!sentence.empty())
            text += (text.empty() ? "" : " ") + sentence;
    }
    return text;
}

} // namespace msgview
