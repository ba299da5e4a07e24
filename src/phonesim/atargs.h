#pragma once
// Reading the parameters of an AT command ("1,\"0123\",129,\"Bob\""). Numbers are decimal,
// texts are in double quotes.
//
// Texts go to the phone as raw bytes, never with backslash escapes, and a name may itself hold
// a double quote or a comma. So a quote closes a text only when a comma or the end of the line
// follows it (blanks allowed between); for the last parameter of a command, the last quote of
// the line closes it, whatever comes before.
#include <string>
#include <string_view>

namespace phonesim {

class ArgReader {
public:
    explicit ArgReader(std::string_view text) : m_text(text) {}

    bool AtEnd();                 // only blanks left
    bool NextIsEmpty();           // the next field is empty (a ',' or the end follows)
    bool Comma();                 // consumes one ',' (after blanks); false if none
    bool Int(int* value);         // decimal digits; false if none or absurdly long
    bool Quoted(std::string* value, bool lastField);

private:
    void SkipBlanks();
    std::string_view m_text;
    size_t m_pos = 0;
};

// The whole argument is one number from 0 to max ("AT+CMEE=1"); false for anything else.
bool OneSetting(std::string_view args, int max, int* value);

} // namespace phonesim
