#pragma once
// harlune-cli as a function: arguments after the program name in, exit status out. main() and
// the tests both call it.
#include <ostream>
#include <string>
#include <vector>

enum CliExit { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitConnection = 3 };

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
