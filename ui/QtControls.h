// Qt widgets behind the interfaces that the scan and the export drive: a control
// that can be enabled and shown, a progress bar, a text box and the contact tree.
#pragma once

#include "addressbook/ContactTree.h"
#include "addressbook/Controls.h"

#include <QHash>
#include <QIcon>
#include <QString>

#include <array>

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
// and in a hash from key to item, so that finding a node by key costs the same for
// the 28th node as for the 30,000th; the tag is kept in the item (TagRole).
class QtContactTree : public ContactTree {
public:
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int TagRole = Qt::UserRole + 2;

    // icons: the tree's image list, image 1 at index 0.
    QtContactTree(QTreeWidget* tree, std::array<QIcon, 3> icons);

    void SetDisplayOptions() override;
    bool Add(const std::string& parentKey, const std::string& key, const std::string& text,
             int image) override;
    bool Contains(const std::string& key) const override;
    std::optional<std::string> Tag(const std::string& key) const override;
    bool SetTag(const std::string& key, const std::string& tag) override;
    bool SetText(const std::string& key, const std::string& text) override;
    bool Expand(const std::string& key) override;
    void Repaint() override;

    QTreeWidgetItem* Find(const std::string& key) const;
    static std::string KeyOf(const QTreeWidgetItem* item);

private:
    QTreeWidget* tree_;
    std::array<QIcon, 3> icons_;
    QHash<QString, QTreeWidgetItem*> items_;
};

} // namespace tallowby
