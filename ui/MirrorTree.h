// The contact tree as a scan on the worker thread sees it: a copy of the tree's
// model (keys, parents, tags) taken when the scan starts, which answers Add,
// Contains and Tag exactly as the tree on screen would, and posts every change to
// the window's thread, where it is applied to that tree in the same order.
#pragma once

#include "addressbook/ContactTree.h"

#include <string>
#include <unordered_map>

class QTreeWidget;

namespace tallowby {

class QtContactTree;
class UiQueue;

class MirrorContactTree : public ContactTree {
public:
    // On the window's thread: copies the model of `tree`, shown by `widget`.
    MirrorContactTree(QtContactTree& tree, const QTreeWidget* widget, UiQueue& queue);

    void SetDisplayOptions() override;
    bool Add(const std::string& parentKey, const std::string& key, const std::string& text,
             int image) override;
    bool Contains(const std::string& key) const override;
    std::optional<std::string> Tag(const std::string& key) const override;
    bool SetTag(const std::string& key, const std::string& tag) override;
    bool SetRecord(const std::string& key, const ContactFields& fields) override;
    bool SetText(const std::string& key, const std::string& text) override;
    bool Expand(const std::string& key) override;
    void RemoveContacts() override;
    void Reserve(std::size_t count) override { nodes_.reserve(nodes_.size() + count); }
    // The window repaints by itself while a run works on another thread.
    void Repaint() override {}

private:
    struct Node {
        int depth = 0;  // 0 the root, 1 a category, 2 a contact
        std::string tag;
    };

    QtContactTree& tree_;
    UiQueue& queue_;
    std::unordered_map<std::string, Node> nodes_;
};

} // namespace tallowby
