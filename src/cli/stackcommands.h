#pragma once
// The Bluetooth commands of harlune-cli ("devices", "push"), served by the stack layer.
#include <ostream>
#include <string>
#include <vector>

// `args` are all arguments after the program name. Returns the process exit status:
// 0 ok, 1 the peer refused, 2 usage, 3 connection failed.
int RunStackCommand(const std::vector<std::string>& args);
// The same, writing to the given streams (tests).
int RunStackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
