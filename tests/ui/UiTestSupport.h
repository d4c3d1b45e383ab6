// Helpers of the window tests: recording services, one main window in a temporary
// folder of its own, and a person's hands. A click is a press and a release of the
// mouse at a control's place in its top-level window, so that whatever lies on top
// there receives it; keys go to the window that has the focus.
#pragma once

#include "ui/FrmMain.h"
#include "ui/Module1.h"

#include <QtTest>
#include <QtWidgets>

#include <optional>

namespace tallowby::test {

// Records the message boxes ("title: text"), the questions ("title? text") and
// ShellOpen ("open text") in order. The file dialogs answer from a script: a name is
// a choice; an empty name, or an empty script, is a cancel. The questions answer
// from theirs: true for the first button; an empty script answers false.
struct Recorder : MessageBoxes, Shell, FilePicker {
    QStringList log, answers;
    QList<bool> replies;
    std::vector<OpenFileRequest> requests;
    void Show(const std::string& text, const std::string& title) override {
        log << QString::fromStdString(title + ": " + text);
    }
    bool Ask(const std::string& text, const std::string& title, const std::string& yes,
             const std::string& no) override {
        log << QString::fromStdString(title + "? " + text + " [" + yes + "|" + no + "]");
        return !replies.isEmpty() && replies.takeFirst();
    }
    std::optional<QString> ShowSave(QWidget* owner, const OpenFileRequest& request) override {
        return ShowOpen(owner, request);
    }
    void ShellOpen(const std::string& text) override { log << QString::fromStdString("open " + text); }
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest& request) override {
        requests.push_back(request);
        const QString name = answers.isEmpty() ? QString() : answers.takeFirst();
        return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
    }
};

// Press and release at `at` (control coordinates; its centre when not given).
inline void Click(QWidget* control, std::optional<QPoint> at = {}, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* top = control->window();
    const QPoint point = control->mapTo(top, at.value_or(control->rect().center()));
    QTest::mousePress(top->windowHandle(), button, {}, point);
    QTest::mouseRelease(top->windowHandle(), button, {}, point);
}
// A key pressed while `top` is the active window; text typed into the focused widget.
inline void Key(QWidget* top, Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(top->windowHandle(), key, mods); }
inline void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
inline QString FocusName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }

// Scans and exports run on a worker thread: waits until the window's run has ended.
template <class Window>
void WaitForRun(const Window* window) { QTRY_VERIFY_WITH_TIMEOUT(!window->Running(), 60000); }

// Runs fn on the modal dialog T once its exec() has shown it, then closes it if fn
// left it open, so that a failed check cannot hang the test. Watched for from the
// event loop: the click that opens it may let events run first.
template <class T, class Fn>
void WhenModal(QWidget* owner, Fn fn) {
    auto* watch = new QTimer(owner);
    QObject::connect(watch, &QTimer::timeout, owner, [owner, fn, watch] {
        T* dialog = owner->findChild<T*>();
        if (!dialog || !dialog->isVisible()) return;
        watch->stop();
        watch->deleteLater();
        if (!QTest::qWaitForWindowExposed(dialog)) qWarning("the modal window is not exposed");
        fn(dialog);
        if (owner->findChild<T*>() == dialog && dialog->isVisible()) dialog->reject();
    });
    watch->start(5);
}

// The settings of the program in `dir`, set before the window that reads them exists.
inline QTemporaryDir& WithSettingsIn(QTemporaryDir& dir) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
    return dir;
}

// One main window with recording services, in a temporary folder of its own, where
// the program's settings live too.
struct Fixture {
    Fixture() : window((WithSettingsIn(dir), UiServices{rec, rec, rec})) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) qWarning("the main window is not exposed");
        window.activateWindow();
    }
    template <class T = QWidget>
    T* Find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("ContactsTreeView"); }
    QLineEdit* PathBox() { return Find<QLineEdit>("txtNotesDatabaseFile"); }

    QString CopySample() {
        QFile::copy(QStringLiteral(TALLOWBY_EXAMPLES_DIR "/names.dxl"), dir.filePath("names.dxl"));
        return dir.filePath("names.dxl");
    }
    void BrowseAndScan(const QString& path) {
        rec.answers = {path};
        Click(Button("CmdBrowse"));
        Click(Button("CmdEnumerateNotes"));
        WaitForRun(&window);
    }
    // Which of the workflow's switches are on.
    QStringList On() {
        QStringList on;
        if (Button("CmdEnumerateNotes")->isEnabled()) on << "scan";
        if (Button("CmdContactsCreate")->isEnabled()) on << "export";
        if (Find("LblRead")->isVisible()) on << "label";
        if (Find("ProgBarScanNotes")->isVisible()) on << "bar";
        return on;
    }
    // "Letter/Name" of each contact node (the letter without its count).
    QStringList Contacts() {
        QStringList contacts;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->parent() && (*it)->parent()->parent())
                contacts << (*it)->parent()->text(0).section(' ', 0, 0) + "/" + (*it)->text(0);
        return contacts;
    }
    QTreeWidgetItem* Node(const QString& text) {
        return Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    // Opens the node's category with a click on its expander, then clicks the node.
    void ClickNode(QTreeWidgetItem* item) {
        QTreeWidget* tree = Tree();
        if (QTreeWidgetItem* category = item->parent(); category && category->parent() && !category->isExpanded()) {
            const QRect row = tree->visualItemRect(category);
            Click(tree->viewport(), QPoint(row.left() - tree->indentation() / 2, row.center().y()));
        }
        tree->scrollToItem(item);  // as the scroll bar would
        Click(tree->viewport(), tree->visualItemRect(item).center());
    }
    QString Box(const char* name) {
        auto* multi = Find<QPlainTextEdit>(name);
        return multi ? multi->toPlainText() : Find<QLineEdit>(name)->text();
    }

    QTemporaryDir dir;
    Recorder rec;
    FrmMain window;
};

} // namespace tallowby::test
