#pragma once
// The registry's keys and values in memory, each marked with its origin (shipped default, the
// user's own, live from a provider). Not thread-safe: Registry holds the lock.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform {

class RegTree {
public:
    struct Entry {
        std::string name; // as first written; lookups use the lower-case map key
        RegValue value;
        RegOrigin origin;
    };
    struct Node {
        std::string name;
        RegOrigin origin = RegOrigin::Default;
        std::map<std::string, std::unique_ptr<Node>> children; // by lower-case name
        std::map<std::string, Entry> values;                  // by lower-case name
    };

    RegTree(); // the two roots, empty

    // The key at path ("HKLM\A\B" or "HKEY_LOCAL_MACHINE\A\B"), or null.
    Node* Find(std::string_view path) const;
    // The key at path, created with the given origin where missing; a user write makes a
    // default key the user's. Null for a path without a known root.
    Node* Create(std::string_view path, RegOrigin origin);
    static void SetValue(Node& node, std::string_view name, RegValue value, RegOrigin origin);
    bool DeleteKey(std::string_view path); // with its subtree; never a root
    bool DeleteValue(std::string_view path, std::string_view name);

    // Every key and value of a parsed file, with the file's origin.
    void Apply(const std::vector<RegFileKey>& keys, RegOrigin origin);
    // What the user's file holds: the user's values, and the user's own empty keys; nothing
    // shipped and nothing live.
    std::vector<RegFileKey> UserKeys() const;

private:
    Node m_root;
};

} // namespace platform
