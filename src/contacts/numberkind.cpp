#include "contacts/numberkind.h"

#include <cctype>

namespace contacts {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool Contains(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

} // namespace

SplitName SplitKindSuffix(std::string_view storedName) {
    const size_t size = storedName.size();
    if (size >= 2 && storedName[size - 2] == '/') {
        NumberKind kind = NumberKind::None;
        switch (storedName[size - 1]) {
        case 'M': kind = NumberKind::Mobile; break;
        case 'H': kind = NumberKind::Home; break;
        case 'W': kind = NumberKind::Work; break;
        default: break;
        }
        if (kind != NumberKind::None) return {std::string(storedName.substr(0, size - 2)), kind};
    }
    return {std::string(storedName), NumberKind::None};
}

std::string WithKindSuffix(std::string_view base, NumberKind kind) {
    std::string name(base);
    switch (kind) {
    case NumberKind::Mobile: name += "/M"; break;
    case NumberKind::Home: name += "/H"; break;
    case NumberKind::Work: name += "/W"; break;
    case NumberKind::None: break;
    }
    return name;
}

const char* VCardType(NumberKind kind) {
    switch (kind) {
    case NumberKind::Mobile: return "CELL";
    case NumberKind::Home: return "HOME";
    case NumberKind::Work: return "WORK";
    case NumberKind::None: break;
    }
    return "";
}

const char* KindWord(NumberKind kind) {
    switch (kind) {
    case NumberKind::Mobile: return "mobile";
    case NumberKind::Home: return "home";
    case NumberKind::Work: return "work";
    case NumberKind::None: break;
    }
    return "";
}

NumberKind KindFromWord(std::string_view word) {
    const std::string w = Lower(word);
    // A fax or pager number is not one to file under a person's mobile, home or work line.
    if (Contains(w, "fax") || Contains(w, "pager")) return NumberKind::None;
    if (Contains(w, "cell") || Contains(w, "mobile") || Contains(w, "iphone")) return NumberKind::Mobile;
    if (Contains(w, "home")) return NumberKind::Home;
    if (Contains(w, "work") || Contains(w, "business") || Contains(w, "office") || Contains(w, "company"))
        return NumberKind::Work;
    return NumberKind::None;
}

} // namespace contacts
