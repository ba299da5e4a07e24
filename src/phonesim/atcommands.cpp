#include "phonesim/atcommands.h"

#include "phonesim/atargs.h"
#include "phonesim/atinterpreter.h"
#include "phonesim/charset.h"

namespace phonesim {

struct CommandHandlers {
    using R = CommandResult;

    static PhoneState& State(AtInterpreter& at) { return at.m_state; }

    // Basic commands take an optional number; an empty one means 0 (V.250).
    static bool Flag(std::string_view args, int highest, int* value) {
        if (args.empty()) {
            *value = 0;
            return true;
        }
        if (args.size() > 3)
            return false;
        int v = 0;
        for (char c : args)
            v = v * 10 + (c - '0');
        if (v > highest)
            return false;
        *value = v;
        return true;
    }
    static R Echo(AtInterpreter& at, std::string_view args) {
        int v = 0;
        if (!Flag(args, 1, &v))
            return R::Error();
        at.m_echo = v == 1;
        return R::Ok();
    }
    static R Verbose(AtInterpreter& at, std::string_view args) {
        int v = 0;
        if (!Flag(args, 1, &v))
            return R::Error();
        at.m_verbose = v == 1;
        return R::Ok();
    }
    static R Quiet(AtInterpreter& at, std::string_view args) {
        int v = 0;
        if (!Flag(args, 1, &v))
            return R::Error();
        at.m_quiet = v == 1;
        return R::Ok();
    }
    static R DcdMode(AtInterpreter& at, std::string_view args) {
        return Flag(args, 1, &at.m_dcdMode) ? R::Ok() : R::Error();
    }
    static R DtrMode(AtInterpreter& at, std::string_view args) {
        return Flag(args, 2, &at.m_dtrMode) ? R::Ok() : R::Error();
    }
    // Accepted and without effect on a line that has no carrier: X (call progress codes),
    // L and M (speaker), &W (store profile, the phone has one fixed profile).
    static R Ignored(AtInterpreter&, std::string_view args) {
        int v = 0;
        return Flag(args, 9, &v) ? R::Ok() : R::Error();
    }

    static R Reset(AtInterpreter& at, std::string_view args) {
        if (!args.empty() && args != "0")
            return R::Error();
        at.ResetSettings();
        return R::Ok();
    }

    // The phone's identity, as AT+CGMI/+CGMM/+CGMR/+CGSN, their V.250 twins +GMI/... and the
    // ATIn variants answer it.
    static constexpr const char* kManufacturer = "Harlune";
    static constexpr const char* kModel = "Harlune emulated phone";
    static constexpr const char* kRevision = "R1A phonesim";
    static constexpr const char* kSerial = "490154203237518"; // a valid-looking IMEI (Luhn digit)
    static R Manufacturer(AtInterpreter&, std::string_view) { return R::Lines({kManufacturer}); }
    static R Model(AtInterpreter&, std::string_view) { return R::Lines({kModel}); }
    static R Revision(AtInterpreter&, std::string_view) { return R::Lines({kRevision}); }
    static R Serial(AtInterpreter&, std::string_view) { return R::Lines({kSerial}); }
    static R TestOk(AtInterpreter&, std::string_view) { return R::Ok(); }
    static R Identify(AtInterpreter&, std::string_view args) {
        int n = 0;
        if (!Flag(args, 9, &n))
            return R::Error();
        switch (n) {
        case 0:
            return R::Lines({kModel});
        case 1:
            return R::Lines({kRevision});
        case 2: return R::Ok(); // the ROM checksum test: passed
        case 3:
            return R::Lines({kManufacturer});
        case 4:
            return R::Lines({kModel});
        case 5:
            return R::Lines({kRevision});
        case 6:
            return R::Lines({std::string(kManufacturer) + " " + kModel});
        case 7:
            return R::Lines({"Bluetooth serial port, OBEX object push"});
        case 8:
            return R::Lines({kSerial});
        default:
            return R::Lines({std::string(kModel) + " " + kRevision});
        }
    }

