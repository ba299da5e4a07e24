#include "registry.h"
#include "reglinelimit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace platform {

struct RegKeyHandle {
    std::string path;
    bool predefined = false;
};

namespace {

RegKeyHandle g_localMachine{"HKEY_LOCAL_MACHINE", true};
RegKeyHandle g_currentUser{"HKEY_CURRENT_USER", true};

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> splitPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Root aliases accepted in files and paths.
std::string canonicalRoot(std::string_view name) {
    std::string l = lower(name);
    if (l == "hkey_local_machine" || l == "hklm")
        return "HKEY_LOCAL_MACHINE";
    if (l == "hkey_current_user" || l == "hkcu")
        return "HKEY_CURRENT_USER";
    return {};
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

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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

bool readFile(const std::string& path, std::string& out, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

} // namespace

HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;
HKEY const HKEY_CURRENT_USER = &g_currentUser;

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
            auto parts = splitPath(line.substr(1, line.size() - 2));
            if (parts.empty())
                return fail("empty key name");
            std::string root = canonicalRoot(parts[0]);
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
                if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0)
                    return fail("malformed hex byte '" + std::string(item) + "'");
                value.data.push_back(static_cast<uint8_t>(hexDigit(item[0]) * 16 + hexDigit(item[1])));
            }
        } else if (rest.starts_with("dword:")) {
            std::string_view digits = trim(rest.substr(6));
            if (digits.empty() || digits.size() > 8)
                return fail("malformed dword value");
            uint32_t v = 0;
            for (char c : digits) {
                if (hexDigit(c) < 0)
                    return fail("malformed dword value");
                v = v * 16 + static_cast<uint32_t>(hexDigit(c));
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

struct Registry::Node {
    std::string name;
    RegOrigin origin = RegOrigin::Default;
    std::map<std::string, std::unique_ptr<Node>> children; // by lower-case name
    struct Entry {
        std::string name;
        RegValue value;
        RegOrigin origin;
    };
    std::map<std::string, Entry> values; // by lower-case name
};

Registry::Registry() { Clear(); }
Registry::~Registry() = default;

Registry& Registry::Instance() {
    static Registry registry;
    return registry;
}

void Registry::Clear() {
    std::lock_guard lock(m_mutex);
    m_root = std::make_unique<Node>();
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
        auto node = std::make_unique<Node>();
        node->name = root;
        m_root->children[lower(root)] = std::move(node);
    }
    m_saveBlocked = false;
    m_blockReason.clear();
}

Registry::Node* Registry::find(std::string_view path) const {
    Node* node = m_root.get();
    auto parts = splitPath(path);
    if (parts.empty())
        return nullptr;
    parts[0] = canonicalRoot(parts[0]);
    for (const auto& part : parts) {
        auto it = node->children.find(lower(part));
        if (it == node->children.end())
            return nullptr;
        node = it->second.get();
    }
    return node;
}

Registry::Node* Registry::create(std::string_view path, RegOrigin origin) {
    Node* node = m_root.get();
    auto parts = splitPath(path);
    if (parts.empty())
        return nullptr;
    parts[0] = canonicalRoot(parts[0]);
    if (parts[0].empty())
        return nullptr;
    for (const auto& part : parts) {
        auto& slot = node->children[lower(part)];
        if (!slot) {
            slot = std::make_unique<Node>();
            slot->name = part;
            slot->origin = origin;
        } else if (origin == RegOrigin::User && slot->origin == RegOrigin::Default) {
            slot->origin = RegOrigin::User;
        }
        node = slot.get();
    }
    return node;
}

std::string Registry::pathOf(HKEY key) { return key ? key->path : std::string(); }

bool Registry::Load(const std::string& userFile, const std::string& defaultsFile, std::string* error) {
    Clear();
    std::lock_guard lock(m_mutex);
    m_userFile = userFile;
    auto apply = [this](const RegParseResult& parsed, RegOrigin origin) {
        for (const auto& key : parsed.keys) {
            Node* node = create(key.path, origin);
            for (const auto& [name, value] : key.values)
                node->values[lower(name)] = {name, value, origin};
        }
    };
    std::string text;
    bool exists = false;
    if (!defaultsFile.empty() && readFile(defaultsFile, text, exists)) {
        auto parsed = ParseRegistryText(text);
        if (!parsed.ok) {
            if (error)
                *error = "The registry defaults " + defaultsFile + " are malformed (" + parsed.error + ").";
            return false;
        }
        apply(parsed, RegOrigin::Default);
    }
    if (!userFile.empty() && readFile(userFile, text, exists)) {
        auto parsed = ParseRegistryText(text);
        if (!parsed.ok) {
            m_saveBlocked = true;
            m_blockReason = "The registry file " + userFile + " is malformed (" + parsed.error +
                            "); it was not loaded and will not be overwritten. Correct or remove it.";
            if (error)
                *error = m_blockReason;
            return false;
        }
        apply(parsed, RegOrigin::User);
    }
    return true;
}

bool Registry::Save(std::string* error) const {
    std::lock_guard lock(m_mutex);
    if (m_saveBlocked) {
        if (error)
            *error = m_blockReason;
        return false;
    }
    if (m_userFile.empty()) {
        if (error)
            *error = "no registry file was set";
        return false;
    }
    std::vector<RegFileKey> keys;
    auto walk = [&](auto&& self, const Node* node, const std::string& path) -> void {
        RegFileKey key{path, {}};
        for (const auto& [lname, entry] : node->values)
            if (entry.origin == RegOrigin::User)
                key.values.emplace_back(entry.name, entry.value);
        if (!key.values.empty() || (node->origin == RegOrigin::User && node->children.empty()))
            keys.push_back(std::move(key));
        for (const auto& [lname, child] : node->children)
            if (child->origin != RegOrigin::Live || !child->children.empty())
                self(self, child.get(), path + "\\" + child->name);
    };
    for (const auto& [lname, root] : m_root->children)
        for (const auto& [cname, child] : root->children)
            walk(walk, child.get(), root->name + "\\" + child->name);

    std::string text = FormatRegistryText(keys);
    std::string tmp = m_userFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) {
            if (error)
                *error = "cannot write " + tmp;
            return false;
        }
        out << text;
        out.flush();
        if (!out) {
            if (error)
                *error = "cannot write " + tmp;
            return false;
        }
    }
    if (std::rename(tmp.c_str(), m_userFile.c_str()) != 0) {
        ::unlink(tmp.c_str());
        if (error)
            *error = "cannot replace " + m_userFile;
        return false;
    }
    return true;
}

