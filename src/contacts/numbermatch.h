#pragma once
// Whether two phone numbers reach the same line, across national and international forms
// ("0612345678" and "+31612345678"), with libphonenumber's rules for each country.
#include <string>
#include <string_view>

namespace contacts {

class NumberMatcher {
public:
    // region: the two-letter country that national numbers belong to ("NL"), or empty when it
    // is not known; then a national and an international number match when their national
    // significant numbers agree.
    explicit NumberMatcher(std::string region = {});

    bool Same(std::string_view a, std::string_view b) const;

    // The region from a locale name such as "nl_NL.UTF-8" or "en-GB", empty when it has none.
    static std::string RegionFromLocale(std::string_view locale);

private:
    std::string m_region;
};

} // namespace contacts
