#include "phonesim/dialect.h"

namespace phonesim {

const std::vector<Dialect>& Dialects() {
    // One row per kind of device; each changes only what sets that kind apart.
    static const std::vector<Dialect> kDialects = [] {
        std::vector<Dialect> d;
        d.push_back(Dialect{});
        auto row = [&](const char* name, const char* imitates, auto change) {
            Dialect x;
            x.name = name;
            x.imitates = imitates;
            change(x);
            d.push_back(x);
        };
        row("quiet-cr",
            "a modem that starts with echo off (E0) and ends reply lines with CR only (S4=0)",
            [](Dialect& x) {
                x.echo = false;
                x.crOnlyLineEnds = true;
            });
        row("ucs2-only", "a phone that knows only the UCS2 character set",
            [](Dialect& x) { x.charsets = CharsetRule::Ucs2Only; });
        row("gsm-only", "a phone that knows only the GSM alphabet",
            [](Dialect& x) { x.charsets = CharsetRule::GsmOnly; });
        row("range-255",
            "a phone that lists at most 255 positions per AT+CPBR (+CME ERROR: 21 beyond)",
            [](Dialect& x) { x.cpbrRangeCap = 255; });
        row("text-mode", "a modem whose messages start in text mode (+CMGF=1)",
            [](Dialect& x) { x.textMode = true; });
        row("numeric", "a modem that starts with numeric result codes (V0)",
            [](Dialect& x) { x.verbose = false; });
        row("chatty", "a phone that puts unsolicited +CREG lines between the lines of a listing",
            [](Dialect& x) { x.unsolicitedBetweenLines = true; });
        row("carrier-loss", "a line that breaks off one long listing with NO CARRIER in the middle",
            [](Dialect& x) { x.noCarrierMidReply = true; });
        row("busy-sim",
            "a slow SIM that is busy (+CME ERROR: 14) for the first phone-book commands",
            [](Dialect& x) {
                x.simBusyReplies = 2;
                x.simDelayMs = 50;
            });
        row("modem-error", "a modem that answers unknown commands with MODEM ERROR",
            [](Dialect& x) { x.modemErrorOnUnknown = true; });
        return d;
    }();
    return kDialects;
}

const Dialect* FindDialect(const std::string& name) {
    for (const Dialect& d : Dialects())
        if (d.name == name)
            return &d;
    return nullptr;
}

} // namespace phonesim
