// Status and network commands (27.007 chapters 7 and 8): the phone's functionality, PIN state,
// signal, battery, registration, operator, clock, own number, subscriber identity, and the
// service centre and message service of 27.005.
#include <ctime>

#include "phonesim/atargs.h"
#include "phonesim/atcommands.h"
#include "phonesim/atinterpreter.h"
#include "phonesim/charset.h"

namespace phonesim {

namespace {
constexpr const char* kOperatorLong = "Harlune Net";
constexpr const char* kOperatorShort = "HarNet";
constexpr const char* kOperatorNumeric = "00101"; // the test network's MCC and MNC
constexpr const char* kImsi = "001010123456789";
constexpr const char* kLac = "00C3";
constexpr const char* kCellId = "1A2B";
} // namespace

struct NetworkHandlers {
    using R = CommandResult;

    static PhoneState& State(AtInterpreter& at) { return at.m_state; }
    static long long Now(const AtInterpreter& at) {
        return at.m_hooks.now ? at.m_hooks.now() : static_cast<long long>(std::time(nullptr));
    }

    static R CfunRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CFUN: " + std::to_string(State(at).functionality)});
    }
    static R CfunTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CFUN: (0,1,4),(0,1)"});
    }
    static R CfunSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int fun = 0, reset = 0;
        if (!r.Int(&fun) || (r.Comma() && !r.Int(&reset)) || !r.AtEnd())
            return R::Error();
        if ((fun != 0 && fun != 1 && fun != 4) || reset > 1)
            return R::Cme(cme::kOperationNotSupported);
        State(at).functionality = fun;
        return R::Ok();
    }

    static R CpinRead(AtInterpreter&, std::string_view) { return R::Lines({"+CPIN: READY"}); }
    static R CpinSet(AtInterpreter&, std::string_view) {
        // No PIN is asked for; entering one anyway is not allowed.
        return R::Cme(cme::kOperationNotAllowed);
    }

    static R CsqExec(AtInterpreter& at, std::string_view) {
        int rssi = State(at).functionality == 1 ? State(at).network.signal : 99;
        return R::Lines({"+CSQ: " + std::to_string(rssi) + ",99"});
    }
    static R CsqTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CSQ: (0-31,99),(0-7,99)"});
    }

    static R CbcExec(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CBC: 0," + std::to_string(State(at).network.battery)});
    }
    static R CbcTest(AtInterpreter&, std::string_view) { return R::Lines({"+CBC: (0-3),(0-100)"}); }

    static int Registration(const AtInterpreter& at) {
        return at.m_state.functionality == 1 ? at.m_state.network.registration : 0;
    }
    static std::string CregLine(const AtInterpreter& at, bool withMode) {
        std::string line = "+CREG: ";
        if (withMode)
            line += std::to_string(at.m_cregMode) + ",";
        int stat = Registration(at);
        line += std::to_string(stat);
        if (at.m_cregMode == 2 && (stat == 1 || stat == 5))
            line += std::string(",\"") + kLac + "\",\"" + kCellId + "\"";
        return line;
    }
    static R CregSet(AtInterpreter& at, std::string_view args) {
        return OneSetting(args, 2, &at.m_cregMode) ? R::Ok() : R::Error();
    }
    static R CregRead(AtInterpreter& at, std::string_view) {
        return R::Lines({CregLine(at, true)});
    }
    static R CregTest(AtInterpreter&, std::string_view) { return R::Lines({"+CREG: (0-2)"}); }

    static std::string OperatorIn(int format) {
        return format == 2 ? kOperatorNumeric : format == 1 ? kOperatorShort : kOperatorLong;
    }
    static R CopsRead(AtInterpreter& at, std::string_view) {
        int stat = Registration(at);
        if (stat != 1 && stat != 5)
            return R::Lines({"+COPS: 0"});
        return R::Lines({"+COPS: 0," + std::to_string(at.m_copsFormat) + ",\"" +
                         OperatorIn(at.m_copsFormat) + "\""});
    }
    static R CopsTest(AtInterpreter&, std::string_view) {
        return R::Lines({std::string("+COPS: (2,\"") + kOperatorLong + "\",\"" + kOperatorShort +
                         "\",\"" + kOperatorNumeric + "\"),,(0-4),(0-2)"});
    }
    static R CopsSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int mode = 0, format = at.m_copsFormat;
        if (!r.Int(&mode))
            return R::Error();
        if (r.Comma() && !r.NextIsEmpty() && !r.Int(&format))
            return R::Error();
        std::string oper;
        if (r.Comma() && !r.Quoted(&oper, true))
            return R::Error();
        if (!r.AtEnd() || mode > 4 || format > 2)
            return R::Error();
        if ((mode == 1 || mode == 4) && !oper.empty() && oper != OperatorIn(format))
            return R::Cme(cme::kNoNetworkService);
        at.m_copsFormat = format;
        return R::Ok();
    }

    // +CCLK: "yy/MM/dd,hh:mm:ss+zz", zz in quarter hours. The phone clock runs as the system
    // clock plus the offset last set.
    static R CclkRead(AtInterpreter& at, std::string_view) {
        std::time_t t = static_cast<std::time_t>(Now(at) + State(at).clockOffset);
        std::tm tm{};
        gmtime_r(&t, &tm);
        char text[40];
        std::snprintf(text, sizeof text, "+CCLK: \"%02d/%02d/%02d,%02d:%02d:%02d+00\"",
                      tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec);
        return R::Lines({text});
    }
    static R CclkSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string text;
        if (!r.Quoted(&text, true) || !r.AtEnd())
            return R::Error();
        int yy, mo, dd, hh, mi, ss, zone = 0;
        char sign = '+';
        int fields = std::sscanf(text.c_str(), "%2d/%2d/%2d,%2d:%2d:%2d%c%2d", &yy, &mo, &dd, &hh,
                                 &mi, &ss, &sign, &zone);
        if ((fields != 6 && fields != 8) || (fields == 8 && sign != '+' && sign != '-') || mo < 1 ||
            mo > 12 || dd < 1 || dd > 31 || hh > 23 || mi > 59 || ss > 59 || yy < 0 || zone > 96)
            return R::Cme(cme::kIncorrectParameters);
        std::tm tm{};
        tm.tm_year = 100 + yy;
        tm.tm_mon = mo - 1;
        tm.tm_mday = dd;
        tm.tm_hour = hh;
        tm.tm_min = mi;
        tm.tm_sec = ss;
        // The time given is local to its zone; the phone keeps it as typed (zone +00 shown).
        State(at).clockOffset = static_cast<long long>(timegm(&tm)) - Now(at);
        return R::Changed();
    }

    static R CscaRead(AtInterpreter& at, std::string_view) {
        const PhoneState& s = State(at);
        return R::Lines({"+CSCA: \"" + StoredToLine(s.serviceCentre, s.charset) + "\"," +
                         std::to_string(s.serviceCentreType)});
    }
    static R CscaSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string text, number;
        int type = -1;
        if (!r.Quoted(&text, false))
            return R::Error();
        if (r.Comma() && !r.Int(&type))
            return R::Error();
        if (!r.AtEnd())
            return R::Error();
        if (!LineToStored(text, State(at).charset, &number))
            return R::Cms(cms::kInvalidTextParameter);
        bool international = !number.empty() && number[0] == '+';
        std::string digits = international ? number.substr(1) : number;
        if (digits.empty() || digits.size() > 20 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return R::Cms(cms::kInvalidTextParameter);
        if (type < 0)
            type = international ? 145 : 129;
        if (type < 128 || type > 255)
            return R::Cms(cms::kInvalidTextParameter);
        State(at).serviceCentre = number;
        State(at).serviceCentreType = type;
        return R::Changed();
    }

    static R CsmsSet(AtInterpreter& at, std::string_view args) {
        int service = 0;
        if (!OneSetting(args, 1, &service))
            return R::Cms(cms::kOperationNotSupported);
        at.m_csms = service;
        return R::Lines({"+CSMS: 1,1,1"});
    }
    static R CsmsRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CSMS: " + std::to_string(at.m_csms) + ",1,1,1"});
    }
    static R CsmsTest(AtInterpreter&, std::string_view) { return R::Lines({"+CSMS: (0,1)"}); }

    // Packet-domain registration follows the circuit-switched one (27.007 10.1.20).
    static R CgregSet(AtInterpreter& at, std::string_view args) {
        return OneSetting(args, 2, &at.m_cgregMode) ? R::Ok() : R::Error();
    }
    static R CgregRead(AtInterpreter& at, std::string_view) {
        std::string line =
            "+CGREG: " + std::to_string(at.m_cgregMode) + "," + std::to_string(Registration(at));
        if (at.m_cgregMode == 2 && (Registration(at) == 1 || Registration(at) == 5))
            line += std::string(",\"") + kLac + "\",\"" + kCellId + "\"";
        return R::Lines({line});
    }
    static R CgregTest(AtInterpreter&, std::string_view) { return R::Lines({"+CGREG: (0-2)"}); }
    static R CgattRead(AtInterpreter& at, std::string_view) {
        return R::Lines({std::string("+CGATT: ") +
                         (Registration(at) == 1 || Registration(at) == 5 ? "1" : "0")});
    }
    static R CgattSet(AtInterpreter&, std::string_view args) {
        return args == "0" || args == "1" ? R::Ok() : R::Error();
    }
    static R CgattTest(AtInterpreter&, std::string_view) { return R::Lines({"+CGATT: (0,1)"}); }

    // Call-related settings a phone tool switches on and off; this phone never has a call.
    static R SwitchSet(AtInterpreter&, std::string_view args, int* field) {
        return OneSetting(args, 1, field) ? R::Ok() : R::Error();
    }
    static R ClipSet(AtInterpreter& at, std::string_view args) {
        return SwitchSet(at, args, &at.m_clip);
    }
    static R ClipRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CLIP: " + std::to_string(at.m_clip) + ",1"});
    }
    static R ClipTest(AtInterpreter&, std::string_view) { return R::Lines({"+CLIP: (0,1)"}); }
    static R CrcSet(AtInterpreter& at, std::string_view args) {
        return SwitchSet(at, args, &at.m_crc);
    }
    static R CrcRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CRC: " + std::to_string(at.m_crc)});
    }
    static R CrcTest(AtInterpreter&, std::string_view) { return R::Lines({"+CRC: (0,1)"}); }
    static R CusdSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int n = 0;
        if (!r.Int(&n) || n > 2)
            return R::Error();
        // A USSD string to send (",\"*100#\"") needs a network service this phone lacks.
        if (r.Comma())
            return R::Cme(cme::kNoNetworkService);
        if (!r.AtEnd())
            return R::Error();
        at.m_cusd = n == 1;
        return R::Ok();
    }
    static R CusdRead(AtInterpreter& at, std::string_view) {
        return R::Lines({std::string("+CUSD: ") + (at.m_cusd ? "1" : "0")});
    }
    static R CusdTest(AtInterpreter&, std::string_view) { return R::Lines({"+CUSD: (0-2)"}); }

    static R Cimi(AtInterpreter&, std::string_view) { return R::Lines({kImsi}); }
    static R Cnum(AtInterpreter& at, std::string_view) {
        const std::string& n = State(at).ownNumber;
        int type = !n.empty() && n[0] == '+' ? 145 : 129;
        return R::Lines({"+CNUM: \"Own number\",\"" + n + "\"," + std::to_string(type)});
    }
    static R TestOk(AtInterpreter&, std::string_view) { return R::Ok(); }
};

