// The state file: plain text, one record per line, fields separated by TAB.
//
//   harlune-phonesim-state 1                       first line, the format version
//   storage  SM|ME  size  numberLimit  textLimit   before that storage's entries
//   entry    SM|ME  position  type  number  name
//   melody   index  value  text
//   ring     level  sound
//   played   level  sound
//   charset  8859-1|IRA|GSM|UCS2
//   selected SM|ME
//   nextref  n
//   sent     reference  typeOfAddress  dcs  destination  pduHex  text
//   smsstorage  SM|ME  size                       before that storage's messages
//   message  SM|ME  position  status  pduHex      status 0..3 as 27.005 numbers it
//   cpms     SM|ME  SM|ME  SM|ME                  read/delete, write/send, receive storage
//   smsc     number  type                         the service centre (+CSCA)
//   ownnumber  number                             +CNUM
//   clock    seconds                              +CCLK minus the system clock
//
// Records added after the first version (smsstorage to clock) are optional; a file without
// them loads with the defaults, so older files keep loading.
//
// Texts are escaped so that the file stays 7-bit ASCII and one record stays on one line:
// backslash as \\, TAB as \t, LF as \n, CR as \r, and every other byte below 0x20 or from
// 0x7F up as \xHH (names keep their ISO 8859-1 bytes, message texts their UTF-8 bytes).
// Empty lines and lines starting with '#' are ignored.
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "phonesim/phonestate.h"
#include "textcodec/textcodec.h"

namespace phonesim {
namespace {

constexpr const char* kHeader = "harlune-phonesim-state 1";

std::string Escape(const std::string& text) {
    std::string out;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += textcodec::HexDigit(c >> 4);
            out += textcodec::HexDigit(c & 15);
        } else
            out += ch;
    }
    return out;
}

