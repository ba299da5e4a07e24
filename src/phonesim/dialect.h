#pragma once
// How a kind of device speaks: the settings a session starts with (and AT&F/ATZ return to)
// and the quirks the phone acts out. Each profile is one row of a small table (dialect.cpp),
// chosen with harlune-phonesim --profile NAME.
#include <string>
#include <vector>

namespace phonesim {

enum class CharsetRule { Any, Ucs2Only, GsmOnly };

struct Dialect {
    std::string name = "standard";
    std::string imitates = "a phone with the defaults of 3GPP TS 27.007 and ITU-T V.250";
    // Session defaults.
    bool echo = true;            // E1
    bool verbose = true;         // V1: result codes as words
    int cmee = 0;                // 27.007: +CME ERROR only once AT+CMEE=1 or 2 asked for it
    bool textMode = false;       // +CMGF
    bool crOnlyLineEnds = false; // S4 = 0: reply lines end in CR only
    // Quirks.
    CharsetRule charsets = CharsetRule::Any;
    int cpbrRangeCap = 0;                 // most positions one AT+CPBR may ask for (0: no cap)
    bool unsolicitedBetweenLines = false; // a "+CREG: 1" slips in between reply lines of listings
    bool noCarrierMidReply = false;       // long listings break off with NO CARRIER once
    int simBusyReplies = 0; // the first N phone-book commands on the SIM get +CME ERROR: 14
    int simDelayMs = 0;     // a slow SIM: SIM phone-book commands answer after this delay
    bool modemErrorOnUnknown = false; // unknown commands answer "MODEM ERROR" (final result)
};

// The profiles, "standard" first.
const std::vector<Dialect>& Dialects();
// Null for an unknown name.
const Dialect* FindDialect(const std::string& name);

} // namespace phonesim