    static R CmeeSet(AtInterpreter& at, std::string_view args) {
        return OneSetting(args, 2, &at.m_cmee) ? R::Ok() : R::Error();
    }
    static R CmeeRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"+CMEE: " + std::to_string(at.m_cmee)});
    }
    static R CmeeTest(AtInterpreter&, std::string_view) { return R::Lines({"+CMEE: (0-2)"}); }

    static R CscsSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string name;
        if (!r.Quoted(&name, true) || !r.AtEnd())
            return R::Error();
        Charset charset;
        if (!ParseCharset(name, &charset))
            return R::Cme(cme::kOperationNotSupported);
        State(at).charset = charset;
        return R::Changed();
    }
    static R CscsRead(AtInterpreter& at, std::string_view) {
        return R::Lines({std::string("+CSCS: \"") + CharsetName(State(at).charset) + "\""});
    }
    static R CscsTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CSCS: (\"8859-1\",\"IRA\",\"GSM\",\"UCS2\")"});
    }

    static R CpbsSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string name;
        if (!r.Quoted(&name, true) || !r.AtEnd())
            return R::Error();
        if (!State(at).Storage(name))
            return R::Cme(cme::kOperationNotAllowed);
        State(at).selectedStorage = State(at).Storage(name) == &State(at).sim ? "SM" : "ME";
        return R::Changed();
    }
    static R CpbsRead(AtInterpreter& at, std::string_view) {
        const PhonebookStorage& s = Selected(at);
        return R::Lines({"+CPBS: \"" + State(at).selectedStorage + "\"," +
                         std::to_string(s.entries.size()) + "," + std::to_string(s.size)});
    }
    static R CpbsTest(AtInterpreter&, std::string_view) {
        return R::Lines({"+CPBS: (\"ME\",\"SM\")"});
    }

    static R CpbrTest(AtInterpreter& at, std::string_view) {
        const PhonebookStorage& s = Selected(at);
        return R::Lines({"+CPBR: (1-" + std::to_string(s.size) + ")," +
                         std::to_string(s.numberLimit) + "," + std::to_string(s.textLimit)});
    }
    static R CpbrSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int first = 0, last = 0;
        if (!r.Int(&first))
            return R::Error();
        last = first;
        if (r.Comma() && !r.Int(&last))
            return R::Error();
        if (!r.AtEnd())
            return R::Error();
        const PhonebookStorage& s = Selected(at);
        if (first < 1 || first > s.size || last < first || last > s.size)
            return R::Cme(cme::kInvalidIndex);
        R result;
        for (auto it = s.entries.lower_bound(first); it != s.entries.end() && it->first <= last; ++it)
            result.lines.push_back(EntryLine(at, "+CPBR: ", it->first, it->second));
        return result;
    }

    static R CpbwTest(AtInterpreter& at, std::string_view) {
        const PhonebookStorage& s = Selected(at);
        return R::Lines({"+CPBW: (1-" + std::to_string(s.size) + ")," +
                         std::to_string(s.numberLimit) + ",(128-255)," +
                         std::to_string(s.textLimit)});
    }
    static R CpbwSet(AtInterpreter& at, std::string_view args) {
        PhonebookStorage& s = Selected(at);
        ArgReader r(args);
        int position = 0;
        bool hasPosition = !r.NextIsEmpty();
        if (hasPosition && !r.Int(&position))
            return R::Error();
        if (hasPosition && (position < 1 || position > s.size))
            return R::Cme(cme::kInvalidIndex);
        if (r.AtEnd()) {
            if (!hasPosition)
                return R::Error();
            s.entries.erase(position);
            return R::Changed();
        }
        PhonebookRecord record;
        if (!r.Comma() || !r.Quoted(&record.number, false))
            return R::Error();
        bool typeGiven = false;
        std::string lineText;
        if (r.Comma()) {
            if (!r.NextIsEmpty()) {
                if (!r.Int(&record.type))
                    return R::Error();
                typeGiven = true;
            }
            if (r.Comma() && !r.Quoted(&lineText, true))
                return R::Error();
        }
        if (!r.AtEnd())
            return R::Error();
        if (!typeGiven)
            record.type = !record.number.empty() && record.number[0] == '+' ? 145 : 129;
        if (record.type < 128 || record.type > 255)
            return R::Cme(cme::kIncorrectParameters);
        for (size_t i = 0; i < record.number.size(); ++i) {
            char c = record.number[i];
            bool ok = (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p' || c == 'P' ||
                      c == 'w' || c == 'W' || (c == '+' && i == 0);
            if (!ok)
                return R::Cme(cme::kInvalidDialCharacters);
        }
        // Type 145 makes the number international whether or not the '+' came with it; the phone
        // keeps and lists it with the '+', as the family's phones do.
        if (record.type == 145 && !record.number.empty() && record.number[0] != '+')
            record.number.insert(0, 1, '+');
        size_t digits = record.number.size() - (!record.number.empty() && record.number[0] == '+');
        if (digits > static_cast<size_t>(s.numberLimit))
            return R::Cme(cme::kDialStringTooLong);
        if (!LineToStored(lineText, State(at).charset, &record.name))
            return R::Cme(cme::kInvalidTextCharacters);
        if (record.name.size() > static_cast<size_t>(s.textLimit))
            return R::Cme(cme::kTextTooLong);
        if (!hasPosition) {
            position = s.FirstFree();
            if (position == 0)
                return R::Cme(cme::kMemoryFull);
        }
        s.entries[position] = record;
        return R::Changed();
    }

    static R CpbfTest(AtInterpreter& at, std::string_view) {
        const PhonebookStorage& s = Selected(at);
        return R::Lines(
            {"+CPBF: " + std::to_string(s.numberLimit) + "," + std::to_string(s.textLimit)});
    }
    static R CpbfSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        std::string lineText, prefix;
        if (!r.Quoted(&lineText, true) || !r.AtEnd())
            return R::Error();
        if (!LineToStored(lineText, State(at).charset, &prefix))
            return R::Cme(cme::kInvalidTextCharacters);
        R result;
        for (const auto& [position, record] : Selected(at).entries)
            if (Latin1StartsWithNoCase(record.name, prefix))
                result.lines.push_back(EntryLine(at, "+CPBF: ", position, record));
        return result;
    }

    static R EsomRead(AtInterpreter& at, std::string_view) {
        R result;
        for (const Melody& m : State(at).melodies)
            result.lines.push_back("*ESOM: " + std::to_string(m.index) + ",\"" + m.text + "\"," +
                                   std::to_string(m.value));
        return result;
    }
    static R EsomTest(AtInterpreter&, std::string_view) {
        // The shape of the family's documentation: indexes, pauses, prefixes, notes, the longest
        // melody string, the most tones, the melody formats.
        return R::Lines({"*ESOM: (1-" + std::to_string(kMelodyCount) +
                         "),(p,P),(+,#,(b)),(c,d,e,f,g,a,b,C,D,E,F,G,A,B)," +
                         std::to_string(kMelodyTextLimit) + "," + std::to_string(kMelodyNoteLimit) +
                         ",(0)"});
    }
    static R EsomSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int index = 0, value = 0;
        std::string text;
        if (!r.Int(&index) || !r.Comma() || !r.Quoted(&text, false))
            return R::Error();
        if (r.Comma() && !r.Int(&value))
            return R::Error();
        if (!r.AtEnd() || value > 255)
            return R::Error();
        if (index < 1 || index > kMelodyCount)
            return R::Cme(cme::kInvalidIndex);
        if (text.size() > static_cast<size_t>(kMelodyTextLimit))
            return R::Cme(cme::kTextTooLong);
        if (!IsValidMelodyText(text))
            return R::Cme(cme::kInvalidTextCharacters);
        for (Melody& m : State(at).melodies)
            if (m.index == index) {
                m.text = text;
                m.value = value;
                return R::Changed();
            }
        State(at).melodies.push_back({index, text, value});
        return R::Changed();
    }

    static R EripTest(AtInterpreter&, std::string_view) {
        return R::Lines({SoundRange("*ERIP: ", true)});
    }
    static R EripSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int level = 0, sound = 0;
        if (!r.Int(&level) || !r.Comma() || !r.Int(&sound) || !r.AtEnd())
            return R::Error();
        if (level < kMinLevel || level > kMaxLevel)
            return R::Cme(cme::kIncorrectParameters);
        if (sound < kMinSound || sound > kMaxSound)
            return R::Cme(cme::kInvalidIndex);
        State(at).lastPlayedLevel = level;
        State(at).lastPlayedSound = sound;
        return R::Changed();
    }

    static R ErinTest(AtInterpreter&, std::string_view) {
        return R::Lines({SoundRange("*ERIN: ", false)});
    }
    static R ErinRead(AtInterpreter& at, std::string_view) {
        return R::Lines({"*ERIN: " + std::to_string(State(at).ringSound)});
    }
    static R ErinSet(AtInterpreter& at, std::string_view args) {
        ArgReader r(args);
        int sound = 0;
        if (!r.Int(&sound) || !r.AtEnd())
            return R::Error();
        if (sound < kMinSound || sound > kMaxSound)
            return R::Cme(cme::kInvalidIndex);
        State(at).ringSound = sound;
        return R::Changed();
    }

