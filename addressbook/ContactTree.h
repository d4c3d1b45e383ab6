// The contact tree: a root, the category nodes "A".."Z" and "Other", and one node
// per contact, each with its key, text, image and parent. The scan returns one; the
// desktop program shows it in its tree widget and tallowby-cli prints it.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tallowby {

// Image numbers in the tree's image list, counting from 1.
enum TreeImage : int { kImageRoot = 1, kImageCategory = 2, kImageContact = 3 };

inline constexpr const char* kRootKey = "Lotus Notes Address Book";
inline constexpr const char* kRootText = "Notes Address Book";
inline constexpr const char* kOtherKey = "Other";
inline constexpr std::size_t kNoContact = static_cast<std::size_t>(-1);

class ContactTree {
public:
    struct Node {
        std::string key, text, parentKey;
        int image = 0;
        bool expanded = false;
        std::size_t contact = kNoContact;    // the contact's index in the scan's list
        std::vector<std::size_t> children;  // indexes into nodes(), in insertion order
    };

    // Adds a node as the last child of parentKey (a root node when parentKey is empty).
    // False, and nothing added, for an empty key, a key already present or a parent not
    // present.
    bool Add(const std::string& parentKey, const std::string& key, const std::string& text, int image,
             std::size_t contact = kNoContact);
    bool Contains(const std::string& key) const { return Find(key) != nullptr; }
    bool Expand(const std::string& key);
    // A hint before a walk: about `count` nodes are coming.
    void Reserve(std::size_t count);

    const std::vector<Node>& nodes() const { return nodes_; }  // in insertion order
    const Node* Find(const std::string& key) const;
    // The nodes in tree order (depth first, children in insertion order) with their depth.
    std::vector<std::pair<const Node*, int>> InTreeOrder() const;

private:
    std::vector<Node> nodes_;
    std::vector<std::size_t> roots_;
    std::unordered_map<std::string, std::size_t> index_;
};

// PopulateDefaultTree: the root, "A".."Z" and "Other" under it, the root expanded.
void PopulateDefaultTree(ContactTree& tree);

} // namespace tallowby
