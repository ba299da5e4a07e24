#include "smsbudget.h"

#include "phonelink/charset.h"
#include "phonelink/smspdu.h"

namespace smsform {

SmsBudget MeasureSmsText(std::string_view utf8) {
    SmsBudget budget;
    auto text = DecodeUtf8(utf8);
    if (!text) {
        budget.alphabet = Alphabet::Unsendable;
        return budget;
    }
    if (auto septets = ToGsmSeptets(*text)) {
        budget.alphabet = Alphabet::Gsm;
        budget.used = static_cast<int>(septets->size());
        budget.limit = kMaxGsmSeptets;
        return budget;
    }
    budget.alphabet = Alphabet::Ucs2;
    budget.limit = kMaxUcs2Characters;
    budget.used = static_cast<int>(text->size());
    for (char32_t c : *text)
        if (c > 0xFFFF) {
            budget.alphabet = Alphabet::Unsendable;
            break;
        }
    return budget;
}

std::string BudgetLabel(const SmsBudget& budget) {
    if (budget.alphabet == Alphabet::Unsendable)
        return "cannot be sent";
    const std::string unit = budget.alphabet == Alphabet::Ucs2 ? " (UCS2)" : "";
    if (budget.Remaining() < 0)
        return std::to_string(-budget.Remaining()) + " too many" + unit;
    return std::to_string(budget.Remaining()) + " left" + unit;
}

std::string BudgetRefusal(const SmsBudget& budget) {
    if (budget.alphabet == Alphabet::Unsendable)
        return "the text holds a character that no SMS can carry";
    if (budget.Fits())
        return {};
    if (budget.alphabet == Alphabet::Gsm)
        return "the text needs " + std::to_string(budget.used) + " characters, one message holds " +
               std::to_string(budget.limit);
    return "the text needs UCS2: " + std::to_string(budget.used) + " characters, one message holds " +
           std::to_string(budget.limit);
}

} // namespace smsform
