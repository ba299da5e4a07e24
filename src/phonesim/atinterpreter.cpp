#include "phonesim/atinterpreter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <cstdio>
#include <iterator>

#include "phonesim/atcommands.h"

namespace phonesim {
namespace {

// Longer lines than this are no AT command a phone of this family accepts; the rest of such a
// line is dropped and the line answered with ERROR, so input cannot grow without bound.
constexpr size_t kMaxLineLength = 1024;
// The longest SMS-SUBMIT: 164 octets of TPDU plus 12 of service centre, as hex.
constexpr size_t kMaxPduHex = 2 * (164 + 12);
constexpr size_t kMaxTextInput = 1024;
constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
constexpr char kBackspace = 0x08;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

const char* CmeText(int code) {
    switch (code) {
    case 3: return "operation not allowed";
    case 4: return "operation not supported";
    case 10: return "SIM not inserted";
    case 20: return "memory full";
    case 21: return "invalid index";
    case 22: return "not found";
    case 24: return "text string too long";
    case 25: return "invalid characters in text string";
    case 26: return "dial string too long";
    case 27: return "invalid characters in dial string";
    case 50: return "incorrect parameters";
    default: return "unknown";
    }
}

} // namespace

struct AtInterpreter::Reply {
    std::string bytes;
};

AtInterpreter::AtInterpreter(PhoneState& state, InterpreterHooks hooks, Dialect dialect)
    : m_state(state), m_hooks(std::move(hooks)), m_dialect(std::move(dialect)) {
    ResetSettings();
    m_simBusyLeft = m_dialect.simBusyReplies;
}

void AtInterpreter::ResetSettings() {
    m_echo = m_dialect.echo;
    m_verbose = m_dialect.verbose;
    m_quiet = false;
    m_cmee = m_dialect.cmee;
    m_textMode = m_dialect.textMode;
    m_dcdMode = 1;
    m_dtrMode = 2;
    m_cregMode = m_cgregMode = m_copsFormat = m_clip = m_crc = m_csms = 0;
    m_cusd = false;
    std::fill(std::begin(m_cnmi), std::end(m_cnmi), 0);
    const int csmp[4] = {17, 167, 0, 0};
    std::copy(std::begin(csmp), std::end(csmp), m_csmp);
    std::fill(std::begin(m_sreg), std::end(m_sreg), 0);
    m_sreg[2] = 43;  // escape character '+'
    m_sreg[3] = 13;  // command line terminator CR
    m_sreg[4] = m_dialect.crOnlyLineEnds ? 0 : 10; // response formatting character LF
    m_sreg[5] = 8;   // command line editing character BS
    m_sreg[6] = 2;   // pause before blind dialling, seconds
    m_sreg[7] = 50;  // connection completion time-out, seconds
    m_sreg[8] = 2;   // comma dial modifier time, seconds
    m_sreg[10] = 2;  // automatic disconnect delay, tenths of a second
}

std::string AtInterpreter::LineEnd() const {
    std::string end(1, static_cast<char>(m_sreg[3]));
    if (m_sreg[4] != 0)
        end += static_cast<char>(m_sreg[4]);
    return end;
}

void AtInterpreter::EmitInfo(const std::vector<std::string>& lines, std::string& out) const {
    if (lines.empty())
        return;
    const std::string end = LineEnd();
    if (m_verbose)
        out += end;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i] + end;
        // Dialect quirk: an indication slips in between the lines of a listing.
        if (m_dialect.unsolicitedBetweenLines && i == 0 && lines.size() > 1)
            out += end + "+CREG: 1" + end;
    }
}

void AtInterpreter::EmitFinal(const char* verbose, int numeric, std::string& out) const {
    if (m_quiet)
        return;
    if (m_verbose)
        out += LineEnd() + verbose + LineEnd();
    else if (numeric >= 0)
        out += std::to_string(numeric) + static_cast<char>(m_sreg[3]);
    else // +CME ERROR and +CMS ERROR have no digit of their own
        out += std::string(verbose) + static_cast<char>(m_sreg[3]);
}

