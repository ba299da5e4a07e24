#pragma once
// Splits what the phone sends into lines and tells when an exchange is over: a final result
// code on a line of its own, or the "> " prompt of a two-stage command. It gives no meaning to
// information lines; the parsers in atparse.h do that.
#include <string>
#include <string_view>

class CReplyFramer {
public:
    // `command` is the line just sent; its echo (E1) is recognised and never taken for a result.
    explicit CReplyFramer(std::string_view command = {}, bool expectPrompt = false);

    void Feed(std::string_view bytes);

    bool FinalSeen() const { return m_finalSeen; }
    bool PromptSeen() const { return m_promptSeen; }
    bool Succeeded() const { return m_finalSeen && m_success; }
    const std::string& FinalLine() const { return m_finalLine; }

    // Whether a whole line is a final result code, and whether that result means success.
    static bool IsFinalResult(std::string_view line, bool* success = nullptr);

private:
    void TakeLine(std::string_view line);

    std::string m_command;
    bool m_expectPrompt;
    std::string m_partial;
    bool m_echoSkipped = false;
    bool m_finalSeen = false;
    bool m_success = false;
    bool m_promptSeen = false;
    std::string m_finalLine;
};
