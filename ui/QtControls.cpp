#include "ui/QtControls.h"

#include <QAbstractItemView>
#include <QPalette>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <unordered_map>
#include <utility>

namespace tallowby {

QtContactTree::QtContactTree(QTreeWidget* tree, std::array<QIcon, 3> icons) : tree_(tree), icons_(std::move(icons)) {}

void QtContactTree::SetDisplayOptions() {
    QPalette palette = tree_->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    tree_->setPalette(palette);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setRootIsDecorated(true);
    tree_->setItemsExpandable(true);
}

void QtContactTree::Show(const ContactTree& tree) {
    tree_->clear();
    const auto& nodes = tree.nodes();
    std::vector<QTreeWidgetItem*> items(nodes.size());
    std::unordered_map<std::string, std::size_t> indexOf;
    indexOf.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const ContactTree::Node& node = nodes[i];
        indexOf.emplace(node.key, i);
        auto* item = new QTreeWidgetItem;
        const QString text = QString::fromStdString(node.text);
        item->setText(0, text);
        // The text is always plain, and the whole of it is the tooltip of a narrow tree.
        item->setToolTip(0, QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped()));
        if (node.image >= 1 && node.image <= static_cast<int>(icons_.size()))
            item->setIcon(0, icons_[static_cast<std::size_t>(node.image - 1)]);
        item->setData(0, KeyRole, QString::fromStdString(node.key));
        item->setData(0, ContactRole, node.contact == kNoContact ? -1 : static_cast<qlonglong>(node.contact));
        items[i] = item;
    }
    // Each parent takes its children in one insertion, in their order: the view sees
    // one change per parent, not one per node.
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].children.empty()) continue;
        QList<QTreeWidgetItem*> children;
        children.reserve(static_cast<qsizetype>(nodes[i].children.size()));
        for (const std::size_t child : nodes[i].children) children.append(items[child]);
        items[i]->addChildren(children);
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].parentKey.empty()) tree_->addTopLevelItem(items[i]);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].expanded && !nodes[i].children.empty()) items[i]->setExpanded(true);
}

QTreeWidgetItem* QtContactTree::Find(const std::string& key) const {
    const QString wanted = QString::fromStdString(key);
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->data(0, KeyRole).toString() == wanted) return *it;
    return nullptr;
}

std::string QtContactTree::KeyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, KeyRole).toString().toStdString() : std::string();
}

long QtContactTree::ContactOf(const QTreeWidgetItem* item) {
    return item ? static_cast<long>(item->data(0, ContactRole).toLongLong()) : -1;
}

} // namespace tallowby
