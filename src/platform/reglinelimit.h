#pragma once
// A guard run before the registry file is parsed: a hand-edited or damaged file with a line of a
// megabyte would cost seconds of parsing at start-up and end in a message box holding the whole
// line. No key path or value the program writes comes near the limit.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kMaxRegistryLine = 16 * 1024;

// "line N is longer than 16384 characters" for the first line over `limit`, else nothing. One
// pass over the text, nothing of the line copied into the message.
std::optional<std::string> RegistryLineTooLong(std::string_view text, std::size_t limit = kMaxRegistryLine);

} // namespace platform