private:
    static PhonebookStorage& Selected(AtInterpreter& at) {
        PhonebookStorage* s = State(at).Storage(State(at).selectedStorage);
        return s ? *s : State(at).memory;
    }
    static std::string EntryLine(AtInterpreter& at, const char* prefix, int position,
                                 const PhonebookRecord& record) {
        return prefix + std::to_string(position) + ",\"" + record.number + "\"," +
               std::to_string(record.type) + ",\"" + StoredToLine(record.name, State(at).charset) + "\"";
    }
    static std::string SoundRange(const char* prefix, bool withLevel) {
        std::string sounds = "(" + std::to_string(kMinSound) + "-" + std::to_string(kMaxSound) + ")";
        if (!withLevel)
            return prefix + sounds;
        return prefix + std::string("(") + std::to_string(kMinLevel) + "-" + std::to_string(kMaxLevel) +
               ")," + sounds;
    }
};

const std::vector<CommandRow>& Commands() {
    using H = CommandHandlers;
    static const std::vector<CommandRow> kBase = {
        // name     exec        test          read          set
        {"E", H::Echo, nullptr, nullptr, nullptr},
        {"V", H::Verbose, nullptr, nullptr, nullptr},
        {"Q", H::Quiet, nullptr, nullptr, nullptr},
        {"Z", H::Reset, nullptr, nullptr, nullptr},
        {"&F", H::Reset, nullptr, nullptr, nullptr},
        {"&C", H::DcdMode, nullptr, nullptr, nullptr},
        {"&D", H::DtrMode, nullptr, nullptr, nullptr},
        {"&W", H::Ignored, nullptr, nullptr, nullptr},
        {"X", H::Ignored, nullptr, nullptr, nullptr},
        {"L", H::Ignored, nullptr, nullptr, nullptr},
        {"M", H::Ignored, nullptr, nullptr, nullptr},
        {"I", H::Identify, nullptr, nullptr, nullptr},
        {"+CGMI", H::Manufacturer, H::TestOk, nullptr, nullptr},
        {"+GMI", H::Manufacturer, H::TestOk, nullptr, nullptr},
        {"+CGMM", H::Model, H::TestOk, nullptr, nullptr},
        {"+GMM", H::Model, H::TestOk, nullptr, nullptr},
        {"+CGMR", H::Revision, H::TestOk, nullptr, nullptr},
        {"+GMR", H::Revision, H::TestOk, nullptr, nullptr},
        {"+CGSN", H::Serial, H::TestOk, nullptr, nullptr},
        {"+GSN", H::Serial, H::TestOk, nullptr, nullptr},
        {"+CMEE", nullptr, H::CmeeTest, H::CmeeRead, H::CmeeSet},
        {"+CSCS", nullptr, H::CscsTest, H::CscsRead, H::CscsSet},
        {"+CPBS", nullptr, H::CpbsTest, H::CpbsRead, H::CpbsSet},
        {"+CPBR", nullptr, H::CpbrTest, nullptr, H::CpbrSet},
        {"+CPBW", nullptr, H::CpbwTest, nullptr, H::CpbwSet},
        {"+CPBF", nullptr, H::CpbfTest, nullptr, H::CpbfSet},
        {"*ESOM", nullptr, H::EsomTest, H::EsomRead, H::EsomSet},
        {"*ERIP", nullptr, H::EripTest, nullptr, H::EripSet},
        {"*ERIN", nullptr, H::ErinTest, H::ErinRead, H::ErinSet},
    };
    static const std::vector<CommandRow> kCommands = [] {
        std::vector<CommandRow> all = kBase;
        for (const auto* table : {&NetworkCommands(), &SmsCommands()})
            all.insert(all.end(), table->begin(), table->end());
        return all;
    }();
    return kCommands;
}

} // namespace phonesim
