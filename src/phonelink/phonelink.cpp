#include "phonelink.h"

#include <chrono>
#include <random>

#include "messagesink.h"
#include "platform/debuglog.h"
#include "replyframer.h"

namespace {

constexpr uint32_t kReadChunk = 4095;
// Far above the longest real reply (a 500-entry listing is about 25 KB); a peer that floods the
// line must not grow the reply without end before the overall cap is reached.
constexpr size_t kMaxReply = 4 * 1024 * 1024;
// How long the rest of a line caught half-way before a command may take to come.
constexpr int kStaleSettleMs = 300;

// The transcript: control characters shown so a log line stays one line.
void LogTraffic(const CComPort& port, char direction, std::string_view bytes) {
    if (!platform::DebugLogEnabled())
        return;
    std::string line = port.DevicePath() + ' ' + direction + ' ';
    for (unsigned char c : bytes) {
        if (c == '\r')
            line += "\\r";
        else if (c == '\n')
            line += "\\n";
        else if (c < 0x20 || c == 0x7F) {
            line += "\\x";
            line += textcodec::HexDigit(c >> 4);
            line += textcodec::HexDigit(c);
        } else
            line += static_cast<char>(c);
    }
    platform::DebugLog(line);
}

} // namespace

namespace {
int RandomConcatReference() {
    std::random_device seed;
    return static_cast<int>(seed() % 255) + 1;
}
} // namespace

CPhoneLink::CPhoneLink(uint16_t comPort, IMessageSink* messages)
    : m_messages(messages), m_concatReference(RandomConcatReference()) {
    m_port.SetWriteLimit(m_idleMs);
    if (!m_port.OpenPort(comPort))
        OpenFailed();
}

CPhoneLink::CPhoneLink(DevicePath device, IMessageSink* messages)
    : m_messages(messages), m_concatReference(RandomConcatReference()) {
    m_port.SetWriteLimit(m_idleMs);
    if (!m_port.OpenDevice(device.path))
        OpenFailed();
}

CPhoneLink::~CPhoneLink() {
    ClearStorage("\"ME\"");
    ClearStorage("\"SM\"");
    m_melodies.clear();
    m_port.ClosePort();
}

void CPhoneLink::OpenFailed() {
    m_lastError = LinkError::Make(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (m_messages)
        m_messages->ShowMessage("COM port open failed");
}

void CPhoneLink::SetTimeouts(int idleMs, int overallMs, int smsResultMs) {
    m_idleMs = idleMs;
    m_overallMs = overallMs;
    m_smsResultMs = smsResultMs;
    // A write that makes no progress for the idle limit (CTS held low) is as dead as a silent
    // phone.
    m_port.SetWriteLimit(idleMs);
}

bool CPhoneLink::Fail(LinkErrorKind kind, std::string text) {
    m_lastError = LinkError::Make(kind, std::move(text));
    return false;
}

std::string CPhoneLink::ReadQueued() {
    std::string bytes;
    char buffer[kReadChunk + 1];
    while (uint32_t n = m_port.ReadAvailable(buffer, kReadChunk)) {
        LogTraffic(m_port, '~', std::string_view(buffer, n));
        bytes.append(buffer, n);
    }
    return bytes;
}

void CPhoneLink::TakeIdleLines(std::string_view bytes) {
    CReplyFramer stale;
    stale.Feed(bytes);
    stale.Feed("\r");
    KeepUnsolicited(stale.Unsolicited());
}

void CPhoneLink::ReadRestOfLines(std::string& bytes, int settleMs) {
    // Whether the bytes end with a whole line, and not with the first line of a +CDS/+CMT whose
    // second line is still to come.
    auto complete = [&] {
        if (bytes.empty())
            return true;
        if (bytes.back() != '\r' && bytes.back() != '\n')
            return false;
        size_t end = bytes.find_last_not_of("\r\n");
        if (end == std::string::npos)
            return true;
        size_t start = bytes.find_last_of("\r\n", end);
        return !NoticeTakesPduLine(std::string_view(bytes).substr(start == std::string::npos ? 0 : start + 1));
    };
    using Clock = std::chrono::steady_clock;
    const auto settleEnd = Clock::now() + std::chrono::milliseconds(settleMs);
    while (!complete() && !m_port.LineLost()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(settleEnd - Clock::now()).count();
        if (left <= 0 || m_port.WaitReadable(static_cast<int>(left)) != CComPort::WaitResult::Readable)
            break;
        bytes += ReadQueued();
    }
}

void CPhoneLink::DiscardStale() {
    // Whatever waits before a command is sent belongs to no exchange of ours: an unsolicited
    // RING, or the late result of an exchange that ran out of time. Left queued, a late "OK"
    // would end the next exchange before its reply came. A line caught half-way (a +CMTI that
    // arrives in pieces) is read to its end first, or its rest would land in the next reply.
    std::string bytes = ReadQueued();
    ReadRestOfLines(bytes, kStaleSettleMs);
    TakeIdleLines(bytes);
}

void CPhoneLink::KeepUnsolicited(const std::vector<std::string>& lines) {
    TakeSmsNotices(lines);
    for (const std::string& line : lines) {
        if (m_unsolicited.size() >= kMaxUnsolicited)
            m_unsolicited.erase(m_unsolicited.begin());
        m_unsolicited.push_back(line);
    }
}

bool CPhoneLink::Send(std::string_view bytes, std::string_view what) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (m_port.LineLost())
        return Fail(LinkErrorKind::ConnectionLost, "connection lost");
    LogTraffic(m_port, '>', bytes);
    if (!m_port.WriteAll(bytes.data(), static_cast<int>(bytes.size()))) {
        if (m_port.LineLost())
            return Fail(LinkErrorKind::ConnectionLost, "connection lost");
        return Fail(LinkErrorKind::WriteFailed, "could not send " + std::string(what) + " to the phone");
    }
    return true;
}

