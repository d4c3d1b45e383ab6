// Qt widgets behind the interfaces that the scan and the export drive: a control
// that can be enabled and shown, a progress bar, a text box and the contact tree.
#pragma once

#include "addressbook/ContactTree.h"
#include "addressbook/Controls.h"

#include <QHash>
#include <QIcon>
#include <QString>

#include <array>
#include <string>
#include <vector>

class QLineEdit;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tallowby {

class QtControl : public Control {
public:
    explicit QtControl(QWidget* widget) : widget_(widget) {}
    void SetEnabled(bool enabled) override;
    void SetVisible(bool visible) override;

private:
    QWidget* widget_;
};

class QtProgressBar : public ProgressBar {
public:
    explicit QtProgressBar(QProgressBar* bar) : bar_(bar) {}
    void SetMinimum(int32_t value) override;
    void SetMaximum(int32_t value) override;
    void SetValue(int32_t value) override;
    void SetVisible(bool visible) override;
    void Repaint() override;

private:
    QProgressBar* bar_;
};

class QtTextSource : public TextSource {
public:
    explicit QtTextSource(const QLineEdit* edit) : edit_(edit) {}
    std::string Text() const override;

private:
    const QLineEdit* edit_;
};

// The contact tree on a QTreeWidget. Every node's key is kept in its item (KeyRole)
// and in a hash from key to item and record, so that finding a node by key costs the
// same for the 28th node as for the 30,000th. Tags stay beside the hash as they came
// (UTF-8): the widget never shows them, and a scan sets 30,000 of them. A contact's
// record also keeps where each field ends in the tag, so that the details panel gets
// every field whole, whatever "|" the values hold.
class QtContactTree : public ContactTree {
public:
    static constexpr int KeyRole = Qt::UserRole + 1;

    // icons: the tree's image list, image 1 at index 0.
    QtContactTree(QTreeWidget* tree, std::array<QIcon, 3> icons);

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
    void Repaint() override;

    QTreeWidgetItem* Find(const std::string& key) const;
    static std::string KeyOf(const QTreeWidgetItem* item);
    // The tag of the node shown by item; empty for an item not in this tree.
    std::string TagOf(const QTreeWidgetItem* item) const;
    // The 42 fields of the contact shown by item, as the scan read them; a tag set as
    // plain text is split at "|". Empty for the root, a category or an unknown item.
    std::vector<std::string> FieldsOf(const QTreeWidgetItem* item) const;

    // While a Batch lives, the nodes added join the tree when it ends, each parent
    // taking its new children in one insertion, their texts and tags already set:
    // the view sees one change per parent, not several per node. Until then such a
    // node is found by its key but not shown; expanding it waits for the end too.
    class Batch {
    public:
        explicit Batch(QtContactTree& tree) : tree_(tree) { ++tree_.batches_; }
        ~Batch() {
            if (--tree_.batches_ == 0) tree_.JoinPending();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        QtContactTree& tree_;
    };

private:
    struct Node {
        QTreeWidgetItem* item = nullptr;
        std::string tag;
        std::string text;  // the display text the scan gave
        std::vector<uint32_t> ends;  // where each field ends in tag, when set as a record
    };
    const Node* FindNode(const std::string& key) const;
    static void Show(const Node& node);

    void JoinPending();

    QTreeWidget* tree_;
    std::array<QIcon, 3> icons_;
    QHash<QString, Node> nodes_;
    int batches_ = 0;
    std::vector<QTreeWidgetItem*> pendingParents_;  // in the order they first took a child
    QHash<QTreeWidgetItem*, QList<QTreeWidgetItem*>> pendingChildren_;
    std::vector<QTreeWidgetItem*> pendingExpanded_;
};

} // namespace tallowby
