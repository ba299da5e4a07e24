#include "replyframer.h"

#include <array>

namespace {

struct Terminator {
    std::string_view text;
    bool prefix; // "+CME ERROR: <anything>"
    bool success;
};

// V.250 final result codes and the two 3GPP error reports. CONNECT is left out: this link never
// dials.
constexpr std::array kTerminators{
    Terminator{"OK", false, true},
    Terminator{"ERROR", false, false},
    Terminator{"+CME ERROR:", true, false},
    Terminator{"+CMS ERROR:", true, false},
    Terminator{"NO CARRIER", false, false},
    Terminator{"BUSY", false, false},
    Terminator{"NO ANSWER", false, false},
    Terminator{"NO DIALTONE", false, false},
    // Some older phones send this instead of ERROR for a command they lack.
    Terminator{"COMMAND NOT SUPPORT", false, false},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

CReplyFramer::CReplyFramer(std::string_view command, bool expectPrompt)
    : m_command(Trim(command)), m_expectPrompt(expectPrompt) {}

bool CReplyFramer::IsFinalResult(std::string_view line, bool* success) {
    line = Trim(line);
    for (const auto& t : kTerminators) {
        if (t.prefix ? line.starts_with(t.text) : line == t.text) {
            if (success)
                *success = t.success;
            return true;
        }
    }
    return false;
}

void CReplyFramer::Feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.empty())
                TakeLine(m_partial);
            m_partial.clear();
        } else {
            m_partial.push_back(c);
        }
    }
    // The prompt is "> " with no line end after it.
    if (m_expectPrompt && !m_finalSeen && Trim(m_partial) == ">")
        m_promptSeen = true;
}

void CReplyFramer::TakeLine(std::string_view line) {
    if (m_finalSeen)
        return; // unsolicited lines after the result belong to nobody
    if (!m_echoSkipped && !m_command.empty() && Trim(line) == m_command) {
        m_echoSkipped = true;
        return;
    }
    bool success = false;
    if (IsFinalResult(line, &success)) {
        m_finalSeen = true;
        m_success = success;
        m_finalLine = std::string(Trim(line));
    }
}
