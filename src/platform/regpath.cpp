#include "platform/regpath.h"

#include <cctype>

namespace platform::regpath {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> Split(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string CanonicalRoot(std::string_view name) {
    const std::string l = Lower(name);
    if (l == "hkey_local_machine" || l == "hklm")
        return "HKEY_LOCAL_MACHINE";
    if (l == "hkey_current_user" || l == "hkcu")
        return "HKEY_CURRENT_USER";
    return {};
}

} // namespace platform::regpath