long Registry::OpenKey(HKEY parent, std::string_view subKey, HKEY* result) {
    if (!parent || !result)
        return kErrorInvalidHandle;
    std::string path = pathOf(parent);
    if (!subKey.empty())
        path += "\\" + std::string(subKey);
    std::lock_guard lock(m_mutex);
    Node* node = find(path);
    if (!node) {
        *result = nullptr;
        return kErrorFileNotFound;
    }
    *result = new RegKeyHandle{path, false};
    return kErrorSuccess;
}

long Registry::CreateKey(HKEY parent, std::string_view subKey, HKEY* result, RegOrigin origin) {
    if (!parent)
        return kErrorInvalidHandle;
    std::string path = pathOf(parent);
    if (!subKey.empty())
        path += "\\" + std::string(subKey);
    std::lock_guard lock(m_mutex);
    if (!create(path, origin))
        return kErrorFileNotFound;
    if (result)
        *result = new RegKeyHandle{path, false};
    return kErrorSuccess;
}

long Registry::EnumKey(HKEY key, uint32_t index, char* name, uint32_t nameSize) {
    if (!key)
        return kErrorInvalidHandle;
    std::lock_guard lock(m_mutex);
    Node* node = find(key->path);
    if (!node)
        return kErrorFileNotFound;
    if (index >= node->children.size())
        return kErrorNoMoreItems;
    auto it = node->children.begin();
    std::advance(it, index);
    const std::string& childName = it->second->name;
    if (!name || childName.size() + 1 > nameSize)
        return kErrorMoreData;
    std::memcpy(name, childName.c_str(), childName.size() + 1);
    return kErrorSuccess;
}

