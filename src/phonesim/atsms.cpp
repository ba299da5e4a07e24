// Message commands (3GPP TS 27.005): storages (+CPMS), PDU and text mode (+CMGF, +CSMP),
// listing, reading, deleting, writing and sending from storage (+CMGL, +CMGR, +CMGD, +CMGW,
// +CMSS), sending (+CMGS), new-message indications (+CNMI, +CMTI, +CMT, +CDS).
//
// Messages are stored as whole PDUs; text mode shows them decoded. A received message that is
// listed or read turns from "REC UNREAD" into "REC READ", as 27.005 says.
#include <ctime>

#include "phonesim/atargs.h"
#include "phonesim/atcommands.h"
#include "phonesim/atinterpreter.h"
#include "phonesim/charset.h"
#include "phonesim/smsencode.h"
#include "phonesim/smspdu.h"
#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

namespace phonesim {
namespace {

const char* const kStatusNames[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT", "ALL"};

bool StatusFromText(const std::string& text, int* status) {
    for (int i = 0; i < 5; ++i)
        if (text == kStatusNames[i]) {
            *status = i;
            return true;
        }
    return false;
}

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

// A message text as the selected character set shows it: UCS2 as hex of UTF-16, the others
// through ISO 8859-1 (characters without a place there become '?').
std::string TextToLine(const std::string& utf8, Charset charset) {
    const auto decoded = textcodec::DecodeUtf8(utf8);
    if (!decoded)
        return {};
    const std::u32string& text = *decoded;
    if (charset == Charset::Ucs2)
        return textcodec::ToHex(textcodec::Utf16ToBigEndian(textcodec::ToUtf16(text)));
    if (charset == Charset::Gsm) {
        std::string septets;
        for (char32_t c : text) {
            std::string g = textcodec::EncodeGsmChar(c);
            septets += g.empty() ? "?" : g;
        }
        return septets;
    }
    std::string latin1;
    for (char32_t c : text)
        latin1 += c < 0x100 ? static_cast<char>(c) : '?';
    return StoredToLine(latin1, charset);
}

// "yy/MM/dd,hh:mm:ss+zz" from the seven semi-octets of a time stamp.
std::string TimestampText(const std::vector<uint8_t>& ts) {
    if (ts.size() != 7)
        return {};
    auto field = [&](int i) {
        int v = (ts[i] & 0x0F) * 10 + (ts[i] >> 4);
        char two[3] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10), 0};
        return std::string(two);
    };
    int zoneByte = (ts[6] & 0x07) * 10 + (ts[6] >> 4);
    bool negative = ts[6] & 0x08;
    std::string zone = std::string(negative ? "-" : "+") +
                       static_cast<char>('0' + zoneByte / 10 % 10) +
                       static_cast<char>('0' + zoneByte % 10);
    return field(0) + "/" + field(1) + "/" + field(2) + "," + field(3) + ":" + field(4) + ":" +
           field(5) + zone;
}

std::string Number(const std::string& digits, int typeOfAddress) {
    return (typeOfAddress == 145 ? "+" : "") + digits;
}

} // namespace

struct SmsHandlers {
    using R = CommandResult;

    static PhoneState& State(AtInterpreter& at) { return at.m_state; }
    static long long Now(const AtInterpreter& at) {
        return at.m_hooks.now ? at.m_hooks.now() : static_cast<long long>(std::time(nullptr));
    }
    static MessageStorage& Storage(AtInterpreter& at, int which) {
        return *State(at).Messages(State(at).smsStorages[which]);
    }
    static bool SimBusy(AtInterpreter& at, int which) {
        return State(at).network.simBusy && State(at).smsStorages[which] == "SM";
    }