void AtInterpreter::EmitResult(const CommandResult& r, std::string& out) const {
    switch (r.kind) {
    case CommandResult::Kind::Ok:
        EmitFinal("OK", 0, out);
        break;
    case CommandResult::Kind::Error:
        EmitFinal("ERROR", 4, out);
        break;
    case CommandResult::Kind::NoCarrier:
        EmitFinal("NO CARRIER", 3, out);
        break;
    case CommandResult::Kind::ModemError:
        // Not a V.250 result code: some modems send it when their firmware gives up.
        EmitFinal("MODEM ERROR", -1, out);
        break;
    case CommandResult::Kind::CmeError:
        if (m_cmee == 0)
            EmitFinal("ERROR", 4, out);
        else if (m_cmee == 1)
            EmitFinal(("+CME ERROR: " + std::to_string(r.code)).c_str(), -1, out);
        else
            EmitFinal((std::string("+CME ERROR: ") + CmeText(r.code)).c_str(), -1, out);
        break;
    case CommandResult::Kind::CmsError:
        // 27.005 gives +CMS ERROR whatever AT+CMEE says.
        EmitFinal(("+CMS ERROR: " + std::to_string(r.code)).c_str(), -1, out);
        break;
    case CommandResult::Kind::Prompt:
        out += "\r\n> ";
        break;
    case CommandResult::Kind::None:
        break;
    }
}

std::string AtInterpreter::Feed(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (m_hungUp)
            break;
        if (m_mode != Mode::Command) {
            FeedMessageByte(c, out);
            continue;
        }
        const char terminator = static_cast<char>(m_sreg[3]);
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            if (m_echo)
                out += c;
            continue;
        }
        m_lastWasCr = c == terminator;
        if (m_echo)
            out += c;
        if (c == terminator || c == '\n') {
            std::string line;
            line.swap(m_line);
            if (m_lineOverflow) {
                m_lineOverflow = false;
                EmitFinal("ERROR", 4, out);
                continue;
            }
            ProcessLine(line, out);
        } else if (c == static_cast<char>(m_sreg[5])) {
            if (!m_line.empty())
                m_line.pop_back();
        } else if (m_line.size() < kMaxLineLength) {
            m_line += c;
        } else {
            m_lineOverflow = true;
        }
    }
    return out;
}

void AtInterpreter::ProcessLine(const std::string& rawLine, std::string& out) {
    size_t start = rawLine.find_first_not_of(' ');
    if (start == std::string::npos)
        return; // an empty line gets no answer, as on a real phone
    size_t end = rawLine.find_last_not_of(' ');
    std::string line = rawLine.substr(start, end - start + 1);

    std::optional<FaultRule> fault;
    if (m_hooks.beforeCommand)
        fault = m_hooks.beforeCommand(line);
    if (fault) {
        switch (fault->action) {
        case FaultAction::Error:
            EmitFinal("ERROR", 4, out);
            return;
        case FaultAction::CmeError:
            EmitFinal(("+CME ERROR: " + std::to_string(fault->code)).c_str(), -1, out);
            return;
        case FaultAction::CmsError:
            EmitFinal(("+CMS ERROR: " + std::to_string(fault->code)).c_str(), -1, out);
            return;
        case FaultAction::Silent:
            return;
        case FaultAction::HangupBefore:
            m_hungUp = true;
            return;
        case FaultAction::DropMidReply: {
            Reply reply;
            RunCommand(line, reply);
            // Half the reply, but at least one byte and never all of it.
            size_t keep = std::max<size_t>(1, reply.bytes.size() / 2);
            if (keep >= reply.bytes.size() && keep > 0)
                keep = reply.bytes.size() - 1;
            out += reply.bytes.substr(0, keep);
            m_hungUp = true;
            return;
        }
        }
    }
    Reply reply;
    RunCommand(line, reply);
    out += reply.bytes;
}

