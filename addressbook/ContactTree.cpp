#include "addressbook/ContactTree.h"

#include <string>

namespace tallowby {

void PopulateDefaultTree(ContactTree& tree) {
    tree.SetDisplayOptions();
    tree.Add("", kRootKey, kRootText, kImageRoot);
    for (int i = 1; i <= 26; ++i) {
        const std::string letter(1, static_cast<char>(64 + i));
        tree.Add(kRootKey, letter, letter, kImageCategory);
    }
    tree.Add(kRootKey, kOtherKey, kOtherKey, kImageCategory);
    tree.Expand(kRootKey);
}

bool MemoryContactTree::Add(const std::string& parentKey, const std::string& key,
                            const std::string& text, int image) {
    // A node without a key could never be found again, so it is refused like a
    // duplicate.
    if (key.empty()) return false;
    std::size_t parent = 0;
    if (!parentKey.empty()) {
        const auto it = index_.find(parentKey);
        if (it == index_.end()) return false;
        parent = it->second;
    }
    const std::size_t position = nodes_.size();
    if (!index_.try_emplace(key, position).second) return false;
    Node node;
    node.key = key;
    node.text = text;
    node.parentKey = parentKey;
    node.image = image;
    nodes_.push_back(std::move(node));
    if (parentKey.empty())
        roots_.push_back(position);
    else
        nodes_[parent].children.push_back(position);
    return true;
}

std::size_t MemoryContactTree::IndexOf(const std::string& key) const {
    if (!nodes_.empty() && nodes_.back().key == key) return nodes_.size() - 1;
    const auto it = index_.find(key);
    return it == index_.end() ? std::string::npos : it->second;
}

const MemoryContactTree::Node* MemoryContactTree::Find(const std::string& key) const {
    const std::size_t i = IndexOf(key);
    return i == std::string::npos ? nullptr : &nodes_[i];
}

bool MemoryContactTree::Contains(const std::string& key) const { return IndexOf(key) != std::string::npos; }

std::optional<std::string> MemoryContactTree::Tag(const std::string& key) const {
    const Node* node = Find(key);
    if (!node) return std::nullopt;
    return node->tag;
}

bool MemoryContactTree::SetTag(const std::string& key, const std::string& tag) {
    const std::size_t i = IndexOf(key);
    if (i == std::string::npos) return false;
    nodes_[i].tag = tag;
    return true;
}

bool MemoryContactTree::SetRecord(const std::string& key, const ContactFields& fields) {
    const std::size_t i = IndexOf(key);
    if (i == std::string::npos) return false;
    nodes_[i].tag = RecordText(fields);
    return true;
}

bool MemoryContactTree::SetText(const std::string& key, const std::string& text) {
    const std::size_t i = IndexOf(key);
    if (i == std::string::npos) return false;
    nodes_[i].text = text;
    return true;
}

bool MemoryContactTree::Expand(const std::string& key) {
    const std::size_t i = IndexOf(key);
    if (i == std::string::npos) return false;
    nodes_[i].expanded = true;
    return true;
}

void MemoryContactTree::RemoveContacts() {
    // Contact nodes lie two levels down (root, category, contact): keep the nodes of
    // the first two levels in their order and build the links again.
    std::vector<bool> keep(nodes_.size());
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const Node& node = nodes_[i];
        keep[i] = node.parentKey.empty() || Find(node.parentKey)->parentKey.empty();
    }
    std::vector<Node> kept;
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (keep[i]) kept.push_back(std::move(nodes_[i]));
    nodes_.clear();
    roots_.clear();
    index_.clear();
    for (Node& node : kept) {
        const bool expanded = node.expanded;
        Add(node.parentKey, node.key, node.text, node.image);
        nodes_.back().tag = std::move(node.tag);
        nodes_.back().expanded = expanded;
    }
}

void MemoryContactTree::Reserve(std::size_t count) {
    nodes_.reserve(nodes_.size() + count);
    index_.reserve(nodes_.size() + count);
}

std::vector<std::pair<const MemoryContactTree::Node*, int>> MemoryContactTree::InTreeOrder() const {
    std::vector<std::pair<const Node*, int>> order;
    order.reserve(nodes_.size());
    // Depth first without recursion: each frame is a list of siblings and the
    // position of the next one to visit.
    struct Frame {
        const std::vector<std::size_t>* siblings;
        std::size_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({&roots_, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.siblings->size()) {
            stack.pop_back();
            continue;
        }
        const Node& node = nodes_[(*top.siblings)[top.next++]];
        order.emplace_back(&node, static_cast<int>(stack.size()) - 1);
        if (!node.children.empty()) stack.push_back({&node.children, 0});
    }
    return order;
}

} // namespace tallowby
