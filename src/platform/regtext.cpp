#include "platform/registry.h"
#include "platform/reglinelimit.h"

// The registry file's text format: a subset of .reg files.
#include <cstdio>

#include "platform/regpath.h"
#include "textcodec/textcodec.h"

namespace platform {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool parseQuoted(std::string_view s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= s.size())
                return false;
            char e = s[pos++];
            if (e == 'n')
                out += '\n';
            else if (e == 'r')
                out += '\r';
            else if (e == 't')
                out += '\t';
            else
                out += e;
        } else
            out += c;
    }
    return false;
}

std::string quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out + "\"";
}

} // namespace

RegParseResult ParseRegistryText(std::string_view text) {
    RegParseResult result;
    if (auto tooLong = platform::RegistryLineTooLong(text)) {
        result.ok = false;
        result.error = *tooLong;
        return result;
    }
    RegFileKey* current = nullptr;
    size_t lineNo = 0;
    size_t start = 0;
    auto fail = [&](const std::string& what) {
        result.ok = false;
        result.error = "line " + std::to_string(lineNo) + ": " + what;
        result.keys.clear();
        return result;
    };
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNo;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line == "REGEDIT4" || line.starts_with("Windows Registry Editor"))
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("key line without closing ']'");
            auto parts = regpath::Split(line.substr(1, line.size() - 2));
            if (parts.empty())
                return fail("empty key name");
            std::string root = regpath::CanonicalRoot(parts[0]);
            if (root.empty())
                return fail("unknown root key '" + parts[0] + "'");
            std::string path = root;
            for (size_t i = 1; i < parts.size(); ++i)
                path += "\\" + parts[i];
            result.keys.push_back({path, {}});
            current = &result.keys.back();
            continue;
        }
        if (!current)
            return fail("value outside of any [key]");
        std::string name;
        size_t pos = 0;
        if (line.front() == '@')
            pos = 1;
        else if (!parseQuoted(line, pos, name))
            return fail("expected \"name\"=value");
        if (pos >= line.size() || line[pos] != '=')
            return fail("expected '=' after the value name");
        ++pos;
        std::string_view rest = line.substr(pos);
        RegValue value;
        if (!rest.empty() && rest.front() == '"') {
            std::string s;
            size_t p = 0;
            if (!parseQuoted(rest, p, s) || !trim(rest.substr(p)).empty())
                return fail("malformed string value");
            value.type = kRegSz;
            value.data.assign(s.begin(), s.end());
            value.data.push_back(0);
        } else if (rest.starts_with("hex:")) {
            value.type = kRegBinary;
            std::string_view bytes = rest.substr(4);
            size_t p = 0;
            while (p < bytes.size()) {
                std::string_view item = bytes.substr(p, bytes.find(',', p) - p);
                p += item.size() + 1;
                item = trim(item);
                if (item.size() != 2 || textcodec::HexDigitValue(item[0]) < 0 || textcodec::HexDigitValue(item[1]) < 0)
                    return fail("malformed hex byte '" + std::string(item) + "'");
                value.data.push_back(static_cast<uint8_t>(textcodec::HexDigitValue(item[0]) * 16 + textcodec::HexDigitValue(item[1])));
            }
        } else if (rest.starts_with("dword:")) {
            std::string_view digits = trim(rest.substr(6));
            if (digits.empty() || digits.size() > 8)
                return fail("malformed dword value");
            uint32_t v = 0;
            for (char c : digits) {
                if (textcodec::HexDigitValue(c) < 0)
                    return fail("malformed dword value");
                v = v * 16 + static_cast<uint32_t>(textcodec::HexDigitValue(c));
            }
            value.type = kRegDword;
            for (int i = 0; i < 4; ++i)
                value.data.push_back(static_cast<uint8_t>(v >> (8 * i)));
        } else {
            return fail("unknown value form (expected \"text\", hex: or dword:)");
        }
        current->values.emplace_back(name, std::move(value));
    }
    result.ok = true;
    return result;
}

std::string FormatRegistryText(const std::vector<RegFileKey>& keys) {
    std::string out = "Windows Registry Editor Version 5.00\n";
    for (const auto& key : keys) {
        out += "\n[" + key.path + "]\n";
        for (const auto& [name, value] : key.values) {
            out += name.empty() ? std::string("@") : quote(name);
            out += '=';
            if (value.type == kRegSz) {
                std::string s(value.data.begin(), value.data.end());
                if (!s.empty() && s.back() == '\0')
                    s.pop_back();
                out += quote(s);
            } else if (value.type == kRegDword && value.data.size() == 4) {
                uint32_t v = 0;
                for (int i = 3; i >= 0; --i)
                    v = v * 256 + value.data[static_cast<size_t>(i)];
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", v);
                out += buf;
            } else {
                out += "hex:";
                for (size_t i = 0; i < value.data.size(); ++i) {
                    char buf[4];
                    std::snprintf(buf, sizeof buf, "%02x", value.data[i]);
                    if (i)
                        out += ',';
                    out += buf;
                }
            }
            out += '\n';
        }
    }
    return out;
}

} // namespace platform
