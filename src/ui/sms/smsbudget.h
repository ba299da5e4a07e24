#pragma once
// How much of one SMS a text uses, measured the way the phone link encodes it: septets of the
// GSM default alphabet (an extension character takes two), or UCS2 characters when one
// character has no place in that alphabet. The form's counter and its Send check both come from
// here, so what the counter promises is what the encoder accepts.
#include <string>
#include <string_view>

namespace smsform {

enum class Alphabet {
    Gsm,
    Ucs2,
    Unsendable, // not valid UTF-8, or a character outside UCS2's basic plane
};

struct SmsBudget {
    Alphabet alphabet = Alphabet::Gsm;
    int used = 0;  // septets (GSM) or characters (UCS2)
    int limit = 0; // what one message holds in that alphabet

    int Remaining() const { return limit - used; }
    bool Fits() const { return alphabet != Alphabet::Unsendable && used <= limit; }
};

SmsBudget MeasureSmsText(std::string_view utf8);

// The counter's text: "152 left", "62 left (UCS2)", "3 too many", ...
std::string BudgetLabel(const SmsBudget& budget);
// Why Send refuses a text that does not fit; empty when it fits.
std::string BudgetRefusal(const SmsBudget& budget);

} // namespace smsform