bool CPhoneLink::Transact(std::string_view command) {
    std::string reply;
    return Transact(command, reply);
}

bool CPhoneLink::Transact(std::string_view command, std::string& reply) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    std::string line(command);
    line.push_back('\r');
    DiscardStale();
    if (!Send(line, "the command"))
        return false;
    reply.clear();
    return Collect(command, Ending::FinalResult, m_idleMs, reply);
}

bool CPhoneLink::Collect(std::string_view command, Ending ending, int idleMs, std::string& reply) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto overallDeadline = start + std::chrono::milliseconds(m_overallMs);
    auto idleDeadline = start + std::chrono::milliseconds(idleMs);
    CReplyFramer framer(command, ending == Ending::Prompt, m_session.echo);
    char buffer[kReadChunk + 1];

    auto done = [&] { return framer.FinalSeen() || (ending == Ending::Prompt && framer.PromptSeen()); };
    while (true) {
        uint32_t n = m_port.ReadAvailable(buffer, kReadChunk);
        if (n > 0) {
            std::string_view chunk(buffer, n);
            LogTraffic(m_port, '<', chunk);
            reply.append(chunk);
            framer.Feed(chunk);
            auto now = Clock::now();
            // A line that never falls silent must still end the exchange.
            if (now >= overallDeadline || reply.size() > kMaxReply)
                return Fail(LinkErrorKind::NoAnswer, "the phone's answer did not end");
            idleDeadline = now + std::chrono::milliseconds(idleMs);
            continue;
        }
        if (m_port.LineLost())
            return Fail(LinkErrorKind::ConnectionLost, "connection lost");
        // Complete only once the result is in and a read found nothing more behind it.
        if (done())
            break;
        auto now = Clock::now();
        auto deadline = idleDeadline < overallDeadline ? idleDeadline : overallDeadline;
        if (now >= deadline) {
            // A line with an odd number of quotes (a name holding one quote) hides the result
            // from the quote-aware reading; once the phone is silent the plain one decides.
            if (framer.PlainFinalSeen()) {
                framer.AcceptPlainReading();
                break;
            }
            return Fail(LinkErrorKind::NoAnswer, "no answer from the phone");
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        if (m_port.WaitReadable(static_cast<int>(wait)) == CComPort::WaitResult::Hangup) {
            // Drain what arrived before the hang-up so the transcript shows it.
            while ((n = m_port.ReadAvailable(buffer, kReadChunk)) > 0) {
                LogTraffic(m_port, '<', std::string_view(buffer, n));
                reply.append(buffer, n);
            }
            return Fail(LinkErrorKind::ConnectionLost, "connection lost");
        }
    }
    m_promptSeen = framer.PromptSeen();
    KeepUnsolicited(framer.Unsolicited());
    // A phone may start an announcement right behind the final result (a +CDS for the first
    // part of a long message, behind that part's OK): read it to its end (its PDU line too)
    // now, or its rest would land in the next exchange's reply and the report would be lost.
    if (framer.FinalSeen()) {
        const size_t lastEnd = reply.find_last_of("\r\n");
        std::string rest = lastEnd == std::string::npos ? std::string() : reply.substr(lastEnd + 1);
        if (!rest.empty() && rest != "> ") {
            ReadRestOfLines(rest, kStaleSettleMs);
            TakeIdleLines(rest);
        }
    }
    if (framer.FinalSeen() && !framer.Succeeded()) {
        m_lastError = ErrorFromFinalLine(framer.FinalLine());
        return false;
    }
    m_lastError = {};
    return true;
}

