#include "phonesim/atinterpreter.h"

#include <algorithm>
#include <cctype>

#include "phonesim/atcommands.h"
#include "phonesim/charset.h"
#include "phonesim/smspdu.h"

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

AtInterpreter::AtInterpreter(PhoneState& state, InterpreterHooks hooks)
    : m_state(state), m_hooks(std::move(hooks)) {}

std::string AtInterpreter::Feed(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (m_hungUp)
            break;
        if (m_mode != Mode::Command) {
            FeedMessageByte(c, out);
            continue;
        }
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            if (m_echo)
                out += c;
            continue;
        }
        m_lastWasCr = c == '\r';
        if (m_echo)
            out += c;
        if (c == '\r' || c == '\n') {
            std::string line;
            line.swap(m_line);
            if (m_lineOverflow) {
                m_lineOverflow = false;
                out += "\r\nERROR\r\n";
                continue;
            }
            ProcessLine(line, out);
        } else if (c == kBackspace) {
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
            out += "\r\nERROR\r\n";
            return;
        case FaultAction::CmeError:
            out += "\r\n+CME ERROR: " + std::to_string(fault->code) + "\r\n";
            return;
        case FaultAction::CmsError:
            out += "\r\n+CMS ERROR: " + std::to_string(fault->code) + "\r\n";
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

void AtInterpreter::RunCommand(const std::string& line, Reply& reply) {
    auto finish = [&](const CommandResult& r) {
        if (r.changedState && m_hooks.stateChanged)
            m_hooks.stateChanged();
        std::string& out = reply.bytes;
        if (!r.lines.empty()) {
            out += "\r\n";
            for (const std::string& l : r.lines)
                out += l + "\r\n";
        }
        switch (r.kind) {
        case CommandResult::Kind::Ok:
            out += "\r\nOK\r\n";
            break;
        case CommandResult::Kind::Error:
            out += "\r\nERROR\r\n";
            break;
        case CommandResult::Kind::CmeError:
            if (m_cmee == 0)
                out += "\r\nERROR\r\n";
            else if (m_cmee == 1)
                out += "\r\n+CME ERROR: " + std::to_string(r.code) + "\r\n";
            else
                out += std::string("\r\n+CME ERROR: ") + CmeText(r.code) + "\r\n";
            break;
        case CommandResult::Kind::CmsError:
            out += "\r\n+CMS ERROR: " + std::to_string(r.code) + "\r\n";
            break;
        case CommandResult::Kind::Prompt:
            out += "\r\n> ";
            break;
        case CommandResult::Kind::None:
            break;
        }
    };

    if (line.size() < 2 || Upper(line.substr(0, 2)) != "AT") {
        finish(CommandResult::Error());
        return;
    }
    std::string_view rest = std::string_view(line).substr(2);
    if (rest.empty()) {
        finish(CommandResult::Ok());
        return;
    }

    std::string name;
    CommandForm form = CommandForm::Exec;
    std::string_view args;
    if (rest[0] == '+' || rest[0] == '*') {
        size_t nameEnd = rest.find_first_of("=?");
        name = Upper(rest.substr(0, nameEnd));
        std::string_view tail = nameEnd == std::string_view::npos ? std::string_view() : rest.substr(nameEnd);
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
            finish(CommandResult::Error());
            return;
        }
    } else {
        // Basic commands: a letter (optionally after '&') and an optional number, e.g. E1, Z.
        size_t nameLength = rest[0] == '&' ? 2 : 1;
        if (rest.size() < nameLength) {
            finish(CommandResult::Error());
            return;
        }
        name = Upper(rest.substr(0, nameLength));
        args = rest.substr(nameLength);
        if (!std::all_of(args.begin(), args.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            finish(CommandResult::Error());
            return;
        }
    }

    for (const CommandRow& row : Commands()) {
        if (name != row.name)
            continue;
        CommandHandler handler = form == CommandForm::Exec   ? row.exec
                                 : form == CommandForm::Test ? row.test
                                 : form == CommandForm::Read ? row.read
                                                             : row.set;
        finish(handler ? handler(*this, args) : CommandResult::Error());
        return;
    }
    finish(CommandResult::Error());
}

void AtInterpreter::FeedMessageByte(char c, std::string& out) {
    if (c == kEsc) {
        // Cancelling a message is not an error: the phone simply forgets it.
        m_mode = Mode::Command;
        m_messageInput.clear();
        m_messageOverflow = false;
        out += "\r\nOK\r\n";
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

    SentSms sms;
    if (mode == Mode::PduInput) {
        SubmitPdu pdu;
        std::string error;
        if (overflow || !DecodeSubmitPdu(input, m_announcedLength, &pdu, &error)) {
            out += "\r\n+CMS ERROR: " + std::to_string(cms::kInvalidPduParameter) + "\r\n";
            return;
        }
        sms.destination = pdu.destination;
        sms.typeOfAddress = pdu.typeOfAddress;
        sms.dataCodingScheme = pdu.dataCodingScheme;
        sms.text = pdu.text;
        sms.pduHex = Upper(input);
    } else {
        bool ok = !overflow;
        if (ok && m_state.charset == Charset::Gsm) {
            ok = GsmSeptetsToUtf8(input, &sms.text);
        } else if (ok) {
            std::string stored;
            ok = LineToStored(input, m_state.charset, &stored);
            sms.text = Latin1ToUtf8(stored);
        }
        if (!ok) {
            out += "\r\n+CMS ERROR: " + std::to_string(cms::kInvalidTextParameter) + "\r\n";
            return;
        }
        sms.destination = m_textDestination;
        sms.typeOfAddress = m_textTypeOfAddress;
        sms.dataCodingScheme = 0;
    }
    sms.messageReference = m_state.nextMessageReference;
    m_state.nextMessageReference = (m_state.nextMessageReference + 1) % 256;
    m_state.sent.push_back(sms);
    if (m_hooks.stateChanged)
        m_hooks.stateChanged();
    out += "\r\n+CMGS: " + std::to_string(sms.messageReference) + "\r\n\r\nOK\r\n";
}

} // namespace phonesim
