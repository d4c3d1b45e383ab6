#include "ui/QtControls.h"

#include "ui/ContactPanel.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <utility>

namespace tallowby {

void QtControl::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }

void QtControl::SetVisible(bool visible) {
    widget_->setVisible(visible);
    if (visible) widget_->raise();  // a panel shown over other controls lies on top
}

void QtProgressBar::SetMinimum(int32_t value) { bar_->setMinimum(value); }
void QtProgressBar::SetMaximum(int32_t value) { bar_->setMaximum(value); }
void QtProgressBar::SetValue(int32_t value) { bar_->setValue(value); }
void QtProgressBar::SetVisible(bool visible) { bar_->setVisible(visible); }
void QtProgressBar::Repaint() { bar_->repaint(); }

std::string QtTextSource::Text() const { return edit_->text().toStdString(); }

QtContactTree::QtContactTree(QTreeWidget* tree, std::array<QIcon, 3> icons)
    : tree_(tree), icons_(std::move(icons)) {}

void QtContactTree::SetDisplayOptions() {
    // The selection stays highlighted when the tree loses the focus.
    QPalette palette = tree_->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    }
    tree_->setPalette(palette);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setRootIsDecorated(true);
    tree_->setItemsExpandable(true);
}

bool QtContactTree::Add(const std::string& parentKey, const std::string& key,
                        const std::string& text, int image) {
    const QString qkey = QString::fromStdString(key);
    if (nodes_.contains(qkey)) return false;
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.empty()) {
        const Node* parentNode = FindNode(parentKey);
        if (!parentNode) return false;
        parent = parentNode->item;
    }
    auto* item = new QTreeWidgetItem;
    if (image >= 1 && image <= static_cast<int>(icons_.size())) {
        item->setIcon(0, icons_[static_cast<std::size_t>(image - 1)]);
    }
    item->setData(0, KeyRole, qkey);
    if (parent && batches_ > 0) {
        QList<QTreeWidgetItem*>& children = pendingChildren_[parent];
        if (children.isEmpty()) pendingParents_.push_back(parent);
        children.append(item);
    } else if (parent) {
        parent->addChild(item);
    } else {
        JoinPending();
        tree_->addTopLevelItem(item);
    }
    Show(*nodes_.insert(qkey, Node{item, std::string(), text, {}}));
    return true;
}

void QtContactTree::JoinPending() {
    // Parents in the order they first took a child, each child in the order it came:
    // the same tree as adding them one by one.
    for (QTreeWidgetItem* parent : std::exchange(pendingParents_, {}))
        parent->addChildren(pendingChildren_.take(parent));
    for (QTreeWidgetItem* item : std::exchange(pendingExpanded_, {})) item->setExpanded(true);
}

const QtContactTree::Node* QtContactTree::FindNode(const std::string& key) const {
    const auto it = nodes_.constFind(QString::fromStdString(key));
    return it == nodes_.constEnd() ? nullptr : &it.value();
}

QTreeWidgetItem* QtContactTree::Find(const std::string& key) const {
    const Node* node = FindNode(key);
    return node ? node->item : nullptr;
}

std::string QtContactTree::KeyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, KeyRole).toString().toStdString() : std::string();
}

std::string QtContactTree::TagOf(const QTreeWidgetItem* item) const {
    const Node* node = item ? FindNode(KeyOf(item)) : nullptr;
    return node && node->item == item ? node->tag : std::string();
}

std::vector<std::string> QtContactTree::FieldsOf(const QTreeWidgetItem* item) const {
    const Node* node = item ? FindNode(KeyOf(item)) : nullptr;
    if (!node || node->item != item || node->tag.empty()) return {};
    if (node->ends.empty()) return SplitTag(node->tag);
    std::vector<std::string> fields;
    fields.reserve(node->ends.size());
    std::size_t start = 0;
    for (const uint32_t end : node->ends) {
        fields.push_back(node->tag.substr(start, end - start));
        start = end + 1;  // past the separator
    }
    return fields;
}

bool QtContactTree::Contains(const std::string& key) const { return FindNode(key) != nullptr; }

std::optional<std::string> QtContactTree::Tag(const std::string& key) const {
    const Node* node = FindNode(key);
    if (!node) return std::nullopt;
    return node->tag;
}

bool QtContactTree::SetTag(const std::string& key, const std::string& tag) {
    const auto it = nodes_.find(QString::fromStdString(key));
    if (it == nodes_.end()) return false;
    it.value().tag = tag;
    it.value().ends.clear();
    Show(it.value());
    return true;
}

bool QtContactTree::SetRecord(const std::string& key, const ContactFields& fields) {
    const auto it = nodes_.find(QString::fromStdString(key));
    if (it == nodes_.end()) return false;
    Node& node = it.value();
    node.tag = RecordText(fields);
    node.ends.clear();
    if (node.tag.size() < UINT32_MAX) {
        node.ends.reserve(fields.size());
        std::size_t end = 0;
        for (const std::string& field : fields) {
            end += field.size();
            node.ends.push_back(static_cast<uint32_t>(end));
            ++end;  // the separator
        }
    }
    Show(node);
    return true;
}

bool QtContactTree::SetText(const std::string& key, const std::string& text) {
    const auto it = nodes_.find(QString::fromStdString(key));
    if (it == nodes_.end()) return false;
    it.value().text = text;
    Show(it.value());
    return true;
}

void QtContactTree::Show(const Node& node) {
    // A contact without a name shows its e-mail address, else "(no name)". The text is
    // always plain, and the whole of it is the tooltip of a narrow tree.
    QString shown = QString::fromStdString(node.text);
    if (shown.isEmpty() && !node.tag.empty()) {
        std::string email;
        if (node.ends.size() > kEmailIndex) {
            const std::size_t start = node.ends[kEmailIndex - 1] + 1;
            email = node.tag.substr(start, node.ends[kEmailIndex] - start);
        } else if (const auto fields = SplitTag(node.tag); fields.size() > kEmailIndex) {
            email = fields[kEmailIndex];
        }
        shown = email.empty() ? QStringLiteral("(no name)") : QString::fromStdString(email);
    }
    node.item->setText(0, shown);
    node.item->setToolTip(0, QStringLiteral("<p style='white-space:pre'>%1</p>")
                                 .arg(shown.toHtmlEscaped()));
}

void QtContactTree::RemoveContacts() {
    JoinPending();
    // Contact nodes lie two levels down: root, category, contact.
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        const QTreeWidgetItem* item = it.value().item;
        if (item->parent() && item->parent()->parent())
            it = nodes_.erase(it);
        else
            ++it;
    }
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = tree_->topLevelItem(i);
        for (int j = 0; j < root->childCount(); ++j) qDeleteAll(root->child(j)->takeChildren());
    }
}

bool QtContactTree::Expand(const std::string& key) {
    QTreeWidgetItem* item = Find(key);
    if (!item) return false;
    if (batches_ > 0 && item->treeWidget() == nullptr)
        pendingExpanded_.push_back(item);  // when it has joined the tree
    else
        item->setExpanded(true);
    return true;
}

void QtContactTree::Repaint() { tree_->repaint(); }

} // namespace tallowby