long Registry::QueryValue(HKEY key, std::string_view valueName, uint32_t* type, uint8_t* data, uint32_t* size) {
    if (!key)
        return kErrorInvalidHandle;
    std::lock_guard lock(m_mutex);
    Node* node = find(key->path);
    if (!node)
        return kErrorFileNotFound;
    auto it = node->values.find(lower(valueName));
    if (it == node->values.end())
        return kErrorFileNotFound;
    const RegValue& value = it->second.value;
    if (type)
        *type = value.type;
    uint32_t needed = static_cast<uint32_t>(value.data.size());
    if (!data) {
        if (size)
            *size = needed;
        return kErrorSuccess;
    }
    if (!size)
        return kErrorInvalidHandle;
    if (*size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (needed)
        std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return kErrorSuccess;
}

long Registry::SetValue(HKEY key, std::string_view valueName, uint32_t type, const uint8_t* data, uint32_t size,
                        RegOrigin origin) {
    if (!key)
        return kErrorInvalidHandle;
    std::lock_guard lock(m_mutex);
    Node* node = find(key->path);
    if (!node)
        return kErrorFileNotFound;
    RegValue value{type, std::vector<uint8_t>(data, data + size)};
    node->values[lower(valueName)] = {std::string(valueName), std::move(value), origin};
    return kErrorSuccess;
}

long Registry::CloseKey(HKEY key) {
    if (!key)
        return kErrorInvalidHandle;
    if (!key->predefined)
        delete key;
    return kErrorSuccess;
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view value, RegOrigin origin) {
    std::vector<uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    std::lock_guard lock(m_mutex);
    if (Node* node = create(path, origin))
        node->values[lower(name)] = {std::string(name), {kRegSz, std::move(data)}, origin};
}

void Registry::SetBinary(std::string_view path, std::string_view name, const std::vector<uint8_t>& value,
                         RegOrigin origin) {
    std::lock_guard lock(m_mutex);
    if (Node* node = create(path, origin))
        node->values[lower(name)] = {std::string(name), {kRegBinary, value}, origin};
}

void Registry::SetDword(std::string_view path, std::string_view name, uint32_t value, RegOrigin origin) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    std::lock_guard lock(m_mutex);
    if (Node* node = create(path, origin))
        node->values[lower(name)] = {std::string(name), {kRegDword, std::move(data)}, origin};
}

std::optional<RegValue> Registry::GetValue(std::string_view path, std::string_view name) const {
    std::lock_guard lock(m_mutex);
    Node* node = find(path);
    if (!node)
        return std::nullopt;
    auto it = node->values.find(lower(name));
    if (it == node->values.end())
        return std::nullopt;
    return it->second.value;
}

std::optional<std::string> Registry::GetString(std::string_view path, std::string_view name) const {
    auto value = GetValue(path, name);
    if (!value || value->type != kRegSz)
        return std::nullopt;
    std::string s(value->data.begin(), value->data.end());
    if (auto nul = s.find('\0'); nul != std::string::npos)
        s.resize(nul);
    return s;
}

std::vector<std::string> Registry::SubKeys(std::string_view path) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    if (Node* node = find(path))
        for (const auto& [lname, child] : node->children)
            names.push_back(child->name);
    return names;
}

bool Registry::DeleteKey(std::string_view path) {
    auto parts = splitPath(path);
    if (parts.size() < 2)
        return false;
    std::string leaf = lower(parts.back());
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts)
        parentPath += (parentPath.empty() ? "" : "\\") + p;
    std::lock_guard lock(m_mutex);
    Node* parent = find(parentPath);
    return parent && parent->children.erase(leaf) > 0;
}

bool Registry::DeleteValue(std::string_view path, std::string_view name) {
    std::lock_guard lock(m_mutex);
    Node* node = find(path);
    return node && node->values.erase(lower(name)) > 0;
}

long RegOpenKeyEx(HKEY parent, const char* subKey, uint32_t, uint32_t, HKEY* result) {
    return Registry::Instance().OpenKey(parent, subKey ? subKey : "", result);
}
long RegEnumKey(HKEY key, uint32_t index, char* name, uint32_t nameSize) {
    return Registry::Instance().EnumKey(key, index, name, nameSize);
}
long RegQueryValueEx(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data, uint32_t* size) {
    return Registry::Instance().QueryValue(key, valueName ? valueName : "", type, data, size);
}
long RegCloseKey(HKEY key) { return Registry::Instance().CloseKey(key); }

} // namespace platform