    // ---- storages
    static R CpmsTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CPMS: (\"ME\",\"SM\"),(\"ME\",\"SM\"),(\"ME\",\"SM\")"});
    }
    static std::string Counts(AtInterpreter& at, int which, bool named) {
        const MessageStorage& m = Storage(at, which);
        return (named ? Quote(State(at).smsStorages[which]) + "," : "") +
               std::to_string(m.messages.size()) + "," + std::to_string(m.size);
    }
    static R CpmsRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CPMS: " + Counts(at, 0, true) + "," + Counts(at, 1, true) + "," +
                         Counts(at, 2, true)});
    }
    static R CpmsSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string names[3] = {State(at).smsStorages[0], State(at).smsStorages[1],
                                State(at).smsStorages[2]};
        int given = 0;
        for (; given < 3; ++given) {
            if (given > 0 && !r.Comma())
                break;
            std::string name;
            if (!r.Quoted(&name, false) && !r.Quoted(&name, true))
                return R::Error();
            if (!State(at).Messages(name))
                return R::Cms(cms::kOperationNotSupported);
            names[given] = State(at).Messages(name) == &State(at).smsSim ? "SM" : "ME";
        }
        if (given == 0 || !r.AtEnd())
            return R::Error();
        for (int i = 0; i < 3; ++i)
            State(at).smsStorages[i] = names[i];
        R result = R::Lines({"+CPMS: " + Counts(at, 0, false) + "," + Counts(at, 1, false) + "," +
                             Counts(at, 2, false)});
        result.changedState = true;
        return result;
    }

    // ---- modes
    static R CmgfSet(AtInterpreter& at, std::string_view args) {
        int mode = 0;
        if (!OneSetting(args, 1, &mode))
            return R::Error();
        at.m_textMode = mode == 1;
        return R::Ok();
    }
    static R CmgfRead(AtInterpreter& at, std::string_view) {
        return R::Lines({std::string("+CMGF: ") + (at.m_textMode ? "1" : "0")});
    }
    static R CmgfTest(AtInterpreter&, std::string_view) { return R::Lines({"+CMGF: (0,1)"}); }

    static R CsmpSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int values[4] = {at.m_csmp[0], at.m_csmp[1], at.m_csmp[2], at.m_csmp[3]};
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && !r.Comma())
                break;
            if (!r.NextIsEmpty() && !r.Int(&values[i]))
                return R::Error();
            if (values[i] > 255)
                return R::Cms(cms::kInvalidTextParameter);
        }
        if (!r.AtEnd() || (values[0] & 0x03) != 0x01)
            return R::Error();
        for (int i = 0; i < 4; ++i)
            at.m_csmp[i] = values[i];
        return R::Ok();
    }
    static R CsmpRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CSMP: " + std::to_string(at.m_csmp[0]) + "," +
                         std::to_string(at.m_csmp[1]) + "," + std::to_string(at.m_csmp[2]) + "," +
                         std::to_string(at.m_csmp[3])});
    }

    static R CnmiSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        // ds=2 (keep status reports in a storage, announce +CDSI) is not offered: this phone
        // passes reports on as +CDS only, and a phone refuses what it lacks.
        static const int kHighest[5] = {3, 3, 3, 1, 1};
        int values[5] = {at.m_cnmi[0], at.m_cnmi[1], at.m_cnmi[2], at.m_cnmi[3], at.m_cnmi[4]};
        for (int i = 0; i < 5; ++i) {
            if (i > 0 && !r.Comma())
                break;
            if (!r.NextIsEmpty() && !r.Int(&values[i]))
                return R::Error();
            if (values[i] > kHighest[i])
                return R::Cms(cms::kOperationNotSupported);
        }
        if (!r.AtEnd())
            return R::Error();
        for (int i = 0; i < 5; ++i)
            at.m_cnmi[i] = values[i];
        return R::Ok();
    }
    static R CnmiRead(AtInterpreter& at, std::string_view) {
        std::string line = "+CNMI: ";
        for (int i = 0; i < 5; ++i)
            line += (i ? "," : "") + std::to_string(at.m_cnmi[i]);
        return R::Lines({line});
    }
    static R CnmiTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CNMI: (0-3),(0-3),(0-3),(0,1),(0,1)"});
    }

    // ---- reading
    // The header line and the text line of one message, PDU or text mode.
    static void Show(AtInterpreter& at, const char* prefix, int index, const StoredMessage& m,
                     std::vector<std::string>* lines) {
        const int status = static_cast<int>(m.status);
        const std::string head =
            std::string(prefix) + (index > 0 ? std::to_string(index) + "," : "");
        if (!at.m_textMode) {
            lines->push_back(head + std::to_string(status) + ",," +
                             std::to_string(TpduLength(m.pduHex)));
            lines->push_back(m.pduHex);
            return;
        }
        const Charset cs = State(at).charset;
        if (m.status == MessageStatus::ReceivedRead || m.status == MessageStatus::ReceivedUnread) {
            DeliverPdu d;
            DecodeDeliverPdu(m.pduHex, -1, &d, nullptr);
            lines->push_back(head + Quote(kStatusNames[status]) + "," +
                             Quote(TextToLine(Number(d.originator, d.typeOfAddress), cs)) + ",," +
                             Quote(TimestampText(d.timestamp)));
            lines->push_back(TextToLine(d.text, cs));
        } else {
            SubmitPdu s;
            DecodeSubmitPdu(m.pduHex, -1, &s, nullptr);
            lines->push_back(head + Quote(kStatusNames[status]) + "," +
                             Quote(TextToLine(Number(s.destination, s.typeOfAddress), cs)) + ",");
            lines->push_back(TextToLine(s.text, cs));
        }
    }
    static R Cmgl(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int wanted = 0;
        if (at.m_textMode) {
            std::string name = "REC UNREAD";
            if (!r.AtEnd() && (!r.Quoted(&name, true) || !StatusFromText(name, &wanted)))
                return R::Cms(cms::kInvalidTextParameter);
        } else if (!r.AtEnd() && (!r.Int(&wanted) || wanted > 4)) {
            return R::Cms(cms::kInvalidPduParameter);
        }
        if (!r.AtEnd())
            return R::Error();
        if (SimBusy(at, 0))
            return R::Cms(cms::kSimBusy);
        R result;
        for (auto& [index, m] : Storage(at, 0).messages) {
            if (wanted != 4 && static_cast<int>(m.status) != wanted)
                continue;
            Show(at, "+CMGL: ", index, m, &result.lines);
            if (m.status == MessageStatus::ReceivedUnread) {
                m.status = MessageStatus::ReceivedRead;
                result.changedState = true;
            }
        }
        return result;
    }
    static R CmglTest(AtInterpreter& at, std::string_view) {
        if (!at.m_textMode)
            return R::Lines({"+CMGL: (0-4)"});
        return R::Lines(
            {"+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"});
    }
    static R Cmgr(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int index = 0;
        if (!r.Int(&index) || !r.AtEnd())
            return R::Error();
        if (SimBusy(at, 0))
            return R::Cms(cms::kSimBusy);
        MessageStorage& storage = Storage(at, 0);
        auto it = storage.messages.find(index);
        if (index < 1 || index > storage.size || it == storage.messages.end())
            return R::Cms(cms::kInvalidMemoryIndex);
        R result;
        Show(at, "+CMGR: ", 0, it->second, &result.lines);
        if (it->second.status == MessageStatus::ReceivedUnread) {
            it->second.status = MessageStatus::ReceivedRead;
            result.changedState = true;
        }
        return result;
    }

    static R Cmgd(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int index = 0, flag = 0;
        if (!r.Int(&index) || (r.Comma() && !r.Int(&flag)) || !r.AtEnd() || flag > 4)
            return R::Error();
        if (SimBusy(at, 0))
            return R::Cms(cms::kSimBusy);
        MessageStorage& storage = Storage(at, 0);
        if (flag == 0) {
            if (index < 1 || index > storage.size)
                return R::Cms(cms::kInvalidMemoryIndex);
            storage.messages.erase(index);
        } else {
            // 1: read ones; 2: and sent ones; 3: and unsent ones; 4: all.
            for (auto it = storage.messages.begin(); it != storage.messages.end();) {
                MessageStatus s = it->second.status;
                bool drop = flag == 4 || s == MessageStatus::ReceivedRead ||
                            (flag >= 2 && s == MessageStatus::StoredSent) ||
                            (flag >= 3 && s == MessageStatus::StoredUnsent);
                it = drop ? storage.messages.erase(it) : std::next(it);
            }
        }
        R result;
        result.changedState = true;
        return result;
    }
    static R CmgdTest(AtInterpreter& at, std::string_view) {
        std::string used;
        for (const auto& [index, m] : Storage(at, 0).messages)
            used += (used.empty() ? "" : ",") + std::to_string(index);
        return R::Lines({"+CMGD: (" + used + "),(0-4)"});
    }

    // ---- writing and sending
    static R Prompt(AtInterpreter& at, AtInterpreter::Mode mode, bool store, int status) {
        at.m_mode = mode;
        at.m_storeInput = store;
        at.m_storeStatus = status;
        at.m_messageInput.clear();
        at.m_messageOverflow = false;
        R prompt;
        prompt.kind = R::Kind::Prompt;
        return prompt;
    }
    // Text-mode destination: "number"[,type]; false with the reason code.
    static bool TextDestination(AtInterpreter& at, ArgReader& r, int* status) {
        std::string destination;
        int type = 0;
        if (!r.Quoted(&destination, false))
            return false;
        bool typeGiven = r.Comma() && !r.NextIsEmpty();
        if (typeGiven && !r.Int(&type))
            return false;
        if (status && r.Comma()) {
            std::string name;
            if (!r.Quoted(&name, true) || !StatusFromText(name, status) || *status == 4)
                return false;
        }
        if (!r.AtEnd())
            return false;
        bool international = !destination.empty() && destination[0] == '+';
        if (international)
            destination.erase(0, 1);
        if (destination.empty() || destination.size() > 20 ||
            destination.find_first_not_of("0123456789*#") != std::string::npos)
            return false;
        if (!typeGiven)
            type = international ? 145 : 129;
        if (type < 128 || type > 255)
            return false;
        at.m_textDestination = destination;
        at.m_textTypeOfAddress = type;
        return true;
    }
    static R CmgsSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        if (State(at).functionality != 1 || State(at).network.registration == 0 ||
            State(at).network.registration == 3)
            return R::Cms(cms::kNoNetworkService);
        if (!at.m_textMode) {
            // The shortest SMS-SUBMIT has 7 octets, the longest 164.
            int length = 0;
            if (!r.Int(&length) || !r.AtEnd() || length < 7 || length > 164)
                return R::Cms(cms::kInvalidPduParameter);
            at.m_announcedLength = length;
            return Prompt(at, AtInterpreter::Mode::PduInput, false, 0);
        }
        if (!TextDestination(at, r, nullptr))
            return R::Cms(cms::kInvalidTextParameter);
        return Prompt(at, AtInterpreter::Mode::TextInput, false, 0);
    }
    static R CmgwSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        if (!at.m_textMode) {
            int length = 0, status = 2;
            if (!r.Int(&length) || (r.Comma() && !r.Int(&status)) || !r.AtEnd() || length < 7 ||
                length > 164 || status > 3)
                return R::Cms(cms::kInvalidPduParameter);
            at.m_announcedLength = length;
            return Prompt(at, AtInterpreter::Mode::PduInput, true, status);
        }
        int status = 2;
        if (!TextDestination(at, r, &status) || status < 2)
            return R::Cms(cms::kInvalidTextParameter);
        return Prompt(at, AtInterpreter::Mode::TextInput, true, status);
    }
    static R CmgwExec(AtInterpreter& at, std::string_view) {
        if (!at.m_textMode)
            return R::Cms(cms::kInvalidPduParameter);
        at.m_textDestination.clear();
        at.m_textTypeOfAddress = 129;
        return Prompt(at, AtInterpreter::Mode::TextInput, true, 2);
    }

    // Sends a decoded SUBMIT: into the sent list, a status report when it asked for one.
    static int Send(AtInterpreter& at, SentSms sms, bool wantsReport,
                    std::vector<PhoneEvent>* events) {
        PhoneState& s = State(at);
        sms.messageReference = s.nextMessageReference;
        s.nextMessageReference = (s.nextMessageReference + 1) % 256;
        s.sent.push_back(sms);
        if (wantsReport) {
            PhoneEvent e;
            e.kind = PhoneEvent::Kind::StatusReport;
            e.pduHex = EncodeStatusReport(s.serviceCentre, sms.messageReference, sms.destination,
                                          sms.typeOfAddress, Now(at), Now(at), 0);
            if (!e.pduHex.empty())
                events->push_back(e);
        }
        return sms.messageReference;
    }
    static R Cmss(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int index = 0;
        if (!r.Int(&index))
            return R::Error();
        std::string destination;
        int type = -1;
        if (r.Comma() && !r.Quoted(&destination, false))
            return R::Error();
        if (r.Comma() && !r.Int(&type))
            return R::Error();
        if (!r.AtEnd())
            return R::Error();
        MessageStorage& storage = Storage(at, 1);
        auto it = storage.messages.find(index);
        if (it == storage.messages.end())
            return R::Cms(cms::kInvalidMemoryIndex);
        SubmitPdu pdu;
        if (!DecodeSubmitPdu(it->second.pduHex, -1, &pdu, nullptr))
            return R::Cms(cms::kOperationNotAllowed); // a received message cannot be sent
        SentSms sms;
        sms.destination = pdu.destination;
        sms.typeOfAddress = pdu.typeOfAddress;
        if (!destination.empty()) {
            bool international = destination[0] == '+';
            sms.destination = international ? destination.substr(1) : destination;
            sms.typeOfAddress = type >= 0 ? type : international ? 145 : 129;
        }
        if (sms.destination.empty())
            return R::Cms(cms::kInvalidTextParameter);
        sms.dataCodingScheme = pdu.dataCodingScheme;
        sms.text = pdu.text;
        sms.pduHex = it->second.pduHex;
        it->second.status = MessageStatus::StoredSent;
        std::vector<PhoneEvent> events;
        int mr = Send(at, sms, pdu.firstOctet & 0x20, &events);
        R result = R::Lines({"+CMSS: " + std::to_string(mr)});
        result.changedState = true;
        at.m_pendingEvents = std::move(events);
        return result;
    }

    // The end of a message typed after the prompt (Ctrl-Z).
    static R Finish(AtInterpreter& at, bool pduMode, const std::string& input, bool overflow) {
        PhoneState& s = State(at);
        SentSms sms;
        std::string pduHex;
        bool wantsReport = false;
        if (pduMode) {
            if (overflow)
                return R::Cms(cms::kInvalidPduParameter);
            bool received = at.m_storeInput && at.m_storeStatus < 2;
            if (received) {
                DeliverPdu d;
                if (!DecodeDeliverPdu(input, at.m_announcedLength, &d, nullptr))
                    return R::Cms(cms::kInvalidPduParameter);
            } else {
                SubmitPdu pdu;
                if (!DecodeSubmitPdu(input, at.m_announcedLength, &pdu, nullptr))
                    return R::Cms(cms::kInvalidPduParameter);
                sms.destination = pdu.destination;
                sms.typeOfAddress = pdu.typeOfAddress;
                sms.dataCodingScheme = pdu.dataCodingScheme;
                sms.text = pdu.text;
                wantsReport = pdu.firstOctet & 0x20;
            }
            pduHex = input;
            for (char& c : pduHex)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else {
            bool ok = !overflow;
            if (ok && s.charset == Charset::Gsm) {
                ok = GsmSeptetsToUtf8(input, &sms.text);
            } else if (ok && s.charset == Charset::Ucs2) {
                // UCS2 text mode: hex of UTF-16, four digits a character.
                std::string latin1;
                ok = LineToStored(input, s.charset, &latin1);
                sms.text = Latin1ToUtf8(latin1);
            } else if (ok) {
                std::string stored;
                ok = LineToStored(input, s.charset, &stored);
                sms.text = Latin1ToUtf8(stored);
            }
            if (!ok)
                return R::Cms(cms::kInvalidTextParameter);
            sms.destination = at.m_textDestination;
            sms.typeOfAddress = at.m_textTypeOfAddress;
            wantsReport = at.m_csmp[0] & 0x20;
            pduHex = EncodeSubmit("", Number(sms.destination, sms.typeOfAddress), sms.typeOfAddress,
                                  at.m_csmp[0], at.m_csmp[2], at.m_csmp[1], sms.text);
            if (pduHex.empty() && at.m_storeInput && !sms.destination.empty())
                return R::Cms(cms::kInvalidTextParameter); // too long for one message
            if (!at.m_storeInput)
                pduHex.clear(); // text mode sends keep no PDU of their own
        }
        if (at.m_storeInput) {
            MessageStorage& storage = Storage(at, 1);
            int index = storage.FirstFree();
            if (index == 0)
                return R::Cms(cms::kMemoryFull);
            storage.messages[index] = {static_cast<MessageStatus>(at.m_storeStatus), pduHex};
            R result = R::Lines({"+CMGW: " + std::to_string(index)});
            result.changedState = true;
            return result;
        }
        sms.pduHex = pduHex;
        std::vector<PhoneEvent> events;
        int mr = Send(at, sms, wantsReport, &events);
        R result = R::Lines({"+CMGS: " + std::to_string(mr)});
        result.changedState = true;
        at.m_pendingEvents = std::move(events);
        return result;
    }

    static R TestOk(AtInterpreter&, std::string_view) { return R::Ok(); }

    static std::string Unsolicited(const AtInterpreter& at, const PhoneEvent& e) {
        if (e.kind == PhoneEvent::Kind::NewMessage) {
            if (at.m_cnmi[1] == 1)
                return "+CMTI: " + Quote(e.storage) + "," + std::to_string(e.index);
            if (at.m_cnmi[1] >= 2) {
                if (!at.m_textMode)
                    return "+CMT: ," + std::to_string(TpduLength(e.pduHex)) + "\r\n" + e.pduHex;
                DeliverPdu d;
                DecodeDeliverPdu(e.pduHex, -1, &d, nullptr);
                Charset cs = at.m_state.charset;
                return "+CMT: " + Quote(TextToLine(Number(d.originator, d.typeOfAddress), cs)) +
                       ",," + Quote(TimestampText(d.timestamp)) + "\r\n" + TextToLine(d.text, cs);
            }
            return {};
        }
        if (e.kind == PhoneEvent::Kind::StatusReport && at.m_cnmi[3] >= 1)
            return "+CDS: " + std::to_string(TpduLength(e.pduHex)) + "\r\n" + e.pduHex;
        return {};
    }
};

