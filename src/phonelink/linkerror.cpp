#include "linkerror.h"

#include "atparse.h"

#include <array>
#include <utility>

namespace {

struct CodeText {
    int code;
    const char* text;
};

// 3GPP TS 27.007 9.2; the codes phones of this family actually send come first in practice.
constexpr std::array kCmeTexts{
    CodeText{0, "phone failure"},
    CodeText{1, "no connection to phone"},
    CodeText{3, "operation not allowed"},
    CodeText{4, "operation not supported"},
    CodeText{5, "PH-SIM PIN required"},
    CodeText{10, "SIM not inserted"},
    CodeText{11, "SIM PIN required"},
    CodeText{12, "SIM PUK required"},
    CodeText{13, "SIM failure"},
    CodeText{14, "SIM busy"},
    CodeText{15, "SIM wrong"},
    CodeText{16, "incorrect password"},
    CodeText{17, "SIM PIN2 required"},
    CodeText{18, "SIM PUK2 required"},
    CodeText{20, "memory full"},
    CodeText{21, "invalid index"},
    CodeText{22, "not found"},
    CodeText{23, "memory failure"},
    CodeText{24, "text string too long"},
    CodeText{25, "invalid characters in text string"},
    CodeText{26, "dial string too long"},
    CodeText{27, "invalid characters in dial string"},
    CodeText{30, "no network service"},
    CodeText{31, "network timeout"},
    CodeText{32, "network not allowed - emergency calls only"},
    CodeText{100, "unknown error"},
};

// 3GPP TS 27.005 3.2.5.
constexpr std::array kCmsTexts{
    CodeText{1, "unassigned (unallocated) number"},
    CodeText{8, "operator determined barring"},
    CodeText{10, "call barred"},
    CodeText{21, "short message transfer rejected"},
    CodeText{27, "destination out of service"},
    CodeText{28, "unidentified subscriber"},
    CodeText{38, "network out of order"},
    CodeText{41, "temporary failure"},
    CodeText{42, "congestion"},
    CodeText{96, "invalid mandatory information"},
    CodeText{300, "ME failure"},
    CodeText{301, "SMS service of ME reserved"},
    CodeText{302, "operation not allowed"},
    CodeText{303, "operation not supported"},
    CodeText{304, "invalid PDU mode parameter"},
    CodeText{305, "invalid text mode parameter"},
    CodeText{310, "SIM not inserted"},
    CodeText{311, "SIM PIN required"},
    CodeText{313, "SIM failure"},
    CodeText{314, "SIM busy"},
    CodeText{320, "memory failure"},
    CodeText{321, "invalid memory index"},
    CodeText{322, "memory full"},
    CodeText{330, "SMSC address unknown"},
    CodeText{331, "no network service"},
    CodeText{332, "network timeout"},
    CodeText{500, "unknown error"},
};

template <typename Table>
std::string Lookup(const Table& table, int code, const char* family) {
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return std::string(family) + " error " + std::to_string(code);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

LinkError Numbered(LinkErrorKind kind, std::string_view rest, const char* family,
                   std::string (*lookup)(int)) {
    rest = Trim(rest);
    if (rest.empty())
        return LinkError::Make(kind, std::string(family) + " error (no code given)");
    if (IsAllDigits(rest) && rest.size() <= 6) {
        int code = ParseDigits(rest);
        return LinkError::Make(kind, lookup(code), code);
    }
    // Phones left in verbose mode (AT+CMEE=2) send the sentence themselves.
    return LinkError::Make(kind, std::string(rest));
}

} // namespace

std::string CmeErrorText(int code) { return Lookup(kCmeTexts, code, "phone"); }
std::string CmsErrorText(int code) { return Lookup(kCmsTexts, code, "message"); }

LinkError ErrorFromFinalLine(std::string_view line) {
    line = Trim(line);
    if (line == "OK")
        return {};
    if (line.starts_with("+CME ERROR:"))
        return Numbered(LinkErrorKind::CmeError, line.substr(11), "phone", CmeErrorText);
    if (line.starts_with("+CMS ERROR:"))
        return Numbered(LinkErrorKind::CmsError, line.substr(11), "message", CmsErrorText);
    if (line == "ERROR")
        return LinkError::Make(LinkErrorKind::PhoneError, "the phone answered ERROR");
    if (line.starts_with("MODEM ERROR:")) {
        std::string_view rest = Trim(line.substr(12));
        int code = IsAllDigits(rest) && rest.size() <= 6 ? ParseDigits(rest) : -1;
        return LinkError::Make(LinkErrorKind::PhoneError,
                               rest.empty() ? std::string("the modem refused the command (no code given)")
                                            : "the modem refused the command (modem error " + std::string(rest) + ")",
                               code);
    }
    if (line == "COMMAND NOT SUPPORT")
        return LinkError::Make(LinkErrorKind::PhoneError, "the phone does not support this command");
    return LinkError::Make(LinkErrorKind::PhoneError, "the phone answered " + std::string(line));
}

bool IsPhoneRefusal(const LinkError& error) {
    switch (error.kind) {
    case LinkErrorKind::PhoneError:
    case LinkErrorKind::CmeError:
    case LinkErrorKind::CmsError:
    case LinkErrorKind::BadReply:
        return true;
    default:
        return false;
    }
}

bool IsConnectionFailure(const LinkError& error) {
    switch (error.kind) {
    case LinkErrorKind::PortNotOpen:
    case LinkErrorKind::WriteFailed:
    case LinkErrorKind::NoAnswer:
    case LinkErrorKind::ConnectionLost:
        return true;
    default:
        return false;
    }
}
