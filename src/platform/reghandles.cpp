#include "platform/registry.h"

// The Win32-style handle API over the key tree.
#include <cstring>
#include <iterator>

#include "platform/regpath.h"
#include "platform/regtree.h"

namespace platform {

namespace {
RegKeyHandle g_localMachine{"HKEY_LOCAL_MACHINE", true};
RegKeyHandle g_currentUser{"HKEY_CURRENT_USER", true};

std::string joined(const std::string& parent, std::string_view subKey) {
    return subKey.empty() ? parent : parent + "\\" + std::string(subKey);
}
} // namespace

HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;
HKEY const HKEY_CURRENT_USER = &g_currentUser;

const std::string* Registry::pathOf(HKEY key) const {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER)
        return &key->path;
    auto it = m_handles.find(key);
    return it == m_handles.end() ? nullptr : &it->second->path;
}

HKEY Registry::newHandle(std::string path) {
    auto handle = std::make_unique<RegKeyHandle>(RegKeyHandle{std::move(path), false});
    HKEY key = handle.get();
    m_handles.emplace(key, std::move(handle));
    return key;
}

long Registry::OpenKey(HKEY parent, std::string_view subKey, HKEY* result) {
    if (!result)
        return kErrorInvalidHandle;
    std::lock_guard lock(m_mutex);
    const std::string* parentPath = pathOf(parent);
    if (!parentPath)
        return kErrorInvalidHandle;
    std::string path = joined(*parentPath, subKey);
    if (!m_tree->Find(path)) {
        *result = nullptr;
        return kErrorFileNotFound;
    }
    *result = newHandle(std::move(path));
    return kErrorSuccess;
}

long Registry::CreateKey(HKEY parent, std::string_view subKey, HKEY* result, RegOrigin origin) {
    std::lock_guard lock(m_mutex);
    const std::string* parentPath = pathOf(parent);
    if (!parentPath)
        return kErrorInvalidHandle;
    std::string path = joined(*parentPath, subKey);
    if (!m_tree->Create(path, origin))
        return kErrorFileNotFound;
    if (result)
        *result = newHandle(std::move(path));
    return kErrorSuccess;
}

long Registry::EnumKey(HKEY key, uint32_t index, char* name, uint32_t nameSize) {
    std::lock_guard lock(m_mutex);
    const std::string* path = pathOf(key);
    if (!path)
        return kErrorInvalidHandle;
    const RegTree::Node* node = m_tree->Find(*path);
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
    std::lock_guard lock(m_mutex);
    const std::string* path = pathOf(key);
    if (!path)
        return kErrorInvalidHandle;
    const RegTree::Node* node = m_tree->Find(*path);
    if (!node)
        return kErrorFileNotFound;
    auto it = node->values.find(regpath::Lower(valueName));
    if (it == node->values.end())
        return kErrorFileNotFound;
    const RegValue& value = it->second.value;
    if (type)
        *type = value.type;
    const uint32_t needed = static_cast<uint32_t>(value.data.size());
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
    std::lock_guard lock(m_mutex);
    const std::string* path = pathOf(key);
    if (!path)
        return kErrorInvalidHandle;
    RegTree::Node* node = m_tree->Find(*path);
    if (!node)
        return kErrorFileNotFound;
    RegTree::SetValue(*node, valueName, {type, std::vector<uint8_t>(data, data + size)}, origin);
    return kErrorSuccess;
}

long Registry::CloseKey(HKEY key) {
    std::lock_guard lock(m_mutex);
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER)
        return kErrorSuccess;
    // A second close of the same handle, or one that never came from here, is refused.
    return m_handles.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
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
