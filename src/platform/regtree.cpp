#include "platform/regtree.h"

#include "platform/regpath.h"

namespace platform {

using regpath::Lower;

RegTree::RegTree() {
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
        auto node = std::make_unique<Node>();
        node->name = root;
        m_root.children[Lower(root)] = std::move(node);
    }
}

RegTree::Node* RegTree::Find(std::string_view path) const {
    auto parts = regpath::Split(path);
    if (parts.empty())
        return nullptr;
    parts[0] = regpath::CanonicalRoot(parts[0]);
    const Node* node = &m_root;
    for (const auto& part : parts) {
        auto it = node->children.find(Lower(part));
        if (it == node->children.end())
            return nullptr;
        node = it->second.get();
    }
    return const_cast<Node*>(node);
}

RegTree::Node* RegTree::Create(std::string_view path, RegOrigin origin) {
    auto parts = regpath::Split(path);
    if (parts.empty())
        return nullptr;
    parts[0] = regpath::CanonicalRoot(parts[0]);
    if (parts[0].empty())
        return nullptr;
    Node* node = &m_root;
    for (const auto& part : parts) {
        auto& slot = node->children[Lower(part)];
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

void RegTree::SetValue(Node& node, std::string_view name, RegValue value, RegOrigin origin) {
    node.values[Lower(name)] = {std::string(name), std::move(value), origin};
}

bool RegTree::DeleteKey(std::string_view path) {
    auto parts = regpath::Split(path);
    if (parts.size() < 2)
        return false;
    const std::string leaf = Lower(parts.back());
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts)
        parentPath += (parentPath.empty() ? "" : "\\") + p;
    Node* parent = Find(parentPath);
    return parent && parent->children.erase(leaf) > 0;
}

bool RegTree::DeleteValue(std::string_view path, std::string_view name) {
    Node* node = Find(path);
    return node && node->values.erase(Lower(name)) > 0;
}

void RegTree::Apply(const std::vector<RegFileKey>& keys, RegOrigin origin) {
    for (const auto& key : keys)
        if (Node* node = Create(key.path, origin))
            for (const auto& [name, value] : key.values)
                SetValue(*node, name, value, origin);
}

std::vector<RegFileKey> RegTree::UserKeys() const {
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
    for (const auto& [lname, root] : m_root.children)
        for (const auto& [cname, child] : root->children)
            walk(walk, child.get(), root->name + "\\" + child->name);
    return keys;
}

} // namespace platform
