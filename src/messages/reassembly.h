#pragma once
// Concatenated messages put back together: a pure collector fed the messages of a listing
// (in any order, parts duplicated or missing), keyed by kind, number, reference and part count.
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "phonelink/smsdecode.h"

namespace messages {

struct SmsLocation {
    std::string storage; // "SM", "ME", ...
    int index = 0;
    bool operator==(const SmsLocation&) const = default;
};

struct WholeMessage {
    DecodedSms first;  // the lowest part present: number, time, kind of the whole message
    std::string text;  // parts joined in sequence order; a missing one as MissingPartMarker
    std::vector<SmsLocation> locations; // every slot the message occupies, duplicates included
    std::vector<SmsLocation> partLocations; // the slot of each part present, in part order
    int partsHave = 1;
    int partsTotal = 1;
};

// "[part 2 of 3 missing]"
std::string MissingPartMarker(int sequence, int total);

class Reassembler {
public:
    void Add(const SmsLocation& where, const DecodedSms& sms);
    // Messages whose parts are all in (and single messages), in the order they first came;
    // they leave the collector.
    std::vector<WholeMessage> TakeComplete();
    // Everything, the incomplete ones with markers in place of their missing parts.
    std::vector<WholeMessage> TakeAll();

private:
    struct Pending {
        size_t order = 0;
        int total = 1;
        std::map<int, std::pair<DecodedSms, SmsLocation>> parts; // by sequence, the first copy
        std::vector<SmsLocation> locations;
    };
    using Key = std::tuple<int, std::string, int, int, bool>;
    std::vector<WholeMessage> Take(bool incompleteToo);

    std::map<Key, Pending> m_pending;
    std::vector<std::pair<size_t, WholeMessage>> m_singles;
    size_t m_order = 0;
};

} // namespace messages
