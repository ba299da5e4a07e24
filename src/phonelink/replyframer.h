#pragma once
// Splits what the phone sends into lines and tells when an exchange is over: a final result
// code on a line of its own, or the "> " prompt of a two-stage command. It gives no meaning to
// information lines; the parsers in atparse.h do that.
//
// A line end inside a double-quoted field does not end the line: a name holding "\r\nOK\r\n"
// cannot end a listing early, and a number with a line break in it stays one field. A phone whose
// line really holds an odd number of quotes (a name with one quote in it) would then never seem
// to end; for that case the framer also keeps the plain reading (every CR or LF ends a line),
// which the link takes once the phone has fallen silent.
#include <string>
#include <string_view>
#include <vector>

class CReplyFramer {
public:
    // `command` is the line just sent; its echo (E1) is recognised and never taken for a result.
    // With `echoOn` (the phone is known to echo), every line before the echo is the late answer
    // of an earlier exchange and is set aside, so a late "OK" cannot end this one.
    explicit CReplyFramer(std::string_view command = {}, bool expectPrompt = false, bool echoOn = false);

    void Feed(std::string_view bytes);

    bool FinalSeen() const { return m_strict.finalSeen; }
    bool PromptSeen() const { return m_promptSeen; }
    bool Succeeded() const { return m_strict.finalSeen && m_strict.success; }
    const std::string& FinalLine() const { return m_strict.finalLine; }

    // The plain reading: whether it saw a final result where the quote-aware one did not.
    bool PlainFinalSeen() const { return m_plain.finalSeen; }
    // Takes the plain reading's result (after the phone fell silent).
    void AcceptPlainReading();

    // Lines that belong to no command (RING, NO CARRIER of a call ending, +CREG, +CIEV, +CMTI,
    // ^RSSI, ...), in arrival order; also every line after the final result. The second line of
    // a +CMT or +CDS indication (its PDU) follows the indication's line.
    const std::vector<std::string>& Unsolicited() const { return m_unsolicited; }

    // Whether something after the result is unfinished: a line whose end has not come, or the
    // header of a +CMT/+CDS indication whose second line (the PDU) has not come. An exchange that
    // ended here would leave the rest to the next one, which could not read it without its start.
    bool TailPending() const;
    // These bytes go on from an indication header read earlier: their first line is its PDU.
    void ExpectPduLine() { m_strict.pduFollows = m_plain.pduFollows = true; }

    // Whether a whole line is a final result code, and whether that result means success. The
    // call-progress codes (NO CARRIER, BUSY, NO ANSWER, NO DIALTONE) count as final only for a
    // dial command; for every other command they are unsolicited lines.
    static bool IsFinalResult(std::string_view line, bool* success = nullptr);
    static bool IsUnsolicited(std::string_view line);
    // Whether the line starts an indication whose PDU is on the following line (+CMT:, +CDS:).
    static bool IsPduHeader(std::string_view line);

private:
    struct Reading {
        std::string partial;
        bool inQuote = false;
        bool echoSkipped = false;
        bool pduFollows = false; // the last line was +CMT:/+CDS:, whose second line follows
        bool finalSeen = false;
        bool success = false;
        std::string finalLine;
    };
    void FeedReading(Reading& r, std::string_view bytes, bool quoteAware);
    void TakeLine(Reading& r, std::string_view line, bool record);

    std::string m_command;
    bool m_expectPrompt;
    bool m_dialing;
    bool m_echoOn;
    Reading m_strict;
    Reading m_plain;
    bool m_promptSeen = false;
    std::vector<std::string> m_unsolicited;
};
