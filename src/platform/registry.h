#pragma once
// A registry of hierarchical keys and values, standing in for the Windows registry that the
// program reads its device list and picture folder from.
//
// Three origins of data are kept apart:
//  - defaults shipped with the install (read-only seed, never written back),
//  - the user's own file ($XDG_CONFIG_HOME/harlune/registry.ini), the only thing Save writes,
//  - live values that a provider (the Bluetooth stack backend) fills at run time; never saved.
//
// The handle API mirrors the Win32 calls the program was written against; all calls are
// thread-safe, and a handle stays valid (reporting "not found") if its key is removed.
//
// Files: regtext.cpp (the .reg text format), regtree.* (the key tree and its origins),
// atomicfile.* (saving), registry.cpp (loading, saving, paths), reghandles.cpp (the handle API).
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

constexpr uint32_t kKeyAllAccess = 0xF003F;

// What an HKEY points at: the key's path. The registry owns every handle it gave out until it
// is closed; the two roots are predefined and never closed.
struct RegKeyHandle {
    std::string path;
    bool predefined = false;
};
using HKEY = RegKeyHandle*;
extern HKEY const HKEY_LOCAL_MACHINE;
extern HKEY const HKEY_CURRENT_USER;

struct RegValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
};

// One parsed key with its values, in file order.
struct RegFileKey {
    std::string path; // "HKEY_LOCAL_MACHINE\SOFTWARE\..."
    std::vector<std::pair<std::string, RegValue>> values;
};

struct RegParseResult {
    bool ok = false;
    std::string error; // "line N: what is wrong"
    std::vector<RegFileKey> keys;
};

// Pure text <-> data conversions of the registry file format (a subset of .reg files:
// [key] lines, "name"="string", "name"=hex:aa,bb, "name"=dword:0000000a, ; comments).
RegParseResult ParseRegistryText(std::string_view text);
std::string FormatRegistryText(const std::vector<RegFileKey>& keys);

enum class RegOrigin { Default, User, Live };

class RegTree;

class Registry {
public:
    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    static Registry& Instance();

    // Loads the shipped defaults (a missing file is fine) and then the user's file (a missing
    // file is fine). A malformed file gives false and a clear error; a malformed user file also
    // blocks Save, so it is never overwritten with less than it held.
    bool Load(const std::string& userFile, const std::string& defaultsFile, std::string* error);
    // Writes the user's own keys and values (not defaults, not live ones) atomically.
    bool Save(std::string* error) const;
    const std::string& UserFile() const { return m_userFile; }
    void Clear();

    // Handle API.
    long OpenKey(HKEY parent, std::string_view subKey, HKEY* result);
    long CreateKey(HKEY parent, std::string_view subKey, HKEY* result, RegOrigin origin = RegOrigin::User);
    long EnumKey(HKEY key, uint32_t index, char* name, uint32_t nameSize);
    long QueryValue(HKEY key, std::string_view valueName, uint32_t* type, uint8_t* data, uint32_t* size);
    long SetValue(HKEY key, std::string_view valueName, uint32_t type, const uint8_t* data, uint32_t size,
                  RegOrigin origin = RegOrigin::User);
    long CloseKey(HKEY key);

    // Path conveniences; a path starts with its root name, e.g.
    // "HKEY_LOCAL_MACHINE\SOFTWARE\Dunmere\Harlune".
    void SetString(std::string_view path, std::string_view name, std::string_view value,
                   RegOrigin origin = RegOrigin::User);
    void SetBinary(std::string_view path, std::string_view name, const std::vector<uint8_t>& value,
                   RegOrigin origin = RegOrigin::User);
    void SetDword(std::string_view path, std::string_view name, uint32_t value, RegOrigin origin = RegOrigin::User);
    std::optional<RegValue> GetValue(std::string_view path, std::string_view name) const;
    std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
    std::vector<std::string> SubKeys(std::string_view path) const;
    bool DeleteKey(std::string_view path);    // with its subtree
    bool DeleteValue(std::string_view path, std::string_view name);

private:
    // With the lock held: the path of a root or of a handle this registry gave out and has not
    // closed; null for anything else (a closed or foreign handle is refused, never followed).
    const std::string* pathOf(HKEY key) const;
    HKEY newHandle(std::string path);

    mutable std::mutex m_mutex;
    std::unique_ptr<RegTree> m_tree;
    std::map<const RegKeyHandle*, std::unique_ptr<RegKeyHandle>> m_handles;
    std::string m_userFile;
    bool m_saveBlocked = false;
    std::string m_blockReason;
};

// The Win32-named calls over Registry::Instance().
long RegOpenKeyEx(HKEY parent, const char* subKey, uint32_t options, uint32_t access, HKEY* result);
long RegEnumKey(HKEY key, uint32_t index, char* name, uint32_t nameSize);
long RegQueryValueEx(HKEY key, const char* valueName, uint32_t* reserved, uint32_t* type, uint8_t* data,
                     uint32_t* size);
long RegCloseKey(HKEY key);

} // namespace platform
