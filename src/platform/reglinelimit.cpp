#include "reglinelimit.h"

namespace platform {

std::optional<std::string> RegistryLineTooLong(std::string_view text, std::size_t limit) {
    std::size_t lineNo = 1;
    for (std::size_t start = 0; start <= text.size(); ++lineNo) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end - start > limit)
            return "line " + std::to_string(lineNo) + " is longer than " + std::to_string(limit) + " characters";
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace platform
