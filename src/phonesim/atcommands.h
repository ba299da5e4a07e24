#pragma once
// The interpreter's command table: one row per command name, with a handler for each form a
// command can take (AT+X=?, AT+X?, AT+X=..., AT+X). A missing handler means the phone answers
// that form with ERROR. Later commands are added as rows here.
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

class AtInterpreter;

enum class CommandForm { Exec, Test, Read, Set };

// What a command answers: information lines, then a final result.
struct CommandResult {
    enum class Kind { Ok, Error, CmeError, CmsError, Prompt, NoCarrier, ModemError, None };
    Kind kind = Kind::Ok;
    int code = 0;
    std::vector<std::string> lines;
    bool changedState = false;

    static CommandResult Ok() { return {}; }
    static CommandResult Error() { return {Kind::Error, 0, {}, false}; }
    static CommandResult Cme(int code) { return {Kind::CmeError, code, {}, false}; }
    static CommandResult Cms(int code) { return {Kind::CmsError, code, {}, false}; }
    // Information lines, then OK.
    static CommandResult Lines(std::vector<std::string> lines) {
        return {Kind::Ok, 0, std::move(lines), false};
    }
    // OK, and the phone's state changed (saved to its state file).
    static CommandResult Changed() { return {Kind::Ok, 0, {}, true}; }
};

// 3GPP TS 27.007 +CME ERROR codes the phone uses.
namespace cme {
constexpr int kOperationNotAllowed = 3;
constexpr int kOperationNotSupported = 4;
constexpr int kSimBusy = 14;
constexpr int kMemoryFull = 20;
constexpr int kInvalidIndex = 21;
constexpr int kNotFound = 22;
constexpr int kTextTooLong = 24;
constexpr int kInvalidTextCharacters = 25;
constexpr int kDialStringTooLong = 26;
constexpr int kInvalidDialCharacters = 27;
constexpr int kNoNetworkService = 30;
constexpr int kIncorrectParameters = 50;
} // namespace cme

// 3GPP TS 27.005 +CMS ERROR codes.
namespace cms {
constexpr int kOperationNotAllowed = 302;
constexpr int kInvalidPduParameter = 304;
constexpr int kOperationNotSupported = 303;
constexpr int kInvalidTextParameter = 305;
constexpr int kSimBusy = 315;
constexpr int kInvalidMemoryIndex = 321;
constexpr int kMemoryFull = 322;
constexpr int kNoNetworkService = 331;
} // namespace cms

using CommandHandler = CommandResult (*)(AtInterpreter& at, std::string_view args);

struct CommandRow {
    const char* name; // upper case, without "AT": "+CPBR", "*ESOM", "E0"
    CommandHandler exec = nullptr;
    CommandHandler test = nullptr;
    CommandHandler read = nullptr;
    CommandHandler set = nullptr; // args: the text after '='
};

// Every command: the base table (atcommands.cpp) with the network (atnetwork.cpp) and message
// storage (atsms.cpp) tables after it.
const std::vector<CommandRow>& Commands();
const std::vector<CommandRow>& NetworkCommands();
const std::vector<CommandRow>& SmsCommands();

// The end of a message typed after the AT+CMGS/AT+CMGW prompt (atsms.cpp).
CommandResult FinishMessageInput(AtInterpreter& at, bool pduMode, const std::string& input, bool overflow);
// The +CMTI/+CMT/+CDS text a session shows for a message event, empty when it asked for none.
std::string MessageUnsolicited(const AtInterpreter& at, const struct PhoneEvent& event);

// The "+CREG: <stat>[,<lac>,<ci>]" line a session with +CREG=1 or 2 is sent.
std::string CregUnsolicited(const AtInterpreter& at);

} // namespace phonesim