bool Unescape(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out->push_back(text[i]);
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\': out->push_back('\\'); break;
        case 't': out->push_back('\t'); break;
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            unsigned value = 0;
            auto [ptr, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (ec != std::errc() || ptr != text.data() + i + 3)
                return false;
            out->push_back(static_cast<char>(value));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool ToInt(const std::string& text, int low, int high, int* value) {
    int v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace

std::string FormatState(const PhoneState& s) {
    std::ostringstream out;
    out << kHeader << "\n";
    for (const char* name : {"SM", "ME"}) {
        const PhonebookStorage& st = *s.Storage(name);
        out << "storage\t" << name << "\t" << st.size << "\t" << st.numberLimit << "\t" << st.textLimit << "\n";
        for (const auto& [position, r] : st.entries)
            out << "entry\t" << name << "\t" << position << "\t" << r.type << "\t" << Escape(r.number)
                << "\t" << Escape(r.name) << "\n";
    }
    for (const Melody& m : s.melodies)
        out << "melody\t" << m.index << "\t" << m.value << "\t" << Escape(m.text) << "\n";
    out << "ring\t" << s.ringLevel << "\t" << s.ringSound << "\n";
    out << "played\t" << s.lastPlayedLevel << "\t" << s.lastPlayedSound << "\n";
    out << "charset\t" << CharsetName(s.charset) << "\n";
    out << "selected\t" << s.selectedStorage << "\n";
    out << "nextref\t" << s.nextMessageReference << "\n";
    for (const SentSms& m : s.sent)
        out << "sent\t" << m.messageReference << "\t" << m.typeOfAddress << "\t" << m.dataCodingScheme
            << "\t" << Escape(m.destination) << "\t" << Escape(m.pduHex) << "\t" << Escape(m.text) << "\n";
    for (const char* name : {"SM", "ME"}) {
        const MessageStorage& st = *s.Messages(name);
        out << "smsstorage\t" << name << "\t" << st.size << "\n";
        for (const auto& [position, m] : st.messages)
            out << "message\t" << name << "\t" << position << "\t" << static_cast<int>(m.status) << "\t"
                << Escape(m.pduHex) << "\n";
    }
    out << "cpms\t" << s.smsStorages[0] << "\t" << s.smsStorages[1] << "\t" << s.smsStorages[2] << "\n";
    out << "smsc\t" << Escape(s.serviceCentre) << "\t" << s.serviceCentreType << "\n";
    out << "ownnumber\t" << Escape(s.ownNumber) << "\n";
    out << "clock\t" << s.clockOffset << "\n";
    return out.str();
}

bool ParseState(const std::string& text, PhoneState* state, std::string* error) {
    PhoneState s;
    for (int i = 1; i <= kMelodyCount; ++i)
        s.melodies.push_back({i, "", 0});
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    bool sawHeader = false;
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!sawHeader) {
            if (line != kHeader)
                return fail("not a phonesim state file (expected \"" + std::string(kHeader) + "\")");
            sawHeader = true;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f = SplitTabs(line);
        const std::string& kind = f[0];
        auto want = [&](size_t n) { return f.size() == n; };
        if (kind == "storage") {
            if (!want(5))
                return fail("storage needs 4 fields");
            PhonebookStorage* st = s.Storage(f[1]);
            if (!st || (f[1] != "SM" && f[1] != "ME"))
                return fail("unknown storage \"" + f[1] + "\"");
            if (!ToInt(f[2], 1, 10000, &st->size) || !ToInt(f[3], 1, 80, &st->numberLimit) ||
                !ToInt(f[4], 1, 250, &st->textLimit))
                return fail("bad storage size or limits");
            for (const auto& [position, r] : st->entries)
                if (position > st->size)
                    return fail("storage smaller than its entries");
        } else if (kind == "entry") {
            if (!want(6))
                return fail("entry needs 5 fields");
            PhonebookStorage* st = s.Storage(f[1]);
            if (!st || (f[1] != "SM" && f[1] != "ME"))
                return fail("unknown storage \"" + f[1] + "\"");
            if (st->size == 0)
                return fail("entry before its storage line");
            int position = 0;
            PhonebookRecord r;
            if (!ToInt(f[2], 1, st->size, &position))
                return fail("position out of range");
            if (!ToInt(f[3], 128, 255, &r.type))
                return fail("bad type of address");
            if (!Unescape(f[4], &r.number) || !Unescape(f[5], &r.name))
                return fail("bad escape sequence");
            if (r.number.size() > static_cast<size_t>(st->numberLimit) + 1 ||
                r.name.size() > static_cast<size_t>(st->textLimit))
                return fail("entry longer than its storage allows");
            if (st->entries.count(position))
                return fail("position " + std::to_string(position) + " given twice");
            st->entries[position] = r;
        } else if (kind == "melody") {
            int index = 0, value = 0;
            std::string melody;
            if (!want(4) || !ToInt(f[1], 1, kMelodyCount, &index) || !ToInt(f[2], 0, 255, &value))
                return fail("bad melody line");
            if (!Unescape(f[3], &melody) || !IsValidMelodyText(melody))
                return fail("bad melody text");
            s.melodies[index - 1] = {index, melody, value};
        } else if (kind == "ring" || kind == "played") {
            int level = 0, sound = 0;
            int low = kind == "played" ? 0 : kMinSound;
            if (!want(3) || !ToInt(f[1], kMinLevel, kMaxLevel, &level) || !ToInt(f[2], low, kMaxSound, &sound))
                return fail("bad " + kind + " line");
            if (kind == "ring") {
                s.ringLevel = level;
                s.ringSound = sound;
            } else {
                s.lastPlayedLevel = level;
                s.lastPlayedSound = sound;
            }
        } else if (kind == "charset") {
            if (!want(2) || !ParseCharset(f[1], &s.charset))
                return fail("bad charset line");
        } else if (kind == "selected") {
            if (!want(2) || (f[1] != "SM" && f[1] != "ME"))
                return fail("bad selected line");
            s.selectedStorage = f[1];
        } else if (kind == "nextref") {
            if (!want(2) || !ToInt(f[1], 0, 255, &s.nextMessageReference))
                return fail("bad nextref line");
        } else if (kind == "sent") {
            SentSms m;
            if (!want(7) || !ToInt(f[1], 0, 255, &m.messageReference) ||
                !ToInt(f[2], 0, 255, &m.typeOfAddress) || !ToInt(f[3], 0, 255, &m.dataCodingScheme))
                return fail("bad sent line");
            if (!Unescape(f[4], &m.destination) || !Unescape(f[5], &m.pduHex) || !Unescape(f[6], &m.text))
                return fail("bad escape sequence");
            s.sent.push_back(m);
        } else if (kind == "smsstorage") {
            MessageStorage* st = want(3) ? s.Messages(f[1]) : nullptr;
            if (!st || (f[1] != "SM" && f[1] != "ME") || !ToInt(f[2], 1, 1000, &st->size))
                return fail("bad smsstorage line");
            if (!st->messages.empty() && st->messages.rbegin()->first > st->size)
                return fail("message storage smaller than its messages");
        } else if (kind == "message") {
            MessageStorage* st = want(5) ? s.Messages(f[1]) : nullptr;
            int position = 0, status = 0;
            StoredMessage m;
            if (!st || (f[1] != "SM" && f[1] != "ME") || !ToInt(f[2], 1, st->size, &position) ||
                !ToInt(f[3], 0, 3, &status))
                return fail("bad message line");
            if (!Unescape(f[4], &m.pduHex) || m.pduHex.empty() || m.pduHex.size() > 2 * 176 ||
                m.pduHex.find_first_not_of("0123456789ABCDEF") != std::string::npos)
                return fail("bad message PDU");
            if (st->messages.count(position))
                return fail("message position " + std::to_string(position) + " given twice");
            m.status = static_cast<MessageStatus>(status);
            st->messages[position] = m;
        } else if (kind == "cpms") {
            if (!want(4))
                return fail("bad cpms line");
            for (int i = 0; i < 3; ++i) {
                if (f[i + 1] != "SM" && f[i + 1] != "ME")
                    return fail("bad cpms line");
                s.smsStorages[i] = f[i + 1];
            }
        } else if (kind == "smsc") {
            if (!want(3) || !Unescape(f[1], &s.serviceCentre) || !ToInt(f[2], 128, 255, &s.serviceCentreType))
                return fail("bad smsc line");
        } else if (kind == "ownnumber") {
            if (!want(2) || !Unescape(f[1], &s.ownNumber))
                return fail("bad ownnumber line");
        } else if (kind == "clock") {
            long long offset = 0;
            auto [ptr, ec] = std::from_chars(f.size() == 2 ? f[1].data() : nullptr,
                                             f.size() == 2 ? f[1].data() + f[1].size() : nullptr, offset);
            if (!want(2) || ec != std::errc() || ptr != f[1].data() + f[1].size() ||
                offset > 100LL * 365 * 86400 || offset < -100LL * 365 * 86400)
                return fail("bad clock line");
            s.clockOffset = offset;
        } else {
            return fail("unknown record \"" + Escape(kind) + "\"");
        }
    }
    if (!sawHeader)
        return fail("empty file");
    if (s.sim.size == 0 || s.memory.size == 0)
        return fail("both storages (SM and ME) must be declared");
    *state = std::move(s);
    return true;
}

bool SaveState(const PhoneState& state, const std::string& path, std::string* error) {
    std::string text = FormatState(state);
    std::string tmp = path + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        if (error)
            *error = "cannot create a file beside " + path;
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(name.data(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        unlink(name.data());
        if (error)
            *error = "cannot write " + path;
    }
    return ok;
}

bool LoadState(const std::string& path, PhoneState* state, std::string* error) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    // A state file is small; a huge one is not ours.
    constexpr size_t kMaxSize = 16 * 1024 * 1024;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() <= kMaxSize)
        text.append(buffer, n);
    bool readError = ferror(f);
    fclose(f);
    if (readError || text.size() > kMaxSize) {
        if (error)
            *error = readError ? "cannot read " + path : path + " is too large for a state file";
        return false;
    }
    std::string why;
    if (!ParseState(text, state, &why)) {
        if (error)
            *error = path + ": " + why;
        return false;
    }
    return true;
}

} // namespace phonesim
