#pragma once
// Why a phone operation failed, as data a window can show as one sentence.
#include <string>
#include <string_view>

enum class LinkErrorKind {
    None,
    PortNotOpen,    // the port never opened
    WriteFailed,    // the command could not be sent (short or refused write)
    NoAnswer,       // the phone stayed silent past the idle limit or the overall cap
    ConnectionLost, // the line hung up (POLLHUP, EIO)
    PhoneError,     // plain ERROR or another failing final result
    CmeError,       // +CME ERROR: code or verbose text
    CmsError,       // +CMS ERROR: code or verbose text
    BadReply,       // the phone answered OK but not with what the command needs
    InvalidInput,   // refused before anything was sent (text too long, bad number, ...)
    Stopped,        // the user stopped a long read; what was read before it stays
};

struct LinkError {
    LinkErrorKind kind = LinkErrorKind::None;
    int code = -1;    // the +CME/+CMS number, -1 when there is none
    std::string text; // the sentence to show

    explicit operator bool() const { return kind != LinkErrorKind::None; }
    bool operator==(const LinkError&) const = default;

    static LinkError Make(LinkErrorKind kind, std::string text, int code = -1) {
        return LinkError{kind, code, std::move(text)};
    }
};

// Sentences for the numbered +CME ERROR and +CMS ERROR codes; an unknown code gets a generic
// sentence carrying the number.
std::string CmeErrorText(int code);
std::string CmsErrorText(int code);

// Turns a final result line into an error: "OK" gives None; "ERROR" a PhoneError; "+CME ERROR: 10"
// a CmeError with code 10 and the table's sentence; a verbose "+CME ERROR: SIM busy" keeps the
// phone's own words; an empty "+CME ERROR:" still counts as an error.
LinkError ErrorFromFinalLine(std::string_view line);

// Whether the link or the phone is to blame decides a script's exit status.
bool IsPhoneRefusal(const LinkError& error);
bool IsConnectionFailure(const LinkError& error);
