#include "replyframer.h"

#include "atparse.h"

#include <array>

namespace {

struct Terminator {
    std::string_view text;
    bool prefix; // "+CME ERROR: <anything>"
    bool success;
    bool callProgress;
};

// V.250 final result codes, the two 3GPP error reports and what older phones and modems send
// instead. CONNECT is left out: this link never dials.
constexpr std::array kTerminators{
    Terminator{"OK", false, true, false},
    Terminator{"ERROR", false, false, false},
    Terminator{"+CME ERROR:", true, false, false},
    Terminator{"+CMS ERROR:", true, false, false},
    // Some modems report a refused command with a number of their own.
    Terminator{"MODEM ERROR:", true, false, false},
    // Some older phones send this instead of ERROR for a command they lack.
    Terminator{"COMMAND NOT SUPPORT", false, false, false},
    Terminator{"NO CARRIER", false, false, true},
    Terminator{"BUSY", false, false, true},
    Terminator{"NO ANSWER", false, false, true},
    Terminator{"NO DIALTONE", false, false, true},
};

// Lines a phone sends on its own at any time: calls, network registration, indicators, new
// messages, vendor status reports.
constexpr std::array<std::string_view, 20> kUnsolicitedPrefixes{
    "RING", "NO CARRIER", "+CRING:", "+CLIP:", "+CCWA:", "+CREG:", "+CGREG:", "+CEREG:", "+CIEV:", "+CMTI:",
    "+CMT:", "+CDS:", "+CDSI:", "+CBM:", "+CUSD:", "^", "*ECAV:", "*EMRDY:", "+CSSU:", "+CSSI:",
};

const Terminator* FindTerminator(std::string_view line) {
    line = TrimBlanks(line);
    for (const auto& t : kTerminators)
        if (t.prefix ? line.starts_with(t.text) : line == t.text)
            return &t;
    return nullptr;
}

} // namespace

CReplyFramer::CReplyFramer(std::string_view command, bool expectPrompt, bool echoOn)
    : m_command(TrimBlanks(command)), m_expectPrompt(expectPrompt),
      m_dialing(m_command.starts_with("ATD") || m_command.starts_with("atd") || m_command == "ATA"),
      m_echoOn(echoOn && !m_command.empty()) {}

bool CReplyFramer::IsFinalResult(std::string_view line, bool* success) {
    const Terminator* t = FindTerminator(line);
    if (t && success)
        *success = t->success;
    return t != nullptr;
}

bool CReplyFramer::IsUnsolicited(std::string_view line) {
    line = TrimBlanks(line);
    for (std::string_view prefix : kUnsolicitedPrefixes)
        if (line.starts_with(prefix))
            return true;
    return false;
}

bool CReplyFramer::IsPduHeader(std::string_view line) {
    line = TrimBlanks(line);
    return line.starts_with("+CMT:") || line.starts_with("+CDS:");
}

bool CReplyFramer::TailPending() const {
    return m_strict.finalSeen && (m_strict.pduFollows || !TrimBlanks(m_strict.partial).empty());
}

void CReplyFramer::Feed(std::string_view bytes) {
    FeedReading(m_strict, bytes, true);
    FeedReading(m_plain, bytes, false);
    // The prompt is "> ", on most phones with no line end after it (handled in TakeLine when a
    // line end follows).
    if (m_expectPrompt && !m_strict.finalSeen && TrimBlanks(m_strict.partial) == ">")
        m_promptSeen = true;
}

void CReplyFramer::AcceptPlainReading() {
    m_strict.finalSeen = m_plain.finalSeen;
    m_strict.success = m_plain.success;
    m_strict.finalLine = m_plain.finalLine;
}

void CReplyFramer::FeedReading(Reading& r, std::string_view bytes, bool quoteAware) {
    for (char c : bytes) {
        if (quoteAware && c == '"')
            r.inQuote = !r.inQuote;
        if ((c == '\r' || c == '\n') && !(quoteAware && r.inQuote)) {
            if (!r.partial.empty())
                TakeLine(r, r.partial, quoteAware);
            r.partial.clear();
        } else {
            r.partial.push_back(c);
        }
    }
}

void CReplyFramer::TakeLine(Reading& r, std::string_view line, bool record) {
    if (r.finalSeen) {
        // Lines after the result belong to nobody; an indication among them still pairs its
        // header with the PDU line after it.
        r.pduFollows = !r.pduFollows && IsPduHeader(line);
        if (record)
            m_unsolicited.emplace_back(line);
        return;
    }
    if (r.pduFollows) {
        // The second line of a +CMT/+CDS indication (the PDU, or the text in text mode): it
        // belongs to the indication, never to the command's answer.
        r.pduFollows = false;
        if (record)
            m_unsolicited.emplace_back(TrimBlanks(line));
        return;
    }
    if (!r.echoSkipped && !m_command.empty() && TrimBlanks(line) == m_command) {
        r.echoSkipped = true;
        return;
    }
    if (m_echoOn && !r.echoSkipped) {
        if (record)
            m_unsolicited.emplace_back(TrimBlanks(line)); // a late answer to an earlier command
        return;
    }
    if (m_expectPrompt && TrimBlanks(line) == ">") {
        m_promptSeen = true;
        return;
    }
    const Terminator* t = FindTerminator(line);
    if (t && (!t->callProgress || m_dialing)) {
        r.finalSeen = true;
        r.success = t->success;
        r.finalLine = std::string(TrimBlanks(line));
        return;
    }
    if (IsUnsolicited(line)) {
        std::string_view trimmed = TrimBlanks(line);
        r.pduFollows = IsPduHeader(trimmed);
        if (record)
            m_unsolicited.emplace_back(trimmed);
    }
}
