#pragma once
// Key paths of the registry ("HKEY_LOCAL_MACHINE\SOFTWARE\..."), shared by the text format and
// the key tree. Names compare without regard to case, as the Windows registry's do.
#include <string>
#include <string_view>
#include <vector>

namespace platform::regpath {

std::string Lower(std::string_view text);
// The non-empty parts between backslashes.
std::vector<std::string> Split(std::string_view path);
// "HKEY_LOCAL_MACHINE" for "hkey_local_machine" or "HKLM" (likewise HKEY_CURRENT_USER), empty
// for anything else.
std::string CanonicalRoot(std::string_view name);

} // namespace platform::regpath
