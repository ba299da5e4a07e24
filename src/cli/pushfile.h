#pragma once
// Reading the file harlune-cli pushes: a regular file of at most the push limit, read whole,
// never a device or a pipe that would grow without end.
#include <cstdint>
#include <string>
#include <vector>

// False with a sentence naming the file and the reason.
bool ReadPushFile(const std::string& path, int64_t limit, std::vector<uint8_t>* data,
                  std::string* error);
