#include "platform/registry.h"

#include "platform/atomicfile.h"
#include "platform/regpath.h"
#include "platform/regtree.h"

namespace platform {

Registry::Registry() { Clear(); }
Registry::~Registry() = default;

Registry& Registry::Instance() {
    static Registry registry;
    return registry;
}

void Registry::Clear() {
    std::lock_guard lock(m_mutex);
    m_tree = std::make_unique<RegTree>();
    m_saveBlocked = false;
    m_blockReason.clear();
}

bool Registry::Load(const std::string& userFile, const std::string& defaultsFile, std::string* error) {
    Clear();
    std::lock_guard lock(m_mutex);
    m_userFile = userFile;
    std::string text;
    if (!defaultsFile.empty() && ReadWholeFile(defaultsFile, &text)) {
        auto parsed = ParseRegistryText(text);
        if (!parsed.ok) {
            if (error)
                *error = "The registry defaults " + defaultsFile + " are malformed (" + parsed.error + ").";
            return false;
        }
        m_tree->Apply(parsed.keys, RegOrigin::Default);
    }
    if (!userFile.empty() && ReadWholeFile(userFile, &text)) {
        auto parsed = ParseRegistryText(text);
        if (!parsed.ok) {
            m_saveBlocked = true;
            m_blockReason = "The registry file " + userFile + " is malformed (" + parsed.error +
                            "); it was not loaded and will not be overwritten. Correct or remove it.";
            if (error)
                *error = m_blockReason;
            return false;
        }
        m_tree->Apply(parsed.keys, RegOrigin::User);
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
    return WriteFileAtomically(m_userFile, FormatRegistryText(m_tree->UserKeys()), error);
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view value, RegOrigin origin) {
    std::vector<uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    std::lock_guard lock(m_mutex);
    if (RegTree::Node* node = m_tree->Create(path, origin))
        RegTree::SetValue(*node, name, {kRegSz, std::move(data)}, origin);
}

void Registry::SetBinary(std::string_view path, std::string_view name, const std::vector<uint8_t>& value,
                         RegOrigin origin) {
    std::lock_guard lock(m_mutex);
    if (RegTree::Node* node = m_tree->Create(path, origin))
        RegTree::SetValue(*node, name, {kRegBinary, value}, origin);
}

void Registry::SetDword(std::string_view path, std::string_view name, uint32_t value, RegOrigin origin) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    std::lock_guard lock(m_mutex);
    if (RegTree::Node* node = m_tree->Create(path, origin))
        RegTree::SetValue(*node, name, {kRegDword, std::move(data)}, origin);
}

std::optional<RegValue> Registry::GetValue(std::string_view path, std::string_view name) const {
    std::lock_guard lock(m_mutex);
    const RegTree::Node* node = m_tree->Find(path);
    if (!node)
        return std::nullopt;
    auto it = node->values.find(regpath::Lower(name));
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
    if (const RegTree::Node* node = m_tree->Find(path))
        for (const auto& [lname, child] : node->children)
            names.push_back(child->name);
    return names;
}

bool Registry::DeleteKey(std::string_view path) {
    std::lock_guard lock(m_mutex);
    return m_tree->DeleteKey(path);
}

bool Registry::DeleteValue(std::string_view path, std::string_view name) {
    std::lock_guard lock(m_mutex);
    return m_tree->DeleteValue(path, name);
}

} // namespace platform
