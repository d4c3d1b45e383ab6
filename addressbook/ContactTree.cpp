#include "addressbook/ContactTree.h"

namespace tallowby {

void PopulateDefaultTree(ContactTree& tree) {
    tree.Add("", kRootKey, kRootText, kImageRoot);
    for (int i = 1; i <= 26; ++i) {
        const std::string letter(1, static_cast<char>(64 + i));
        tree.Add(kRootKey, letter, letter, kImageCategory);
    }
    tree.Add(kRootKey, kOtherKey, kOtherKey, kImageCategory);
    tree.Expand(kRootKey);
}

bool ContactTree::Add(const std::string& parentKey, const std::string& key, const std::string& text, int image,
                      std::size_t contact) {
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
    nodes_.push_back(Node{key, text, parentKey, image, false, contact, {}});
    if (parentKey.empty())
        roots_.push_back(position);
    else
        nodes_[parent].children.push_back(position);
    return true;
}

const ContactTree::Node* ContactTree::Find(const std::string& key) const {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &nodes_[it->second];
}

bool ContactTree::Expand(const std::string& key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return false;
    nodes_[it->second].expanded = true;
    return true;
}

void ContactTree::Reserve(std::size_t count) {
    nodes_.reserve(nodes_.size() + count);
    index_.reserve(nodes_.size() + count);
}

std::vector<std::pair<const ContactTree::Node*, int>> ContactTree::InTreeOrder() const {
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
