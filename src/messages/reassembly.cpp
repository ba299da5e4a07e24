#include "reassembly.h"

#include <algorithm>

namespace messages {
namespace {

// A header no sender writes for a real long message: no parts, a part outside the count, or
// the 255-part maximum (a corrupt octet far more often than a real message). Such a message
// is shown on its own.
bool UsableConcat(const DecodedSms& sms) {
    if (!sms.concat)
        return false;
    const auto& c = *sms.concat;
    return c.total >= 2 && c.total < 255 && c.sequence >= 1 && c.sequence <= c.total;
}

} // namespace

std::string MissingPartMarker(int sequence, int total) {
    return "[part " + std::to_string(sequence) + " of " + std::to_string(total) + " missing]";
}

void Reassembler::Add(const SmsLocation& where, const DecodedSms& sms) {
    if (!UsableConcat(sms)) {
        WholeMessage whole;
        whole.first = sms;
        whole.text = sms.text;
        whole.locations.push_back(where);
        whole.partLocations.push_back(where);
        m_singles.emplace_back(m_order++, std::move(whole));
        return;
    }
    const auto& c = *sms.concat;
    Key key{static_cast<int>(sms.kind), sms.number, c.reference, c.total, c.sixteenBit};
    auto [it, added] = m_pending.try_emplace(key);
    Pending& pending = it->second;
    if (added) {
        pending.order = m_order++;
        pending.total = c.total;
    }
    pending.parts.try_emplace(c.sequence, sms, where); // a duplicate keeps the first copy's text
    pending.locations.push_back(where);
}

std::vector<WholeMessage> Reassembler::Take(bool incompleteToo) {
    std::vector<std::pair<size_t, WholeMessage>> ready = std::move(m_singles);
    m_singles.clear();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        Pending& p = it->second;
        bool complete = static_cast<int>(p.parts.size()) == p.total;
        if (!complete && !incompleteToo) {
            ++it;
            continue;
        }
        WholeMessage whole;
        whole.first = p.parts.begin()->second.first;
        whole.partsHave = static_cast<int>(p.parts.size());
        whole.partsTotal = p.total;
        for (int k = 1; k <= p.total; ++k) {
            auto part = p.parts.find(k);
            if (part == p.parts.end()) {
                whole.text += MissingPartMarker(k, p.total);
                continue;
            }
            whole.text += part->second.first.text;
            whole.partLocations.push_back(part->second.second);
        }
        whole.locations = std::move(p.locations);
        ready.emplace_back(p.order, std::move(whole));
        it = m_pending.erase(it);
    }
    std::sort(ready.begin(), ready.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<WholeMessage> out;
    out.reserve(ready.size());
    for (auto& entry : ready)
        out.push_back(std::move(entry.second));
    return out;
}

std::vector<WholeMessage> Reassembler::TakeComplete() { return Take(false); }
std::vector<WholeMessage> Reassembler::TakeAll() { return Take(true); }

} // namespace messages
