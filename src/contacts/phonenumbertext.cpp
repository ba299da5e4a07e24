#include "contacts/phonenumbertext.h"

#include <cctype>

#include "phonelink/phonebookentry.h"

namespace contacts {

std::string DialableNumber(std::string_view text, std::string* reason) {
    std::string out;
    bool digit = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // "+44 (0)20 ..." writes the national trunk prefix for readers at home; it is not dialled.
        if (c == '(' && text.substr(i, 3) == "(0)" && !out.empty() && out[0] == '+') {
            i += 2;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            out += c;
            digit = true;
        } else if (c == '+') {
            if (!out.empty()) {
                if (reason) *reason = "\"" + std::string(text) + "\" has a \"+\" inside the number";
                return {};
            }
            out += c;
        } else if (c == '*' || c == '#') {
            out += c;
        } else if (c == 'p' || c == 'P' || c == 'w' || c == 'W' || c == ',') {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c == ',' ? 'p' : c)));
        } else if (c == ' ' || c == '-' || c == '.' || c == '/' || c == '(' || c == ')' || c == '\t') {
            continue;  // formatting
        } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
            ++i;  // a no-break space, as address books group digits with
            continue;
        } else {
            if (reason) *reason = "\"" + std::string(text) + "\" is not a phone number";
            return {};
        }
    }
    if (!digit) {
        if (reason) *reason = "\"" + std::string(text) + "\" has no digits";
        return {};
    }
    return out;
}

int DefaultNumberType(std::string_view number) {
    return !number.empty() && number[0] == '+' ? kTypeInternational : kTypeNational;
}

} // namespace contacts
