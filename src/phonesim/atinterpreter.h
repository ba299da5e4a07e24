#pragma once
// The emulated phone's AT command interpreter: bytes in, bytes out, no I/O of its own.
//
// Framing: a command line ends on CR; a lone LF also ends one (some terminal programs send
// only LF), and the LF of a CR LF pair is skipped. With echo on (E1, the default) every
// received byte of a command line is sent back as it arrives, like a real phone does. Replies
// use verbose framing: each information line and the final result code as "\r\n<line>\r\n".
// After AT+CMGS the interpreter reads a PDU (or, in text mode, the text) up to Ctrl-Z; ESC
// cancels.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "phonesim/faults.h"
#include "phonesim/phonestate.h"

namespace phonesim {

// Lets the owner watch and steer the interpreter (Phone uses it for the command log, fault
// rules and saving the state); all members are optional.
struct InterpreterHooks {
    // Called with every command line before it runs; may return a fault to act out instead.
    std::function<std::optional<FaultRule>(std::string_view line)> beforeCommand;
    // Called after a command changed the state.
    std::function<void()> stateChanged;
};

class AtInterpreter {
public:
    // The state must outlive the interpreter; the interpreter changes it in place.
    explicit AtInterpreter(PhoneState& state, InterpreterHooks hooks = {});

    // Takes whatever bytes arrived, returns what the phone sends back. After a hang-up (a
    // fault rule) the rest of the input is ignored and HungUp() is true.
    std::string Feed(std::string_view bytes);
    bool HungUp() const { return m_hungUp; }

    bool EchoEnabled() const { return m_echo; }
    int CmeeMode() const { return m_cmee; }

private:
    enum class Mode { Command, PduInput, TextInput };
    struct Reply;

    void ProcessLine(const std::string& line, std::string& out);
    void RunCommand(const std::string& line, Reply& reply);
    void FeedMessageByte(char c, std::string& out);
    void FinishMessage(std::string& out);

    // The command handlers (atcommands.cpp) work on the fields below.
    friend struct CommandHandlers;

    PhoneState& m_state;
    InterpreterHooks m_hooks;
    Mode m_mode = Mode::Command;
    std::string m_line;
    bool m_lastWasCr = false;
    bool m_lineOverflow = false;
    bool m_echo = true;
    int m_cmee = 1;       // numeric +CME ERROR codes by default, so callers see a reason
    bool m_textMode = false;
    bool m_hungUp = false;
    // Pending AT+CMGS.
    int m_announcedLength = 0;
    std::string m_messageInput;
    bool m_messageOverflow = false;
    std::string m_textDestination;
    int m_textTypeOfAddress = 129;
};

} // namespace phonesim
