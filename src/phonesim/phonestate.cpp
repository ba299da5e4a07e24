#include "phonesim/phonestate.h"

#include <strings.h>

namespace phonesim {

int PhonebookStorage::FirstFree() const {
    int expected = 1;
    for (const auto& [position, record] : entries) {
        if (position > expected)
            break;
        expected = position + 1;
    }
    return expected <= size ? expected : 0;
}

int MessageStorage::FirstFree() const {
    int expected = 1;
    for (const auto& [position, message] : messages) {
        if (position > expected)
            break;
        expected = position + 1;
    }
    return expected <= size ? expected : 0;
}

MessageStorage* PhoneState::Messages(const std::string& name) {
    if (strcasecmp(name.c_str(), "SM") == 0)
        return &smsSim;
    if (strcasecmp(name.c_str(), "ME") == 0)
        return &smsMemory;
    return nullptr;
}

const MessageStorage* PhoneState::Messages(const std::string& name) const {
    return const_cast<PhoneState*>(this)->Messages(name);
}

bool IsFamilyMelodyText(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMelodyTextLimit))
        return false;
    int tones = 0;
    for (size_t i = 0; i < text.size(); ++tones) {
        char c = text[i];
        if (c == 'p' || c == 'P') {
            ++i;
            continue;
        }
        if (c == '+')
            c = i + 1 < text.size() ? text[++i] : '\0';
        if (c == '#') {
            c = i + 1 < text.size() ? text[++i] : '\0';
        } else if (c == '(') {
            if (text.compare(i, 3, "(b)") != 0)
                return false;
            i += 3;
            c = i < text.size() ? text[i] : '\0';
        }
        bool note = (c >= 'a' && c <= 'g') || (c >= 'A' && c <= 'G');
        if (!note)
            return false;
        ++i;
    }
    return tones <= kMelodyNoteLimit;
}

namespace {

bool IsOldMelodyText(const std::string& text) {
    size_t i = 0;
    auto at = [&](size_t k) { return k < text.size() ? text[k] : '\0'; };
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '+' || c == '-') {
            ++i;
            continue;
        }
        bool note = (c >= 'a' && c <= 'g') || (c >= 'A' && c <= 'G');
        if (!note && c != 'p')
            return false;
        ++i;
        if (note && at(i) == '#')
            ++i;
        char d = at(i);
        if (d == '1' || d == '2' || d == '4' || d == '8') {
            ++i;
            if (at(i) == '.')
                ++i;
        }
    }
    return true;
}

} // namespace

bool IsValidMelodyText(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMelodyTextLimit))
        return false;
    return IsFamilyMelodyText(text) || IsOldMelodyText(text);
}

bool ParseCharset(const std::string& name, Charset* out) {
    for (Charset c : {Charset::Latin1, Charset::Ira, Charset::Gsm, Charset::Ucs2})
        if (strcasecmp(name.c_str(), CharsetName(c)) == 0) {
            *out = c;
            return true;
        }
    return false;
}

PhonebookStorage* PhoneState::Storage(const std::string& name) {
    if (strcasecmp(name.c_str(), "SM") == 0)
        return &sim;
    if (strcasecmp(name.c_str(), "ME") == 0)
        return &memory;
    return nullptr;
}

const PhonebookStorage* PhoneState::Storage(const std::string& name) const {
    return const_cast<PhoneState*>(this)->Storage(name);
}

PhoneState PhoneState::Empty() {
    PhoneState s;
    s.sim.size = 250;
    s.sim.numberLimit = 40;
    s.sim.textLimit = 18;
    s.memory.size = 500;
    s.memory.numberLimit = 40;
    s.memory.textLimit = 24;
    for (int i = 1; i <= kMelodyCount; ++i)
        s.melodies.push_back({i, "", 0});
    return s;
}

PhoneState PhoneState::Demo() {
    PhoneState s = Empty();
    // Names are ISO 8859-1: "\xFC" is u-umlaut, "\xEB" e-diaeresis, and so on.
    static const char* const kFirst[] = {
        "Anna",  "Bernd",   "Carla", "Dieter", "Elif",   "Frank",     "Greta", "Hans",
        "Ines",  "J\xFCrgen", "Karin", "Lars",   "Mar\xED" "a", "Nils",    "Olga",  "Pavel",
        "Quinn", "Ren\xE9", "Sanna", "Tom\xE1s", "Ute",    "Vera",      "Wim",   "Xaver",
        "Yusuf", "Zo\xEB",  "\xC5sa", "Bj\xF6rn", "Chlo\xE9", "Fran\xE7ois",
    };
    static const char* const kSuffix[] = {"/M", "/H", "/W", ""};
    constexpr int kFirstCount = sizeof(kFirst) / sizeof(kFirst[0]);

    for (int i = 0; i < 30; ++i) {
        PhonebookRecord r;
        std::string name = std::string(kFirst[i % kFirstCount]) + kSuffix[i % 4];
        r.name = name;
        if (i % 7 == 3) {
            r.number = "+4930" + std::to_string(5550100 + i * 13);
            r.type = 145;
        } else {
            r.number = "0170" + std::to_string(2000000 + i * 4711);
        }
        s.sim.entries[i + 1] = r;
    }
    static const char* const kLast[] = {"Berg", "Ek", "Fox", "Haas", "Lind", "Moe"};
    for (int i = 0; i < 60; ++i) {
        PhonebookRecord r;
        r.name = std::string(kFirst[(i * 7) % kFirstCount]) + " " + kLast[i % 6] + kSuffix[i % 4];
        if (i % 9 == 4) {
            r.number = "+44207" + std::to_string(9460000 + i * 31);
            r.type = 145;
        } else {
            r.number = "030" + std::to_string(4400000 + i * 997);
        }
        // Gaps in the phone memory, as a used phone has them.
        s.memory.entries[i < 40 ? i + 1 : i + 11] = r;
    }
    static const char* const kMelodies[kMelodyCount] = {
        "c4d4e4f4g2g2a4a4a4a4g1",
        "e8e8e4e8e8e4e8g8c8d8e2",
        "g4g4a2g2C2b1",
        "cdefGGaaaaG",        // the family's own notation from here on
        "a8p8a8p8a4 +c4 -a4", // the older notation, as state files and programs still hold it
        "d#faD",
        "e#deb(b)agP",
        "",
    };
    for (int i = 0; i < kMelodyCount; ++i)
        s.melodies[i].text = kMelodies[i];
    return s;
}

} // namespace phonesim
