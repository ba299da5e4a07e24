#pragma once
// The Bluetooth commands of harlune-cli ("devices", "push"), served by the stack layer.
#include <ostream>
#include <string>
#include <vector>

#include "bluetooth/stackchoice.h"

// True when the line's command word is one of the Bluetooth commands.
bool IsStackCommand(const std::vector<std::string>& args);
// `args` are all arguments after the program name. Returns the process exit status:
// 0 ok, 1 the peer refused, 2 usage, 3 connection failed.
int RunStackCommand(const std::vector<std::string>& args);
// The same, writing to the given streams (tests). Without --stack this picks the demo phone: the
// real BlueZ probe is only for the first form, so a test never depends on the machine's bus.
int RunStackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// With the given probe deciding whether BlueZ has an adapter when --stack is not given.
int RunStackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const stackchoice::BluezProbe& probe);