CommandResult FinishMessageInput(AtInterpreter& at, bool pduMode, const std::string& input,
                                 bool overflow) {
    return SmsHandlers::Finish(at, pduMode, input, overflow);
}

std::string MessageUnsolicited(const AtInterpreter& at, const PhoneEvent& e) {
    return SmsHandlers::Unsolicited(at, e);
}

const std::vector<CommandRow>& SmsCommands() {
    using H = SmsHandlers;
    static const std::vector<CommandRow> kCommands = {
        // name     exec        test          read          set
        {"+CPMS", nullptr, H::CpmsTest, H::CpmsRead, H::CpmsSet},
        {"+CMGF", nullptr, H::CmgfTest, H::CmgfRead, H::CmgfSet},
        {"+CSMP", nullptr, H::TestOk, H::CsmpRead, H::CsmpSet},
        {"+CNMI", nullptr, H::CnmiTest, H::CnmiRead, H::CnmiSet},
        {"+CMGL", H::Cmgl, H::CmglTest, nullptr, H::Cmgl},
        {"+CMGR", nullptr, H::TestOk, nullptr, H::Cmgr},
        {"+CMGD", nullptr, H::CmgdTest, nullptr, H::Cmgd},
        {"+CMGW", H::CmgwExec, H::TestOk, nullptr, H::CmgwSet},
        {"+CMSS", nullptr, H::TestOk, nullptr, H::Cmss},
        {"+CMGS", nullptr, H::TestOk, nullptr, H::CmgsSet},
    };
    return kCommands;
}

} // namespace phonesim
