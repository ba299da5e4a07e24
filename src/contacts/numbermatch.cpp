#include "contacts/numbermatch.h"

#include <cctype>

#include <phonenumbers/phonenumberutil.h>

namespace contacts {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

NumberMatcher::NumberMatcher(std::string region) : m_region(std::move(region)) {}

bool NumberMatcher::Same(std::string_view a, std::string_view b) const {
    if (a == b) return true;
    // Short codes, service numbers with '*' or '#', and empty numbers match only when equal.
    if (a.empty() || b.empty() || a.find_first_of("*#") != std::string_view::npos ||
        b.find_first_of("*#") != std::string_view::npos)
        return false;
    const PhoneNumberUtil* util = PhoneNumberUtil::GetInstance();
    if (!m_region.empty()) {
        PhoneNumber first, second;
        if (util->Parse(std::string(a), m_region, &first) == PhoneNumberUtil::NO_PARSING_ERROR &&
            util->Parse(std::string(b), m_region, &second) == PhoneNumberUtil::NO_PARSING_ERROR)
            return util->IsNumberMatch(first, second) == PhoneNumberUtil::EXACT_MATCH;
    }
    const auto match = util->IsNumberMatchWithTwoStrings(std::string(a), std::string(b));
    return match == PhoneNumberUtil::EXACT_MATCH || match == PhoneNumberUtil::NSN_MATCH;
}

std::string NumberMatcher::RegionFromLocale(std::string_view locale) {
    const size_t sep = locale.find_first_of("_-");
    if (sep == std::string_view::npos || sep + 3 > locale.size()) return {};
    std::string region(locale.substr(sep + 1, 2));
    for (char& c : region) {
        if (!std::isalpha(static_cast<unsigned char>(c))) return {};
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (sep + 3 < locale.size() && std::isalpha(static_cast<unsigned char>(locale[sep + 3]))) return {};
    return region;
}

} // namespace contacts