std::string CregUnsolicited(const AtInterpreter& at) {
    return NetworkHandlers::CregLine(at, false);
}

const std::vector<CommandRow>& NetworkCommands() {
    using H = NetworkHandlers;
    static const std::vector<CommandRow> kCommands = {
        // name     exec        test          read          set
        {"+CFUN", nullptr, H::CfunTest, H::CfunRead, H::CfunSet},
        {"+CPIN", nullptr, H::TestOk, H::CpinRead, H::CpinSet},
        {"+CSQ", H::CsqExec, H::CsqTest, nullptr, nullptr},
        {"+CBC", H::CbcExec, H::CbcTest, nullptr, nullptr},
        {"+CREG", nullptr, H::CregTest, H::CregRead, H::CregSet},
        {"+COPS", nullptr, H::CopsTest, H::CopsRead, H::CopsSet},
        {"+CCLK", nullptr, H::TestOk, H::CclkRead, H::CclkSet},
        {"+CSCA", nullptr, H::TestOk, H::CscaRead, H::CscaSet},
        {"+CSMS", nullptr, H::CsmsTest, H::CsmsRead, H::CsmsSet},
        {"+CGREG", nullptr, H::CgregTest, H::CgregRead, H::CgregSet},
        {"+CGATT", nullptr, H::CgattTest, H::CgattRead, H::CgattSet},
        {"+CLIP", nullptr, H::ClipTest, H::ClipRead, H::ClipSet},
        {"+CRC", nullptr, H::CrcTest, H::CrcRead, H::CrcSet},
        {"+CUSD", nullptr, H::CusdTest, H::CusdRead, H::CusdSet},
        {"+CHUP", H::TestOk, H::TestOk, nullptr, nullptr},
        {"+CLCC", H::TestOk, H::TestOk, nullptr, nullptr}, // no calls: an empty list
        {"+CIMI", H::Cimi, H::TestOk, nullptr, nullptr},
        {"+CNUM", H::Cnum, H::TestOk, nullptr, nullptr},
    };
    return kCommands;
}

} // namespace phonesim
