#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "phonesim/atinterpreter.h"

using namespace phonesim;

namespace {

// A small phone: a few entries in each storage, so listings stay readable in the rows below.
PhoneState Fixture() {
    PhoneState s = PhoneState::Empty();
    s.memory.entries[1] = {"0301234", 129, "Anna"};
    s.memory.entries[2] = {"+49301234", 145, "andreas/W"};
    s.memory.entries[4] = {"0405", 129, "BOOKS"};
    s.sim.entries[1] = {"0170111", 129, "J\xFCrgen/M"};
    s.sim.entries[2] = {"0170222", 129, "Zo\xEB"};
    s.sim.entries[3] = {"0170333", 129, "\xC5sa"};
    s.melodies[1].text = "c4d4e4";
    return s;
}

void SmallSim(PhoneState& s) { s.sim.size = 3; }

struct Row {
    const char* label;
    std::string input;
    std::string expected;
    bool echo = false;
    void (*setup)(PhoneState&) = nullptr;
    void (*check)(const PhoneState&) = nullptr;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.label; }

std::string RowName(const testing::TestParamInfo<Row>& info) {
    std::string name;
    for (const char* p = info.param.label; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

std::string Ok() { return "\r\nOK\r\n"; }
std::string Err() { return "\r\nERROR\r\n"; }
std::string Cme(int n) { return "\r\n+CME ERROR: " + std::to_string(n) + "\r\n"; }
std::string Cms(int n) { return "\r\n+CMS ERROR: " + std::to_string(n) + "\r\n"; }
std::string Info(std::initializer_list<std::string> lines) {
    std::string s = "\r\n";
    for (const auto& l : lines)
        s += l + "\r\n";
    return s + Ok();
}

class InterpreterRows : public testing::TestWithParam<Row> {};

TEST_P(InterpreterRows, AnswersLikeAPhone) {
    const Row& row = GetParam();
    PhoneState state = Fixture();
    if (row.setup)
        row.setup(state);
    AtInterpreter at(state);
    // Rows with echo meet the phone as it starts; the others as a program sets it up.
    if (!row.echo) {
        ASSERT_EQ(at.Feed("ATE0;+CMEE=1\r"), "ATE0;+CMEE=1\r" + Ok());
    }
    EXPECT_EQ(at.Feed(row.input), row.expected);
    if (row.check)
        row.check(state);
}

const Row kBasics[] = {
    {"bare AT", "AT\r", Ok()},
    {"lower-case at", "at\r", Ok()},
    {"LF-only line end", "AT\n", Ok()},
    {"CR LF ends one line, not two", "AT\r\nAT\r\n", Ok() + Ok()},
    {"empty lines get no answer", "\r\r\n  \r", ""},
    {"blanks around the command", "  AT  \r", Ok()},
    {"unknown command", "AT+CFOO\r", Err()},
    {"line without AT", "HELLO\r", Err()},
    {"backspace edits the line", "ATX\b\r", Ok()},
    {"over-long line", "AT" + std::string(3000, 'A') + "\rAT\r", Err() + Ok()},
    {"byte above 127 in a command", "AT\xE9\r", Err()},
    {"split across feeds is one line", "A", ""},
    {"echo on by default", "AT\r", "AT\r" + Ok(), true},
    {"echo of E0 itself, then silence", "ATE0\rAT\r", "ATE0\r" + Ok() + Ok(), true},
    {"E1 turns echo back on", "ATE1\rAT\r", Ok() + "AT\r" + Ok()},
    {"ATE2 is not a mode", "ATE2\r", Err()},
    {"CMEE 0 hides the reason", "AT+CMEE=0\rAT+CPBR=0\r", Ok() + Err()},
    {"CMEE 2 gives words", "AT+CMEE=2\rAT+CPBR=0\r", Ok() + "\r\n+CME ERROR: invalid index\r\n"},
    {"CMEE read and test", "AT+CMEE?\rAT+CMEE=?\r", Info({"+CMEE: 1"}) + Info({"+CMEE: (0-2)"})},
    {"CMEE out of range", "AT+CMEE=3\r", Err()},
    {"CMEE is 0 until set", "ATE0\rAT+CMEE?\rAT+CPBR=0\r", "ATE0\r" + Ok() + Info({"+CMEE: 0"}) + Err(), true},
};
INSTANTIATE_TEST_SUITE_P(Basics, InterpreterRows, testing::ValuesIn(kBasics), RowName);

// V.250 and the 27.007 identity commands, as dialers and phone tools send them at start-up.
const Row kV250[] = {
    {"dialer start-up sequence", "ATZ\rATQ0 V1 E0 S0=0 &C1 &D2\rAT+CMEE=1;+CSCS?\r",
     "ATZ\r" + Ok() + "ATQ0 V1 E0 S0=0 &C1 &D2\r" + Ok() + Info({"+CSCS: \"8859-1\""}), true},
    {"basic commands back to back", "ATE0V1Q0\rAT\r", "ATE0V1Q0\r" + Ok() + Ok(), true},
    {"numeric result codes", "ATV0\rAT\rAT+CMEE?\rATFOO\rATV1\r", "0\r0\r+CMEE: 1\r\n0\r4\r" + Ok()},
    {"quiet mode sends no result codes", "ATQ1\rAT+CMEE?\rATQ0\r", "\r\n+CMEE: 1\r\n" + Ok()},
    {"S-registers set and read", "ATS0=2\rATS0?\rATS3?S4?S5?\r",
     Ok() + Info({"002"}) + "\r\n013\r\n\r\n010\r\n\r\n008\r\n" + Ok()},
    {"S3 and S4 shape the reply", "ATS4=0\rAT\r", "\rOK\r\rOK\r"},
    {"S3 may not be LF", "ATS3=10\r", Err()},
    {"register out of range", "ATS99?\rATS0=256\r", Err() + Err()},
    {"ATZ returns to the defaults", "ATV0\rATZ\rAT+CMEE?\r", "0\r" + Ok() + "AT+CMEE?\r" + Info({"+CMEE: 0"})},
    {"AT&F likewise", "AT+CMEE=2\rAT&F\rAT+CMEE?\r", Ok() + Ok() + "AT+CMEE?\r" + Info({"+CMEE: 0"})},
    {"first failing command ends the line", "AT+CMEE=0;+CFOO;+CMEE=2\rAT+CMEE?\r", Err() + Info({"+CMEE: 0"})},
    {"semicolon inside quotes is text", "AT+CPBW=9,\"1\",129,\"a;b\";+CPBR=9\r",
     Info({"+CPBR: 9,\"1\",129,\"a;b\""})},
    {"&C and &D ranges", "AT&C2\rAT&D3\r", Err() + Err()},
    {"identity", "AT+CGMI\rAT+GMM\rAT+CGMR\rAT+CGSN\rAT+CGMI=?\r",
     Info({"Harlune"}) + Info({"Harlune emulated phone"}) + Info({"R1A phonesim"}) + Info({"490154203237518"}) +
         Ok()},
    {"ATI variants", "ATI\rATI3\rATI4\rATI9\rATI10\r",
     Info({"Harlune emulated phone"}) + Info({"Harlune"}) + Info({"Harlune emulated phone"}) +
         Info({"Harlune emulated phone R1A phonesim"}) + Err()},
};
INSTANTIATE_TEST_SUITE_P(V250, InterpreterRows, testing::ValuesIn(kV250), RowName);

const Row kPhonebook[] = {
    {"CSCS read and test", "AT+CSCS?\rAT+CSCS=?\r",
     Info({"+CSCS: \"8859-1\""}) + Info({"+CSCS: (\"8859-1\",\"IRA\",\"GSM\",\"UCS2\")"})},
    {"CSCS unknown set", "AT+CSCS=\"KOI8\"\r", Cme(4)},
    {"CSCS name in any case", "at+cscs=\"ira\"\rAT+CSCS?\r", Ok() + Info({"+CSCS: \"IRA\""})},
    {"CPBS select and read", "AT+CPBS=\"SM\"\rAT+CPBS?\r", Ok() + Info({"+CPBS: \"SM\",3,250"})},
    {"CPBS unknown storage", "AT+CPBS=\"FD\"\r", Cme(3)},
    {"CPBS test", "AT+CPBS=?\r", Info({"+CPBS: (\"ME\",\"SM\")"})},
    {"CPBR range of each storage", "AT+CPBR=?\rAT+CPBS=\"SM\"\rAT+CPBR=?\r",
     Info({"+CPBR: (1-500),40,24"}) + Ok() + Info({"+CPBR: (1-250),40,18"})},
    {"CPBR listing skips free positions", "AT+CPBR=1,500\r",
     Info({"+CPBR: 1,\"0301234\",129,\"Anna\"", "+CPBR: 2,\"+49301234\",145,\"andreas/W\"",
           "+CPBR: 4,\"0405\",129,\"BOOKS\""})},
    {"CPBR one position", "AT+CPBR=2\r", Info({"+CPBR: 2,\"+49301234\",145,\"andreas/W\""})},
    {"CPBR of free positions only", "AT+CPBR=5,9\r", Ok()},
    {"CPBR index 0", "AT+CPBR=0\r", Cme(21)},
    {"CPBR beyond the storage", "AT+CPBR=1,501\r", Cme(21)},
    {"CPBR reversed range", "AT+CPBR=5,2\r", Cme(21)},
    {"CPBR without index", "AT+CPBR=\r", Err()},
    {"CPBW writes and lists back", "AT+CPBW=7,\"5551\",129,\"Eve/H\"\rAT+CPBR=7\r",
     Ok() + Info({"+CPBR: 7,\"5551\",129,\"Eve/H\""})},
    {"name with commas and quotes round trips", "AT+CPBW=8,\"1\",129,\"Smith, \"Jo\", Jr\"\rAT+CPBR=8\r",
     Ok() + Info({"+CPBR: 8,\"1\",129,\"Smith, \"Jo\", Jr\""})},
    {"name with a colon", "AT+CPBW=9,\"1\",129,\"Dr: Who\"\rAT+CPBF=\"dr:\"\r",
     Ok() + Info({"+CPBF: 9,\"1\",129,\"Dr: Who\""})},
    {"first free position", "AT+CPBW=,\"555\",129,\"New\"\rAT+CPBR=3\r",
     Ok() + Info({"+CPBR: 3,\"555\",129,\"New\""})},
    {"first free when full", "AT+CPBS=\"SM\"\rAT+CPBW=,\"555\",129,\"New\"\r", Ok() + Cme(20), false, SmallSim},
    {"erase", "AT+CPBW=1\rAT+CPBR=1,4\r", Ok() + Info({"+CPBR: 2,\"+49301234\",145,\"andreas/W\"",
                                                       "+CPBR: 4,\"0405\",129,\"BOOKS\""})},
    {"erase of a free position is fine", "AT+CPBW=300\r", Ok()},
    {"write without position or number", "AT+CPBW=\r", Err()},
    {"invalid index", "AT+CPBW=501,\"1\",129,\"x\"\r", Cme(21)},
    {"number too long", "AT+CPBW=5,\"" + std::string(41, '1') + "\",129,\"x\"\r", Cme(26)},
    {"40 digits after a plus fit", "AT+CPBW=5,\"+" + std::string(40, '1') + "\",145,\"x\"\r", Ok()},
    {"text too long", "AT+CPBW=5,\"1\",129,\"" + std::string(25, 'x') + "\"\r", Cme(24)},
    {"text at the limit", "AT+CPBW=5,\"1\",129,\"" + std::string(24, 'x') + "\"\r", Ok()},
    {"SIM text limit is shorter", "AT+CPBS=\"SM\"\rAT+CPBW=5,\"1\",129,\"" + std::string(19, 'x') + "\"\r",
     Ok() + Cme(24)},
    {"letter in a dial string", "AT+CPBW=5,\"12a3\",129,\"x\"\r", Cme(27)},
    {"plus inside a dial string", "AT+CPBW=5,\"12+3\",129,\"x\"\r", Cme(27)},
    {"type out of range", "AT+CPBW=5,\"1\",100,\"x\"\r", Cme(50)},
    {"type omitted follows the plus", "AT+CPBW=5,\"+441\"\rAT+CPBR=5\r", Ok() + Info({"+CPBR: 5,\"+441\",145,\"\""})},
    {"type 145 without the plus lists it", "AT+CPBW=5,\"441\",145\rAT+CPBR=5\r", Ok() + Info({"+CPBR: 5,\"+441\",145,\"\""})},
    {"empty number and name", "AT+CPBW=7,\"\",129,\"\"\rAT+CPBR=7\r", Ok() + Info({"+CPBR: 7,\"\",129,\"\""})},
    {"unterminated text", "AT+CPBW=5,\"1\",129,\"abc\r", Err()},
    {"8859-1 letters written and read as bytes", "AT+CPBW=5,\"1\",129,\"J\xFCrgen\"\rAT+CPBR=5\r",
     Ok() + Info({"+CPBR: 5,\"1\",129,\"J\xFCrgen\""})},
    {"IRA shows letters above 127 as ?", "AT+CPBS=\"SM\"\rAT+CSCS=\"IRA\"\rAT+CPBR=1,2\r",
     Ok() + Ok() + Info({"+CPBR: 1,\"0170111\",129,\"J?rgen/M\"", "+CPBR: 2,\"0170222\",129,\"Zo?\""})},
    {"IRA refuses letters above 127", "AT+CSCS=\"IRA\"\rAT+CPBW=5,\"1\",129,\"J\xFC\"\r", Ok() + Cme(25)},
    {"GSM alphabet on read", "AT+CPBS=\"SM\"\rAT+CSCS=\"GSM\"\rAT+CPBR=1,3\r",
     Ok() + Ok() + Info({"+CPBR: 1,\"0170111\",129,\"J\x7Ergen/M\"", "+CPBR: 2,\"0170222\",129,\"Zo?\"",
                         "+CPBR: 3,\"0170333\",129,\"\x0Esa\""})},
    {"GSM alphabet on write", "AT+CSCS=\"GSM\"\rAT+CPBW=5,\"1\",129,\"\x5B\x7B\"\rAT+CSCS=\"8859-1\"\rAT+CPBR=5\r",
     Ok() + Ok() + Ok() + Info({"+CPBR: 5,\"1\",129,\"\xC4\xE4\""})},
    {"GSM euro has no place in the storage", "AT+CSCS=\"GSM\"\rAT+CPBW=5,\"1\",129,\"\x1B\x65\"\r", Ok() + Cme(25)},
    {"UCS2 on read", "AT+CPBS=\"SM\"\rAT+CSCS=\"UCS2\"\rAT+CPBR=2\r",
     Ok() + Ok() + Info({"+CPBR: 2,\"0170222\",129,\"005A006F00EB\""})},
    {"UCS2 on write, either case", "AT+CSCS=\"UCS2\"\rAT+CPBW=5,\"1\",129,\"004a00fC\"\rAT+CSCS=\"8859-1\"\rAT+CPBR=5\r",
     Ok() + Ok() + Ok() + Info({"+CPBR: 5,\"1\",129,\"J\xFC\""})},
    {"UCS2 odd length", "AT+CSCS=\"UCS2\"\rAT+CPBW=5,\"1\",129,\"004\"\r", Ok() + Cme(25)},
    {"UCS2 outside 8859-1", "AT+CSCS=\"UCS2\"\rAT+CPBW=5,\"1\",129,\"20AC\"\r", Ok() + Cme(25)},
    {"UCS2 not hex", "AT+CSCS=\"UCS2\"\rAT+CPBW=5,\"1\",129,\"00G1\"\r", Ok() + Cme(25)},
    {"CPBF is case-insensitive", "AT+CPBF=\"an\"\r",
     Info({"+CPBF: 1,\"0301234\",129,\"Anna\"", "+CPBF: 2,\"+49301234\",145,\"andreas/W\""})},
    {"CPBF folds accented capitals", "AT+CPBS=\"SM\"\rAT+CPBF=\"\xE5S\"\r",
     Ok() + Info({"+CPBF: 3,\"0170333\",129,\"\xC5sa\""})},
    {"CPBF matches the start only", "AT+CPBF=\"nna\"\r", Ok()},
    {"CPBF in UCS2", "AT+CSCS=\"UCS2\"\rAT+CPBF=\"0042\"\r", Ok() + Info({"+CPBF: 4,\"0405\",129,\"0042004F004F004B0053\""})},
    {"CPBF test", "AT+CPBF=?\r", Info({"+CPBF: 40,24"})},
    {"CPBW test", "AT+CPBW=?\r", Info({"+CPBW: (1-500),40,(128-255),24"})},
};
INSTANTIATE_TEST_SUITE_P(Phonebook, InterpreterRows, testing::ValuesIn(kPhonebook), RowName);

const Row kMelodies[] = {
    {"ESOM lists eight", "AT*ESOM?\r",
     Info({"*ESOM: 1,\"\",0", "*ESOM: 2,\"c4d4e4\",0", "*ESOM: 3,\"\",0", "*ESOM: 4,\"\",0", "*ESOM: 5,\"\",0",
           "*ESOM: 6,\"\",0", "*ESOM: 7,\"\",0", "*ESOM: 8,\"\",0"})},
    {"ESOM write", "AT*ESOM=3,\"C2p4d#8.\",0\r", Ok(), false, nullptr,
     [](const PhoneState& s) { EXPECT_EQ(s.melodies[2].text, "C2p4d#8."); }},
    {"ESOM write without value", "AT*ESOM=8,\"a\"\r", Ok()},
    {"ESOM index 0", "AT*ESOM=0,\"a\",0\r", Cme(21)},
    {"ESOM index 9", "AT*ESOM=9,\"a\",0\r", Cme(21)},
    {"ESOM text too long", "AT*ESOM=1,\"" + std::string(41, 'c') + "\",0\r", Cme(24)},
    {"ESOM not a melody", "AT*ESOM=1,\"hello\",0\r", Cme(25)},
    {"ESOM comma inside the text", "AT*ESOM=1,\"c4,d4\",0\r", Cme(25)},
    {"ESOM test in the documented shape", "AT*ESOM=?\r",
     Info({"*ESOM: (1-8),(p,P),(+,#,(b)),(c,d,e,f,g,a,b,C,D,E,F,G,A,B),40,32,(0)"})},
    {"ESOM family notation, both set forms", "AT*ESOM=4,\"+#cC(b)epP\",0\rAT*ESOM=5,\"+(b)D\"\r", Ok() + Ok(), false,
     nullptr, [](const PhoneState& s) { EXPECT_EQ(s.melodies[3].text, "+#cC(b)epP"); }},
    {"ESOM prefixes in the wrong order", "AT*ESOM=4,\"#+c\"\rAT*ESOM=4,\"(b)#c\"\rAT*ESOM=4,\"c(b)\"\r",
     Cme(25) + Cme(25) + Cme(25)},
    {"ERIP plays", "AT*ERIP=3,31\r", Ok(), false, nullptr,
     [](const PhoneState& s) {
         EXPECT_EQ(s.lastPlayedLevel, 3);
         EXPECT_EQ(s.lastPlayedSound, 31);
     }},
    {"ERIP level too high", "AT*ERIP=8,31\r", Cme(50)},
    {"ERIP sound out of range", "AT*ERIP=3,39\rAT*ERIP=3,0\r", Cme(21) + Cme(21)},
    {"ERIP without sound", "AT*ERIP=3\r", Err()},
    {"ERIP test", "AT*ERIP=?\r", Info({"*ERIP: (0-7),(1-38)"})},
    {"ERIN sets the ring signal", "AT*ERIN=38\rAT*ERIN?\r", Ok() + Info({"*ERIN: 38"})},
    {"ERIN out of range", "AT*ERIN=39\r", Cme(21)},
};
INSTANTIATE_TEST_SUITE_P(Melodies, InterpreterRows, testing::ValuesIn(kMelodies), RowName);

const char kHiPdu[] = "0011000381" "21F3" "0000AA" "02C834";

const Row kSms[] = {
    {"CMGF default and test", "AT+CMGF?\rAT+CMGF=?\r", Info({"+CMGF: 0"}) + Info({"+CMGF: (0,1)"})},
    {"CMGF 2 is not a mode", "AT+CMGF=2\r", Err()},
    {"CMGS prompt", "AT+CMGS=12\r", "\r\n> "},
    {"CMGS sends and numbers", std::string("AT+CMGS=12\r") + kHiPdu + "\x1A", "\r\n> \r\n+CMGS: 1\r\n" + Ok(), false,
     nullptr,
     [](const PhoneState& s) {
         ASSERT_EQ(s.sent.size(), 1u);
         EXPECT_EQ(s.sent[0].destination, "123");
         EXPECT_EQ(s.sent[0].typeOfAddress, 129);
         EXPECT_EQ(s.sent[0].text, "Hi");
         EXPECT_EQ(s.sent[0].pduHex, kHiPdu);
         EXPECT_EQ(s.nextMessageReference, 2);
     }},
    {"CMGS lower-case hex and a CR before Ctrl-Z",
     std::string("AT+CMGS=12\r") + "0011000381" "21f3" "0000aa" "02c834\r\x1A", "\r\n> \r\n+CMGS: 1\r\n" + Ok()},
    {"CMGS twice counts up", std::string("AT+CMGS=12\r") + kHiPdu + "\x1A" + "AT+CMGS=12\r" + kHiPdu + "\x1A",
     "\r\n> \r\n+CMGS: 1\r\n" + Ok() + "\r\n> \r\n+CMGS: 2\r\n" + Ok()},
    {"CMGS announced length wrong", std::string("AT+CMGS=13\r") + kHiPdu + "\x1A", "\r\n> " + Cms(304), false,
     nullptr, [](const PhoneState& s) { EXPECT_TRUE(s.sent.empty()); }},
    {"CMGS odd hex", "AT+CMGS=12\r0011000381" "21F3" "0000AA" "02C83\x1A", "\r\n> " + Cms(304)},
    {"CMGS garbage in the PDU", "AT+CMGS=12\r0011000381" "21F3" "0000AA" "02C8Z4\x1A", "\r\n> " + Cms(304)},
    {"CMGS endless PDU is cut off and refused", "AT+CMGS=12\r" + std::string(5000, '0') + "\x1A" + "AT\r",
     "\r\n> " + Cms(304) + Ok()},
    {"CMGS ESC cancels", std::string("AT+CMGS=12\r") + kHiPdu + "\x1B" + "AT\r", "\r\n> " + Ok() + Ok(), false,
     nullptr, [](const PhoneState& s) { EXPECT_TRUE(s.sent.empty()); }},
    {"CMGS length out of range", "AT+CMGS=3\rAT+CMGS=165\r", Cms(304) + Cms(304)},
    {"CMGS without length", "AT+CMGS=\r", Cms(304)},
    {"CMGS echoes the PDU with echo on", std::string("AT+CMGS=12\r") + kHiPdu + "\x1A",
     std::string("AT+CMGS=12\r") + "\r\n> " + kHiPdu + "\r\n+CMGS: 1\r\n" + Ok(), true},
    {"text mode", "AT+CMGF=1\rAT+CMGS=\"+4412\"\rHi\rthere\x1A",
     Ok() + "\r\n> \r\n> \r\n+CMGS: 1\r\n" + Ok(), false, nullptr,
     [](const PhoneState& s) {
         ASSERT_EQ(s.sent.size(), 1u);
         EXPECT_EQ(s.sent[0].destination, "4412");
         EXPECT_EQ(s.sent[0].typeOfAddress, 145);
         EXPECT_EQ(s.sent[0].text, "Hi\nthere");
     }},
    {"text mode bad destination", "AT+CMGF=1\rAT+CMGS=\"12ab\"\r", Ok() + Cms(305)},
};
INSTANTIATE_TEST_SUITE_P(Sms, InterpreterRows, testing::ValuesIn(kSms), RowName);

// Status and network commands with the answers 27.007 gives them.
const Row kNetwork[] = {
    {"CFUN read, set, test", "AT+CFUN?\rAT+CFUN=4\rAT+CFUN?\rAT+CFUN=?\rAT+CFUN=2\r",
     Info({"+CFUN: 1"}) + Ok() + Info({"+CFUN: 4"}) + Info({"+CFUN: (0,1,4),(0,1)"}) + Cme(4)},
    {"PIN ready", "AT+CPIN?\r", Info({"+CPIN: READY"})},
    {"signal and battery", "AT+CSQ\rAT+CBC\r", Info({"+CSQ: 22,99"}) + Info({"+CBC: 0,80"})},
    {"no signal when the radio is off", "AT+CFUN=4\rAT+CSQ\rAT+CREG?\r",
     Ok() + Info({"+CSQ: 99,99"}) + Info({"+CREG: 0,0"})},
    {"CREG modes", "AT+CREG?\rAT+CREG=2\rAT+CREG?\rAT+CREG=3\r",
     Info({"+CREG: 0,1"}) + Ok() + Info({"+CREG: 2,1,\"00C3\",\"1A2B\""}) + Err()},
    {"operator in each format", "AT+COPS?\rAT+COPS=3,2\rAT+COPS?\r",
     Info({"+COPS: 0,0,\"Harlune Net\""}) + Ok() + Info({"+COPS: 0,2,\"00101\""})},
    {"operator list", "AT+COPS=?\r", Info({"+COPS: (2,\"Harlune Net\",\"HarNet\",\"00101\"),,(0-4),(0-2)"})},
    {"clock set and read", "AT+CCLK=\"26/02/28,23:59:30+04\"\rAT+CCLK?\r",
     Ok() + Info({"+CCLK: \"26/02/28,23:59:30+00\""})},
    {"clock nonsense", "AT+CCLK=\"26/13/01,00:00:00\"\rAT+CCLK=\"soon\"\r", Cme(50) + Cme(50)},
    {"service centre set and read", "AT+CSCA?\rAT+CSCA=\"0171222\"\rAT+CSCA?\r",
     Info({"+CSCA: \"+491710760000\",145"}) + Ok() + Info({"+CSCA: \"0171222\",129"})},
    {"service centre in UCS2", "AT+CSCS=\"UCS2\"\rAT+CSCA?\r",
     Ok() + Info({"+CSCA: \"002B003400390031003700310030003700360030003000300030\",145"})},
    {"service centre not a number", "AT+CSCA=\"12a\"\r", Cms(305)},
    {"message service", "AT+CSMS=1\rAT+CSMS?\rAT+CSMS=2\r", Info({"+CSMS: 1,1,1"}) + Info({"+CSMS: 1,1,1,1"}) + Cms(303)},
    {"subscriber and own number", "AT+CIMI\rAT+CNUM\r",
     Info({"001010123456789"}) + Info({"+CNUM: \"Own number\",\"+491701234567\",145"})},
};
INSTANTIATE_TEST_SUITE_P(Network, InterpreterRows, testing::ValuesIn(kNetwork), RowName);

// A received message, "Hi" from +4912345 (recorded shape: 27.005 annex example layout).
const char kDeliverHi[] = "07919471016700F0" "04" "0791942143F5" "0000" "62208090000000" "02C834";
void TwoMessages(PhoneState& s) {
    s.clockOffset = 1800000000 - 1; // irrelevant to the rows, keeps CCLK away from wall time
    s.smsSim.messages[1] = {MessageStatus::ReceivedUnread, kDeliverHi};
    s.smsSim.messages[3] = {MessageStatus::StoredUnsent, std::string("0011000381") + "21F3" + "0000AA" + "02C834"};
}
void FullSim(PhoneState& s) {
    s.smsSim.size = 1;
    s.smsSim.messages[1] = {MessageStatus::ReceivedRead, kDeliverHi};
}

const Row kStorage[] = {
    {"CPMS test and read", "AT+CPMS=?\rAT+CPMS?\r",
     Info({"+CPMS: (\"ME\",\"SM\"),(\"ME\",\"SM\"),(\"ME\",\"SM\")"}) +
         Info({"+CPMS: \"SM\",2,20,\"SM\",2,20,\"SM\",2,20"}),
     false, TwoMessages},
    {"CPMS set answers the counts", "AT+CPMS=\"ME\",\"SM\"\rAT+CPMS=\"XX\"\r",
     Info({"+CPMS: 0,100,2,20,2,20"}) + Cms(303), false, TwoMessages},
    {"CMGL in PDU mode marks as read", "AT+CMGL=4\rAT+CMGL=0\r",
     Info({"+CMGL: 1,0,,19", kDeliverHi, "+CMGL: 3,2,,12", "0011000381" "21F3" "0000AA" "02C834"}) + Ok(), false,
     TwoMessages, [](const PhoneState& s) { EXPECT_EQ(s.smsSim.messages.at(1).status, MessageStatus::ReceivedRead); }},
    {"CMGL in text mode", "AT+CMGF=1\rAT+CMGL=\"ALL\"\r",
     Ok() + Info({"+CMGL: 1,\"REC UNREAD\",\"+4912345\",,\"26/02/08,09:00:00+00\"", "Hi",
                  "+CMGL: 3,\"STO UNSENT\",\"123\",", "Hi"}),
     false, TwoMessages},
    {"CMGR PDU and text", "AT+CMGR=1\rAT+CMGF=1\rAT+CMGR=1\r",
     Info({"+CMGR: 0,,19", kDeliverHi}) + Ok() + Info({"+CMGR: \"REC READ\",\"+4912345\",,\"26/02/08,09:00:00+00\"", "Hi"}),
     false, TwoMessages},
    {"CMGR of a free position", "AT+CMGR=2\rAT+CMGR=99\r", Cms(321) + Cms(321), false, TwoMessages},
    {"CMGD one, then all read", "AT+CMGD=3\rAT+CMGD=?\rAT+CMGD=1,1\rAT+CMGD=?\r",
     Ok() + Info({"+CMGD: (1),(0-4)"}) + Ok() + Info({"+CMGD: (),(0-4)"}), false,
     [](PhoneState& s) {
         TwoMessages(s);
         s.smsSim.messages[1].status = MessageStatus::ReceivedRead;
     }},
    {"CMGW stores, CMSS sends it", std::string("AT+CMGW=12\r") + "0011000381" "21F3" "0000AA" "02C834" "\x1A" + "AT+CMSS=1\rAT+CMGR=1\r",
     "\r\n> \r\n+CMGW: 1\r\n" + Ok() + Info({"+CMSS: 1"}) + Info({"+CMGR: 3,,12", "0011000381" "21F3" "0000AA" "02C834"}),
     false, nullptr, [](const PhoneState& s) { ASSERT_EQ(s.sent.size(), 1u); EXPECT_EQ(s.sent[0].text, "Hi"); }},
    {"CMGW in text mode", "AT+CMGF=1\rAT+CMGW=\"+4412\"\rHello\x1A" "AT+CMGR=1\r",
     Ok() + "\r\n> \r\n+CMGW: 1\r\n" + Ok() + Info({"+CMGR: \"STO UNSENT\",\"+4412\",", "Hello"})},
    {"a full storage", std::string("AT+CMGW=12\r") + "0011000381" "21F3" "0000AA" "02C834" "\x1A",
     "\r\n> " + Cms(322), false, FullSim},
    {"CMSS of a received message", "AT+CMSS=1\r", Cms(302), false, TwoMessages},
    {"CNMI set, read and test", "AT+CNMI=2,1,0,1,0\rAT+CNMI?\rAT+CNMI=?\rAT+CNMI=4\r",
     Ok() + Info({"+CNMI: 2,1,0,1,0"}) + Info({"+CNMI: (0-3),(0-3),(0-3),(0,1),(0,1)"}) + Cms(303)},
    {"CSMP set and read", "AT+CSMP=49,167,0,0\rAT+CSMP?\rAT+CSMP=0\r", Ok() + Info({"+CSMP: 49,167,0,0"}) + Err()},
};
INSTANTIATE_TEST_SUITE_P(Storage, InterpreterRows, testing::ValuesIn(kStorage), RowName);

TEST(Interpreter, StateChangesAreReportedOnlyForChanges) {
    PhoneState state = Fixture();
    int changes = 0;
    InterpreterHooks hooks;
    hooks.stateChanged = [&] { ++changes; };
    AtInterpreter at(state, hooks);
    at.Feed("ATE0\rAT\rAT+CPBR=1,5\rAT*ESOM?\r");
    EXPECT_EQ(changes, 0);
    at.Feed("AT+CPBW=9,\"1\",129,\"x\"\rAT+CPBW=9,\"1\",129,\"" + std::string(30, 'x') + "\"\r");
    EXPECT_EQ(changes, 1);
    at.Feed(std::string("AT+CMGS=12\r") + kHiPdu + "\x1A");
    EXPECT_EQ(changes, 2);
}

TEST(Interpreter, FaultHooksReplaceTheCommand) {
    PhoneState state = Fixture();
    struct Case {
        FaultAction action;
        int code;
        std::string reply;
        bool hungUp;
    };
    const Case cases[] = {
        {FaultAction::Error, 0, Err(), false},
        {FaultAction::CmeError, 10, Cme(10), false},
        {FaultAction::CmsError, 500, Cms(500), false},
        {FaultAction::Silent, 0, "", false},
        {FaultAction::HangupBefore, 0, "", true},
        {FaultAction::DropMidReply, 0, "\r\nO", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        InterpreterHooks hooks;
        hooks.beforeCommand = [&](std::string_view line) -> std::optional<FaultRule> {
            if (line == "AT+CPBW=1")
                return FaultRule{"", c.action, c.code, 1};
            return std::nullopt;
        };
        PhoneState copy = state;
        AtInterpreter at(copy, hooks);
        at.Feed("ATE0\r");
        // The erase only happens when the fault lets the command run (drop mid-reply).
        EXPECT_EQ(at.Feed("AT+CPBW=1\rAT\r"), c.hungUp ? c.reply : c.reply + Ok());
        EXPECT_EQ(at.HungUp(), c.hungUp);
        EXPECT_EQ(copy.memory.entries.count(1), c.action == FaultAction::DropMidReply ? 0u : 1u);
    }
}

struct FaultText {
    const char* text;
    bool ok;
    std::string prefix;
    FaultAction action;
    int code;
    int remaining;
};

TEST(FaultRules, ParseFromTheRight) {
    const FaultText rows[] = {
        {"AT+CPBR:error", true, "AT+CPBR", FaultAction::Error, 0, -1},
        {"AT+CPBS=\"SM\":cme=10:1", true, "AT+CPBS=\"SM\"", FaultAction::CmeError, 10, 1},
        {"AT+CMGS:cms=304:2", true, "AT+CMGS", FaultAction::CmsError, 304, 2},
        {"AT:silent", true, "AT", FaultAction::Silent, 0, -1},
        {"AT+X:Y:drop:3", true, "AT+X:Y", FaultAction::DropMidReply, 0, 3},
        {"AT:hangup", true, "AT", FaultAction::HangupBefore, 0, -1},
        {"AT:explode", false, "", FaultAction::Error, 0, 0},
        {"AT:cme=", false, "", FaultAction::Error, 0, 0},
        {"AT:error:0", false, "", FaultAction::Error, 0, 0},
        {"error", false, "", FaultAction::Error, 0, 0},
        {":error", false, "", FaultAction::Error, 0, 0},
    };
    for (const FaultText& r : rows) {
        SCOPED_TRACE(r.text);
        FaultRule rule;
        std::string error;
        ASSERT_EQ(ParseFaultRule(r.text, &rule, &error), r.ok);
        if (!r.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(rule.commandPrefix, r.prefix);
        EXPECT_EQ(rule.action, r.action);
        EXPECT_EQ(rule.code, r.code);
        EXPECT_EQ(rule.remaining, r.remaining);
    }
}

TEST(PhoneStateDemo, IsRealisticAndValid) {
    PhoneState demo = PhoneState::Demo();
    EXPECT_GE(demo.sim.entries.size(), 25u);
    EXPECT_GE(demo.memory.entries.size(), 50u);
    ASSERT_EQ(demo.melodies.size(), 8u);
    int international = 0, latin1 = 0;
    for (const PhonebookStorage* st : {&demo.sim, &demo.memory})
        for (const auto& [pos, r] : st->entries) {
            EXPECT_LE(r.name.size(), static_cast<size_t>(st->textLimit)) << r.name;
            EXPECT_LE(pos, st->size);
            international += r.type == 145;
            latin1 += std::any_of(r.name.begin(), r.name.end(), [](char c) { return (unsigned char)c > 127; });
        }
    EXPECT_GT(international, 2);
    EXPECT_GT(latin1, 2);
    for (const Melody& m : demo.melodies)
        EXPECT_TRUE(IsValidMelodyText(m.text)) << m.text;
}

} // namespace

namespace {

TEST(MelodyNotation, FamilyTextsAndTheOlderOneStillTaken) {
    struct {
        const char* text;
        bool family, valid;
    } const rows[] = {
        {"cdefgab", true, true},       {"CDEFGAB", true, true},   {"+c#d(b)epP", true, true},
        {"+#c+(b)D", true, true},      {"", true, true},          {"#+c", false, false},
        {"(b", false, false},          {"(x)c", false, false},    {"h", false, false},
        {"c4d4e4 +c2.", false, true}, // the program's older notation, still taken
        {"cdefgabcdefgabcdefgabcdefgabcdefg", false, true}, // 33 tones: too many for the family
    };
    for (const auto& r : rows) {
        EXPECT_EQ(IsFamilyMelodyText(r.text), r.family) << r.text;
        EXPECT_EQ(IsValidMelodyText(r.text), r.valid) << r.text;
    }
}

} // namespace

namespace {

// Each profile against the commands where it differs from the standard phone.
struct ProfileRow {
    const char* profile;
    std::string input;
    std::string expected;
};
std::ostream& operator<<(std::ostream& os, const ProfileRow& r) { return os << r.profile; }
class Profiles : public testing::TestWithParam<ProfileRow> {};

TEST_P(Profiles, BehaveLikeTheirKindOfDevice) {
    const ProfileRow& row = GetParam();
    const Dialect* dialect = FindDialect(row.profile);
    ASSERT_NE(dialect, nullptr);
    PhoneState state = Fixture();
    AtInterpreter at(state, {}, *dialect);
    EXPECT_EQ(at.Feed(row.input), row.expected);
}

const ProfileRow kProfiles[] = {
    {"standard", "AT\r", "AT\r" + Ok()},
    {"quiet-cr", "AT\rAT+CMEE?\r", "\rOK\r\r+CMEE: 0\r\rOK\r"},
    {"ucs2-only", "ATE0\rAT+CSCS=?\rAT+CSCS=\"8859-1\"\rAT+CSCS=\"UCS2\"\r",
     "ATE0\r" + Ok() + Info({"+CSCS: (\"UCS2\")"}) + Err() + Ok()},
    {"gsm-only", "ATE0\rAT+CSCS=\"IRA\"\rAT+CSCS=\"GSM\"\r", "ATE0\r" + Ok() + Err() + Ok()},
    {"range-255", "ATE0;+CMEE=1\rAT+CPBR=1,256\rAT+CPBR=1,255\r",
     "ATE0;+CMEE=1\r" + Ok() + Cme(21) +
         Info({"+CPBR: 1,\"0301234\",129,\"Anna\"", "+CPBR: 2,\"+49301234\",145,\"andreas/W\"",
               "+CPBR: 4,\"0405\",129,\"BOOKS\""})},
    {"text-mode", "ATE0\rAT+CMGF?\r", "ATE0\r" + Ok() + Info({"+CMGF: 1"})},
    {"numeric", "ATE0\rAT\rATV1\r", "ATE0\r0\r0\r" + Ok()},
    {"chatty", "ATE0\rAT+CPBR=1,2\r",
     "ATE0\r" + Ok() + "\r\n+CPBR: 1,\"0301234\",129,\"Anna\"\r\n\r\n+CREG: 1\r\n+CPBR: 2,\"+49301234\",145,\"andreas/W\"\r\n" +
         Ok()},
    {"carrier-loss", "ATE0\rAT+CPBW=5,\"1\",129,\"e\"\rAT+CPBW=6,\"1\",129,\"f\"\rAT+CPBR=1,9\rAT+CPBR=1,9\r",
     "ATE0\r" + Ok() + Ok() + Ok() + "\r\n+CPBR: 1,\"0301234\",129,\"Anna\"\r\n+CPBR: 2,\"+49301234\",145,\"andreas/W\"\r\n" +
         "\r\nNO CARRIER\r\n" +
         Info({"+CPBR: 1,\"0301234\",129,\"Anna\"", "+CPBR: 2,\"+49301234\",145,\"andreas/W\"",
               "+CPBR: 4,\"0405\",129,\"BOOKS\"", "+CPBR: 5,\"1\",129,\"e\"", "+CPBR: 6,\"1\",129,\"f\""})},
    {"busy-sim", "ATE0;+CMEE=1\rAT+CPBS=\"SM\"\rAT+CPBS=\"SM\"\rAT+CPBS=\"SM\"\r",
     "ATE0;+CMEE=1\r" + Ok() + Cme(14) + Cme(14) + Ok()},
    {"modem-error", "ATE0\rAT+CFOO\r", "ATE0\r" + Ok() + "\r\nMODEM ERROR\r\n"},
};
INSTANTIATE_TEST_SUITE_P(Dialects, Profiles, testing::ValuesIn(kProfiles),
                         [](const testing::TestParamInfo<ProfileRow>& i) {
                             std::string name = i.param.profile;
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

TEST(Profiles, EveryProfileHasARow) {
    for (const Dialect& d : Dialects()) {
        bool found = false;
        for (const ProfileRow& r : kProfiles)
            found = found || d.name == r.profile;
        EXPECT_TRUE(found) << d.name;
    }
}

} // namespace
