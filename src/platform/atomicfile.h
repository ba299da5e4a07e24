#pragma once
// Whole-file reads and writes for files a crash must never leave half written.
#include <string>

namespace platform {

// The file's bytes; false when it cannot be opened (*exists says whether it is there at all).
bool ReadWholeFile(const std::string& path, std::string* text, bool* exists = nullptr);
// Writes text beside path and renames it over path, so a reader sees the old file or the new
// one, never a mix. False with a reason; the old file is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

} // namespace platform
