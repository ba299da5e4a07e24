#pragma once
// Faults the emulated phone can be told to show, so the program's error paths can be driven.
#include <string>

namespace phonesim {

enum class FaultAction {
    Error,          // "ERROR" instead of running the command
    CmeError,       // "+CME ERROR: code" instead of running the command
    CmsError,       // "+CMS ERROR: code" instead of running the command
    Silent,         // the command is ignored: no reply at all (the echo still goes out)
    DropMidReply,   // the command runs, part of its reply goes out, then the line drops
    HangupBefore,   // the line drops before the command runs
};

struct FaultRule {
    std::string commandPrefix; // compared case-insensitively with the start of the command line
    FaultAction action = FaultAction::Error;
    int code = 0;              // for CmeError / CmsError
    int remaining = -1;        // how many more lines it hits; zero or negative: every line
    int skip = 0;              // matching lines it lets pass first (a cut at the 100th write)
};

// "error", "silent", "drop", "hangup", "cme=N", "cms=N".
bool ParseFaultAction(const std::string& text, FaultAction* action, int* code);
// "PREFIX:ACTION[:COUNT]"; the prefix may itself hold colons.
bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error);

} // namespace phonesim
