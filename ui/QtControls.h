// The contact tree on a QTreeWidget: shows the tree a scan returned (ContactTree.h),
// its nodes in one insertion per parent, each contact node knowing its place in the
// scan's list of contacts.
#pragma once

#include "addressbook/ContactTree.h"

#include <QIcon>

#include <array>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace tallowby {

class QtContactTree {
public:
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int ContactRole = Qt::UserRole + 2;  // the contact's index, -1 for other nodes

    // icons: the tree's image list, image 1 at index 0.
    QtContactTree(QTreeWidget* tree, std::array<QIcon, 3> icons);

    // Tree options: the selection stays highlighted when the tree loses the focus;
    // texts cannot be edited; lines between root nodes.
    void SetDisplayOptions();
    // Replaces what the widget shows by `tree`.
    void Show(const ContactTree& tree);

    QTreeWidgetItem* Find(const std::string& key) const;
    static std::string KeyOf(const QTreeWidgetItem* item);
    // The index of the contact shown by item in the scan's list; -1 for the root, a
    // category or no item.
    static long ContactOf(const QTreeWidgetItem* item);

private:
    QTreeWidget* tree_;
    std::array<QIcon, 3> icons_;
};

} // namespace tallowby
