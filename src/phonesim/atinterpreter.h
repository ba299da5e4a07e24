#pragma once
// The emulated phone's AT command interpreter: bytes in, bytes out, no I/O of its own.
//
// Framing (ITU-T V.250): a command line ends on the S3 character (CR); a lone LF also ends one
// (some terminal programs send only LF), and the LF of a CR LF pair is skipped. With echo on
// (E1, the default) every received byte of a command line is sent back as it arrives, like a
// real phone does. One line may hold several commands: basic ones back to back ("ATE0V1",
// blanks allowed between them) and extended ones separated by ';' ("AT+CMEE=1;+CSCS?"); the
// first failing command ends the line with its error, otherwise one final result code ends it.
// Verbose framing (V1): information text as "<S3><S4><line><S3><S4>", final result codes
// likewise; numeric framing (V0): information lines "<line><S3><S4>", result codes as a digit
// and S3 alone. Q1 suppresses the result codes.
// After AT+CMGS (and AT+CMGW) the interpreter reads a PDU (or, in text mode, the text) up to
// Ctrl-Z; ESC cancels.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonesim/dialect.h"
#include "phonesim/faults.h"
#include "phonesim/phonestate.h"

namespace phonesim {

struct CommandResult;

// Something the phone tells every connection without being asked (27.007/27.005 unsolicited
// result codes); each session shows it as its own settings (+CREG, +CNMI) say, or not at all.
struct PhoneEvent {
    enum class Kind { Registration, NewMessage, StatusReport };
    Kind kind = Kind::Registration;
    std::string storage; // NewMessage: "SM" or "ME"
    int index = 0;       // NewMessage: its position
    std::string pduHex;  // NewMessage: the DELIVER (for +CMT); StatusReport: the STATUS-REPORT TPDU
};

// Lets the owner watch and steer the interpreter (Phone uses it for the command log, fault
// rules and saving the state); all members are optional.
struct InterpreterHooks {
    // Called with every command line before it runs; may return a fault to act out instead.
    std::function<std::optional<FaultRule>(std::string_view line)> beforeCommand;
    // Called after a command changed the state.
    std::function<void()> stateChanged;
    // Called when a command causes something every session hears of (a status report).
    std::function<void(const PhoneEvent&)> raise;
    // The system clock in seconds since 1970 (tests fix it); null: time().
    std::function<long long()> now;
};

class AtInterpreter {
public:
    // The state must outlive the interpreter; the interpreter changes it in place.
    explicit AtInterpreter(PhoneState& state, InterpreterHooks hooks = {}, Dialect dialect = {});

    // Takes whatever bytes arrived, returns what the phone sends back. After a hang-up (a
    // fault rule) the rest of the input is ignored and HungUp() is true.
    std::string Feed(std::string_view bytes);
    bool HungUp() const { return m_hungUp; }

    // The unsolicited lines this session sends for the event (empty when it asked for none).
    std::string Unsolicited(const PhoneEvent& event) const;

    bool EchoEnabled() const { return m_echo; }
    int CmeeMode() const { return m_cmee; }

private:
    enum class Mode { Command, PduInput, TextInput };
    struct Reply;

    void ProcessLine(const std::string& line, std::string& out);
    void RunCommand(const std::string& line, Reply& reply);
    CommandResult RunExtended(std::string_view command);
    CommandResult RunBasic(std::string_view& rest);
    void ResetSettings();
    std::string LineEnd() const;
    void EmitInfo(const std::vector<std::string>& lines, std::string& out) const;
    void EmitFinal(const char* verbose, int numeric, std::string& out) const;
    void EmitResult(const CommandResult& result, std::string& out) const;
    void FeedMessageByte(char c, std::string& out);
    void FinishMessage(std::string& out);
    void RaisePending();

    // The command handlers (atcommands.cpp) work on the fields below.
    friend struct CommandHandlers;
    friend struct NetworkHandlers;
    friend struct SmsHandlers;

    PhoneState& m_state;
    InterpreterHooks m_hooks;
    Mode m_mode = Mode::Command;
    std::string m_line;
    bool m_lastWasCr = false;
    bool m_lineOverflow = false;
    Dialect m_dialect;
    bool m_echo = true;
    bool m_verbose = true; // V1
    bool m_quiet = false;  // Q1
    int m_cmee = 0;
    bool m_textMode = false;
    int m_dcdMode = 1;     // &C
    int m_dtrMode = 2;     // &D
    int m_sreg[13] = {};   // S0..S12
    int m_cregMode = 0;    // +CREG <n>
    int m_cgregMode = 0;   // +CGREG <n>
    int m_clip = 0;        // +CLIP
    int m_crc = 0;         // +CRC
    bool m_cusd = false;   // +CUSD
    int m_simBusyLeft = 0;     // dialect: SIM phone-book commands still to refuse as busy
    bool m_carrierLost = false; // dialect: the one listing cut by NO CARRIER has happened
    int m_copsFormat = 0;  // +COPS <format>
    int m_cnmi[5] = {};    // +CNMI <mode>,<mt>,<bm>,<ds>,<bfr>
    int m_csmp[4] = {17, 167, 0, 0}; // +CSMP <fo>,<vp>,<pid>,<dcs> for text mode
    int m_csms = 0;        // +CSMS <service>
    bool m_hungUp = false;
    // Pending AT+CMGS or AT+CMGW.
    bool m_storeInput = false; // AT+CMGW: store with m_storeStatus instead of sending
    int m_storeStatus = 2;
    std::vector<PhoneEvent> m_pendingEvents; // raised once the command's reply is out
    int m_announcedLength = 0;
    std::string m_messageInput;
    bool m_messageOverflow = false;
    std::string m_textDestination;
    int m_textTypeOfAddress = 129;
};

} // namespace phonesim
