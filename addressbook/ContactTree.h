// The contact tree: a root, the category nodes "A".."Z" and "Other", and one node
// per contact. The tree is an interface: MemoryContactTree below for tests and the
// command-line tool, a QTreeWidget adapter in the desktop program.
#pragma once

#include "addressbook/ContactRecord.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tallowby {

// Image numbers in the tree's image list, counting from 1.
enum TreeImage : int { kImageRoot = 1, kImageCategory = 2, kImageContact = 3 };

inline constexpr const char* kRootKey = "Lotus Notes Address Book";
inline constexpr const char* kRootText = "Notes Address Book";
inline constexpr const char* kOtherKey = "Other";

class ContactTree {
public:
    virtual ~ContactTree() = default;
    // Tree options: selection stays highlighted without focus, texts not editable,
    // lines between root nodes.
    virtual void SetDisplayOptions() = 0;
    // Adds a node as the last child of parentKey (a root node when parentKey is empty).
    // False, and nothing added, for a key already present or a parent not present.
    virtual bool Add(const std::string& parentKey, const std::string& key,
                     const std::string& text, int image) = 0;
    virtual bool Contains(const std::string& key) const = 0;
    // The tag of the node with that key; nullopt when there is no such node.
    virtual std::optional<std::string> Tag(const std::string& key) const = 0;
    virtual bool SetTag(const std::string& key, const std::string& tag) = 0;
    // Sets the tag to the record text of fields. A tree that shows contacts keeps the
    // fields themselves as well, so that a "|" inside a value never moves a field.
    virtual bool SetRecord(const std::string& key, const ContactFields& fields) {
        return SetTag(key, RecordText(fields));
    }
    virtual bool SetText(const std::string& key, const std::string& text) = 0;
    virtual bool Expand(const std::string& key) = 0;
    // Removes every contact node; the root and the category nodes stay.
    virtual void RemoveContacts() = 0;
    // A hint before a walk: about `count` contact nodes are coming.
    virtual void Reserve(std::size_t /*count*/) {}
    // Show the tree as it is now (no event loop runs during a scan).
    virtual void Repaint() = 0;
};

// PopulateDefaultTree: options, the root, "A".."Z" and "Other" under it, root expanded.
void PopulateDefaultTree(ContactTree& tree);

class MemoryContactTree : public ContactTree {
public:
    struct Node {
        std::string key, text, parentKey, tag;
        int image = 0;
        bool expanded = false;
        std::vector<std::size_t> children;  // indexes into nodes(), in insertion order
    };

    void SetDisplayOptions() override { displayOptionsSet_ = true; }
    bool Add(const std::string& parentKey, const std::string& key, const std::string& text,
             int image) override;
    bool Contains(const std::string& key) const override;
    std::optional<std::string> Tag(const std::string& key) const override;
    bool SetTag(const std::string& key, const std::string& tag) override;
    bool SetRecord(const std::string& key, const ContactFields& fields) override;
    bool SetText(const std::string& key, const std::string& text) override;
    bool Expand(const std::string& key) override;
    void RemoveContacts() override;
    void Reserve(std::size_t count) override;
    void Repaint() override { ++repaints_; }

    const std::vector<Node>& nodes() const { return nodes_; }  // in insertion order
    const Node* Find(const std::string& key) const;
    // Nodes in tree order (depth first, children in insertion order) with their depth.
    std::vector<std::pair<const Node*, int>> InTreeOrder() const;
    bool displayOptionsSet() const { return displayOptionsSet_; }
    int repaints() const { return repaints_; }

private:
    // The node of that key, or npos; the node added last is asked for most often.
    std::size_t IndexOf(const std::string& key) const;

    std::vector<Node> nodes_;
    std::vector<std::size_t> roots_;
    std::unordered_map<std::string, std::size_t> index_;
    bool displayOptionsSet_ = false;
    int repaints_ = 0;
};

} // namespace tallowby
