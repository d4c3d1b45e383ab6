#include "ui/MirrorTree.h"

#include "ui/QtControls.h"
#include "ui/UiQueue.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace tallowby {

namespace {

// The tree on screen keys its nodes by QString: a key that is not valid UTF-8 is
// the key it becomes there.
std::string AsShown(const std::string& key) {
    for (const char c : key)
        if (static_cast<unsigned char>(c) >= 0x80) return QString::fromStdString(key).toStdString();
    return key;
}

} // namespace

MirrorContactTree::MirrorContactTree(QtContactTree& tree, const QTreeWidget* widget, UiQueue& queue)
    : tree_(tree), queue_(queue) {
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(widget)); *it; ++it) {
        int depth = 0;
        for (const QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) ++depth;
        nodes_.emplace(QtContactTree::KeyOf(*it), Node{depth, tree.TagOf(*it)});
    }
}

void MirrorContactTree::SetDisplayOptions() {
    queue_.Post([&tree = tree_] { tree.SetDisplayOptions(); });
}

bool MirrorContactTree::Add(const std::string& parentKey, const std::string& key,
                            const std::string& text, int image) {
    if (nodes_.count(AsShown(key))) return false;
    int depth = 0;
    if (!parentKey.empty()) {
        const auto parent = nodes_.find(AsShown(parentKey));
        if (parent == nodes_.end()) return false;
        depth = parent->second.depth + 1;
    }
    nodes_.emplace(AsShown(key), Node{depth, std::string()});
    queue_.Post([&tree = tree_, parentKey, key, text, image] { tree.Add(parentKey, key, text, image); });
    return true;
}

bool MirrorContactTree::Contains(const std::string& key) const { return nodes_.count(AsShown(key)) != 0; }

std::optional<std::string> MirrorContactTree::Tag(const std::string& key) const {
    const auto it = nodes_.find(AsShown(key));
    if (it == nodes_.end()) return std::nullopt;
    return it->second.tag;
}

bool MirrorContactTree::SetTag(const std::string& key, const std::string& tag) {
    const auto it = nodes_.find(AsShown(key));
    if (it == nodes_.end()) return false;
    it->second.tag = tag;
    queue_.Post([&tree = tree_, key, tag] { tree.SetTag(key, tag); });
    return true;
}

bool MirrorContactTree::SetRecord(const std::string& key, const ContactFields& fields) {
    const auto it = nodes_.find(AsShown(key));
    if (it == nodes_.end()) return false;
    it->second.tag = RecordText(fields);
    queue_.Post([&tree = tree_, key, fields] { tree.SetRecord(key, fields); });
    return true;
}

bool MirrorContactTree::SetText(const std::string& key, const std::string& text) {
    if (!Contains(key)) return false;
    queue_.Post([&tree = tree_, key, text] { tree.SetText(key, text); });
    return true;
}

bool MirrorContactTree::Expand(const std::string& key) {
    if (!Contains(key)) return false;
    queue_.Post([&tree = tree_, key] { tree.Expand(key); });
    return true;
}

void MirrorContactTree::RemoveContacts() {
    std::erase_if(nodes_, [](const auto& node) { return node.second.depth >= 2; });
    queue_.Post([&tree = tree_] { tree.RemoveContacts(); });
}

} // namespace tallowby
