#pragma once
// The Bluetooth commands of harlune-cli ("devices", "push"), served by the stack layer.
#include <string>
#include <vector>

// `args` are all arguments after the program name. Returns the process exit status.
int RunStackCommand(const std::vector<std::string>& args);
