// FrmMain's contacts: the tree narrowed by the filter box, the contact shown in the
// details panel, the keys of the tree and the filter box, and a book dropped on the
// window.
#include "ui/FrmMain.h"

#include "ui_FrmMain.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace tallowby {

namespace {

// The local file a drop brings, if it brings one.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

void FrmMain::txtFilter_Change() {
    if (scan_->outcome == ScanOutcome::Completed) ShowTree();
}

// The scan's tree, narrowed to what the filter box holds; the contact shown is
// selected whenever it is in the tree.
void FrmMain::ShowTree() {
    const std::string& selected = shownKey_;
    const bool wasFocused = ui_->ContactsTreeView->hasFocus();
    {
        const QSignalBlocker quiet(ui_->ContactsTreeView);
        tree_.Show(filter_.Narrow(scan_->tree, ui_->txtFilter->text().toStdString()));
        if (QTreeWidgetItem* again = selected.empty() ? nullptr : tree_.Find(selected)) {
            ui_->ContactsTreeView->setCurrentItem(again);
            ui_->ContactsTreeView->scrollToItem(again);
        }
    }
    if (wasFocused) ui_->ContactsTreeView->setFocus();
}

void FrmMain::ContactsTreeView_NodeClick(QTreeWidgetItem* node) {
    const long contact = QtContactTree::ContactOf(node);
    if (contact < 0 || static_cast<std::size_t>(contact) >= scan_->contacts.size()) return;  // the root, a letter
    // The fields as the contact record gives them, read from the scan's document.
    shownKey_ = QtContactTree::KeyOf(node);
    panel_.Show(*scan_->contacts[static_cast<std::size_t>(contact)].document);
}

// A file dropped on the window goes into the path box and is scanned.
void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!run_.Running() && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (run_.Running() || file.isEmpty()) return;
    event->acceptProposedAction();
    ui_->txtNotesDatabaseFile->setText(file);
    CmdEnumerateNotes_Click();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // Esc in the filter box empties it.
    if (watched == ui_->txtFilter && key->key() == Qt::Key_Escape && !ui_->txtFilter->text().isEmpty()) {
        ui_->txtFilter->clear();
        return true;
    }
    // Left on a contact goes to its letter at once (the way back from Right).
    QTreeWidget* tree = ui_->ContactsTreeView;
    const bool back = key->key() == (tree->layoutDirection() == Qt::RightToLeft ? Qt::Key_Right : Qt::Key_Left);
    if (watched == tree && back && key->modifiers() == Qt::NoModifier) {
        QTreeWidgetItem* current = tree->currentItem();
        if (QtContactTree::ContactOf(current) >= 0 && current->parent()) {
            tree->setCurrentItem(current->parent());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace tallowby
