#pragma once
// harlune-cli ports: the serial ports that lead to phones and modems, with their names, who
// holds each, and whether it answers "AT".
#include <ostream>
#include <string>
#include <vector>

namespace serialports {
class PortEnumerator;
}

// `args` are all arguments after the program name. Exit status 0, 2 usage, 3 no enumeration.
int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// With the given enumeration (tests).
int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    serialports::PortEnumerator& ports);