namespace {

// The end of one extended command: the first ';' outside double quotes, or the end of the line.
size_t ExtendedCommandEnd(std::string_view rest) {
    bool quoted = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '"')
            quoted = !quoted;
        else if (rest[i] == ';' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

void AtInterpreter::RunCommand(const std::string& line, Reply& reply) {
    std::string& out = reply.bytes;
    if (line.size() < 2 || Upper(line.substr(0, 2)) != "AT") {
        EmitResult(CommandResult::Error(), out);
        return;
    }
    std::string_view rest = std::string_view(line).substr(2);
    for (;;) {
        while (!rest.empty() && (rest[0] == ' ' || rest[0] == ';'))
            rest.remove_prefix(1);
        if (rest.empty())
            break;
        CommandResult r;
        if (rest[0] == '+' || rest[0] == '*') {
            size_t end = ExtendedCommandEnd(rest);
            std::string_view command = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            r = RunExtended(command);
        } else {
            r = RunBasic(rest);
        }
        if (r.changedState && m_hooks.stateChanged)
            m_hooks.stateChanged();
        if (m_dialect.noCarrierMidReply && !m_carrierLost && r.lines.size() > 4) {
            // Dialect quirk: the line breaks off once, half-way through a long listing.
            m_carrierLost = true;
            r.lines.resize(r.lines.size() / 2);
            r.kind = CommandResult::Kind::NoCarrier;
        }
        EmitInfo(r.lines, out);
        if (r.kind != CommandResult::Kind::Ok) {
            EmitResult(r, out);
            RaisePending();
            return;
        }
    }
    EmitResult(CommandResult::Ok(), out);
    RaisePending();
}

CommandResult AtInterpreter::RunExtended(std::string_view rest) {
    size_t nameEnd = rest.find_first_of("=?");
    std::string name = Upper(rest.substr(0, nameEnd));
    std::string_view tail = nameEnd == std::string_view::npos ? std::string_view() : rest.substr(nameEnd);
    CommandForm form = CommandForm::Exec;
    std::string_view args;
    if (tail.empty()) {
        form = CommandForm::Exec;
    } else if (tail == "=?") {
        form = CommandForm::Test;
    } else if (tail == "?") {
        form = CommandForm::Read;
    } else if (tail[0] == '=') {
        form = CommandForm::Set;
        args = tail.substr(1);
    } else {
        return CommandResult::Error();
    }
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    if (name.rfind("+CPB", 0) == 0 && form != CommandForm::Test) {
        bool onSim = m_state.selectedStorage == "SM" || (name == "+CPBS" && Upper(args).find("SM") != std::string::npos);
        // Dialect quirk: a slow SIM, busy at first.
        if (onSim && m_dialect.simDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_dialect.simDelayMs));
        if (onSim && m_simBusyLeft > 0) {
            --m_simBusyLeft;
            return CommandResult::Cme(cme::kSimBusy);
        }
    }
    if (name == "+CSCS" && form == CommandForm::Set && m_dialect.charsets != CharsetRule::Any) {
        const char* only = m_dialect.charsets == CharsetRule::Ucs2Only ? "\"UCS2\"" : "\"GSM\"";
        if (Upper(args) != only)
            return CommandResult::Cme(cme::kOperationNotSupported);
    }
    if (name == "+CSCS" && form == CommandForm::Test && m_dialect.charsets != CharsetRule::Any) {
        CommandResult r;
        r.lines = {m_dialect.charsets == CharsetRule::Ucs2Only ? "+CSCS: (\"UCS2\")" : "+CSCS: (\"GSM\")"};
        return r;
    }
    if (name == "+CPBR" && form == CommandForm::Set && m_dialect.cpbrRangeCap > 0) {
        int first = 0, last = 0;
        if (std::sscanf(std::string(args).c_str(), "%d,%d", &first, &last) == 2 &&
            last - first + 1 > m_dialect.cpbrRangeCap)
            return CommandResult::Cme(cme::kInvalidIndex);
    }
    for (const CommandRow& row : Commands()) {
        if (name != row.name)
            continue;
        CommandHandler handler = form == CommandForm::Exec   ? row.exec
                                 : form == CommandForm::Test ? row.test
                                 : form == CommandForm::Read ? row.read
                                                             : row.set;
        return handler ? handler(*this, args) : CommandResult::Error();
    }
    if (m_dialect.modemErrorOnUnknown)
        return CommandResult{CommandResult::Kind::ModemError, 0, {}, false};
    return CommandResult::Error();
}

CommandResult AtInterpreter::RunBasic(std::string_view& rest) {
    char first = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
    if (first == 'S') {
        // S-registers: Sn? reads (three digits, as V.250 shows them), Sn=v sets.
        size_t i = 1;
        int reg = 0;
        while (i < rest.size() && IsDigit(rest[i]) && reg < 1000)
            reg = reg * 10 + (rest[i++] - '0');
        if (i == 1 || reg >= static_cast<int>(std::size(m_sreg)))
            return rest = {}, CommandResult::Error();
        if (i < rest.size() && rest[i] == '?') {
            rest.remove_prefix(i + 1);
            char value[8];
            std::snprintf(value, sizeof value, "%03d", m_sreg[reg]);
            CommandResult r;
            r.lines = {value};
            return r;
        }
        if (i < rest.size() && rest[i] == '=') {
            ++i;
            int value = 0;
            size_t digits = i;
            while (i < rest.size() && IsDigit(rest[i]) && value < 1000)
                value = value * 10 + (rest[i++] - '0');
            rest.remove_prefix(i);
            // S3..S5 are characters of the line discipline: 7-bit, and S3 never LF (it would
            // swallow the line end).
            bool characterRegister = reg >= 3 && reg <= 5;
            if (value > (characterRegister ? 127 : 255) || (reg == 3 && value == 10))
                return CommandResult::Error();
            (void)digits; // "S0=" alone sets 0, as V.250 allows an omitted value
            m_sreg[reg] = value;
            return CommandResult::Ok();
        }
        return rest = {}, CommandResult::Error();
    }
    if (first == 'D' || first == 'A') {
        // Dialling (the rest of the line is the dial string) or answering: this phone has no
        // voice or data calls, so the attempt ends as a dropped call would.
        rest = first == 'D' ? std::string_view() : rest.substr(1);
        return CommandResult{CommandResult::Kind::NoCarrier, 0, {}, false};
    }
    if (first == 'H') {
        // Hang up: there is never a call to end.
        rest.remove_prefix(1);
        while (!rest.empty() && IsDigit(rest[0]))
            rest.remove_prefix(1);
        return CommandResult::Ok();
    }
    std::string name;
    size_t i = 0;
    if (first == '&') {
        if (rest.size() < 2 || !std::isalpha(static_cast<unsigned char>(rest[1])))
            return rest = {}, CommandResult::Error();
        name = "&" + Upper(rest.substr(1, 1));
        i = 2;
    } else if (first >= 'A' && first <= 'Z') {
        name = std::string(1, first);
        i = 1;
    } else {
        return rest = {}, CommandResult::Error();
    }
    size_t argStart = i;
    while (i < rest.size() && IsDigit(rest[i]))
        ++i;
    std::string_view args = rest.substr(argStart, i - argStart);
    rest.remove_prefix(i);
    for (const CommandRow& row : Commands())
        if (name == row.name && row.exec)
            return row.exec(*this, args);
    return rest = {}, CommandResult::Error();
}

void AtInterpreter::FeedMessageByte(char c, std::string& out) {
    if (c == kEsc) {
        // Cancelling a message is not an error: the phone simply forgets it.
        m_mode = Mode::Command;
        m_messageInput.clear();
        m_messageOverflow = false;
        EmitResult(CommandResult::Ok(), out);
        return;
    }
    if (c == kCtrlZ) {
        FinishMessage(out);
        return;
    }
    if (m_echo)
        out += c;
    if (m_mode == Mode::TextInput) {
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            return;
        }
        m_lastWasCr = c == '\r';
        if (c == '\r' || c == '\n') {
            // Text mode: each line break gets a fresh prompt for the next line.
            c = '\n';
            out += "\r\n> ";
        }
        if (m_messageInput.size() < kMaxTextInput)
            m_messageInput += c;
        else
            m_messageOverflow = true;
        return;
    }
    // PDU mode: line breaks and blanks some programs put around the hex digits mean nothing.
    if (c == '\r' || c == '\n' || c == ' ')
        return;
    if (m_messageInput.size() < kMaxPduHex)
        m_messageInput += c;
    else
        m_messageOverflow = true;
}

void AtInterpreter::FinishMessage(std::string& out) {
    Mode mode = m_mode;
    m_mode = Mode::Command;
    m_lastWasCr = false;
    std::string input;
    input.swap(m_messageInput);
    bool overflow = m_messageOverflow;
    m_messageOverflow = false;
    CommandResult r = FinishMessageInput(*this, mode == Mode::PduInput, input, overflow);
    if (r.changedState && m_hooks.stateChanged)
        m_hooks.stateChanged();
    EmitInfo(r.lines, out);
    EmitResult(r, out);
    RaisePending();
}

void AtInterpreter::RaisePending() {
    std::vector<PhoneEvent> events;
    events.swap(m_pendingEvents);
    if (m_hooks.raise)
        for (const PhoneEvent& e : events)
            m_hooks.raise(e);
}

std::string AtInterpreter::Unsolicited(const PhoneEvent& event) const {
    std::string line;
    if (event.kind == PhoneEvent::Kind::Registration) {
        if (m_cregMode > 0)
            line = CregUnsolicited(*this);
    } else {
        line = MessageUnsolicited(*this, event);
    }
    if (line.empty())
        return {};
    return LineEnd() + line + LineEnd();
}

} // namespace phonesim