namespace {

// The text of a one-line information answer ("+CGMI: Maker" or just "Maker"), without the echo and
// the final result.
std::string InformationText(std::string_view reply, std::string_view command) {
    std::string text;
    std::string prefix = "+" + std::string(command.substr(3)) + ":";
    ForEachLine(reply, [&](std::string_view line) {
        if (!text.empty() || line == command || CReplyFramer::IsFinalResult(line) || CReplyFramer::IsUnsolicited(line))
            return;
        if (line.starts_with(prefix))
            line.remove_prefix(prefix.size());
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        text = std::string(line.substr(0, 200));
    });
    return text;
}

} // namespace

bool CPhoneLink::EnsureSession() {
    if (m_session.probed || !m_port.IsOpen())
        return true;
    return StartSession();
}

bool CPhoneLink::StartSession() {
    // A bounded probe: seven round trips. Whether the phone echoes (E1 or E0) does not matter to
    // the framer, so echo is left as the phone has it.
    SessionFacts facts;
    auto step = [&](const char* command, std::string* reply) {
        std::string ignored;
        if (Transact(command, reply ? *reply : ignored))
            return true;
        facts.refused.emplace_back(command);
        return false;
    };
    // Result codes as words: a modem left with numeric codes (ATV0) answers "0" where every
    // exchange expects OK. V.250 modems answer ATV1 itself in the new form, so one round trip
    // brings them back; a phone that is already verbose just says OK.
    std::string first;
    if (!step("ATV1", &first) && !IsPhoneRefusal(m_lastError))
        return false; // silent or gone: the operation fails with that reason
    // Numbered errors instead of a plain ERROR; a phone that refuses keeps plain ERROR.
    std::string cmee;
    facts.extendedErrors = step("AT+CMEE=1", &cmee);
    if (!facts.extendedErrors && !IsPhoneRefusal(m_lastError))
        return false;
    first += cmee;
    // Whether the phone echoes: then later exchanges can tell a late answer from their own.
    ForEachLine(first, [&](std::string_view line) { facts.echo = facts.echo || line == "ATV1" || line == "AT+CMEE=1"; });
    struct Identity {
        const char* command;
        std::string SessionFacts::*field;
    };
    for (Identity id : {Identity{"AT+CGMI", &SessionFacts::manufacturer}, Identity{"AT+CGMM", &SessionFacts::model},
                        Identity{"AT+CGMR", &SessionFacts::revision}, Identity{"AT+CGSN", &SessionFacts::serial}}) {
        std::string reply;
        if (step(id.command, &reply))
            facts.*id.field = InformationText(reply, id.command);
        else if (!IsPhoneRefusal(m_lastError))
            return false;
    }
    std::string reply;
    if (step("AT+CSCS=?", &reply))
        facts.charsets = parseCscsSupported(reply);
    else if (!IsPhoneRefusal(m_lastError))
        return false;
    facts.probed = true;
    m_session = std::move(facts);
    m_lastError = {};
    std::string sets;
    for (const auto& set : m_session.charsets)
        sets += (sets.empty() ? "" : ",") + set;
    std::string refused;
    for (const auto& command : m_session.refused)
        refused += " " + command;
    platform::DebugLog("phone: " + m_session.manufacturer + " " + m_session.model + " rev " + m_session.revision +
                       "; sets: " + (sets.empty() ? "none listed" : sets) +
                       (refused.empty() ? "" : "; refused:" + refused));
    m_lastError = {};
    return true;
}
