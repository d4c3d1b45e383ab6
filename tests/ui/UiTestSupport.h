// Helpers of the window tests: recording services, one main window in a temporary
// folder of its own, and a person's hands. A click is a press and a release of the
// mouse at a control's place in its top-level window, so that whatever lies on top
// there receives it; keys go to the window that has the focus.
#pragma once

#include "ui/ClickLabel.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <optional>

namespace tallowby::test {

// Records the message boxes ("title: text") and the ShellOpen calls ("open text") in
// the order they come; onEvent runs while a box is up or as the shell opens.
struct Recorder : MessageBoxes, Shell {
    QStringList log;
    std::function<void()> onEvent;
    void Show(const std::string& text, const std::string& title) override {
        Add(title + ": " + text);
    }
    void ShellOpen(const std::string& text) override { Add("open " + text); }
    void Add(const std::string& entry) {
        log << QString::fromStdString(entry);
        if (onEvent) onEvent();
    }
};

// Answers the file dialog from a script: a name is a choice; an empty name, or an
// empty script, is a cancel.
struct ScriptedFiles : FilePicker {
    QStringList answers;
    std::vector<OpenFileRequest> requests;
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest& request) override {
        requests.push_back(request);
        const QString name = answers.isEmpty() ? QString() : answers.takeFirst();
        return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
    }
};

// Press and release at `at` (control coordinates; its centre when not given).
inline void Click(QWidget* control, std::optional<QPoint> at = {},
                  Qt::MouseButton button = Qt::LeftButton) {
    QWidget* top = control->window();
    const QPoint point = control->mapTo(top, at.value_or(control->rect().center()));
    QTest::mousePress(top->windowHandle(), button, {}, point);
    QTest::mouseRelease(top->windowHandle(), button, {}, point);
}

// A key, with modifiers, as pressed while `top` is the active window.
inline void Key(QWidget* top, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(top->windowHandle(), key, modifiers);
}

// Text typed into the widget that has the keyboard focus.
inline void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

// Scans and exports run on a worker thread: waits until the window's run has ended.
template <class Window>
void WaitForRun(const Window* window) {
    QTRY_VERIFY_WITH_TIMEOUT(!window->Running(), 60000);
}

inline QString FocusName() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

// The visible, enabled buttons and links of a window that are not the widget found at
// their own centre: something lies above them and would take their clicks.
inline QStringList Covered(QWidget* top) {
    QStringList covered;
    QList<QWidget*> controls;
    for (auto* button : top->findChildren<QAbstractButton*>()) controls << button;
    for (auto* link : top->findChildren<ClickLabel*>()) controls << link;
    for (QWidget* control : controls) {
        if (!control->isVisible() || !control->isEnabled() || control->window() != top) continue;
        QWidget* found = top->childAt(control->mapTo(top, control->rect().center()));
        if (found != control && !control->isAncestorOf(found)) covered << control->objectName();
    }
    return covered;
}

// Runs fn on the modal dialog T once it is shown (its exec() has started), then closes
// it if fn left it open, so that a failed check cannot hang the test. Watches for the
// dialog from the event loop, since the click that opens it lets events run first.
template <class T, class Fn>
void WhenModal(QWidget* owner, Fn fn) {
    auto* watch = new QTimer(owner);
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(watch, &QTimer::timeout, owner, [owner, fn, watch, waited] {
        T* dialog = owner->findChild<T*>();
        if (!dialog || !dialog->isVisible()) {
            if (waited->elapsed() < 10000) return;
            QTest::qFail("the modal window did not open", __FILE__, __LINE__);
        } else {
            if (!QTest::qWaitForWindowExposed(dialog)) qWarning("the modal window is not exposed");
            fn(dialog);
            if (owner->findChild<T*>() == dialog && dialog->isVisible()) dialog->reject();
        }
        watch->stop();
        watch->deleteLater();
        delete waited;
    });
    watch->start(5);
}

// One main window with recording services, in a temporary folder of its own, where
// the program's settings live too.
struct Fixture {
    Fixture() : window(UiServices{rec, files, rec}) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);  // else nothing is painted
        window.activateWindow();
    }
    template <class T = QWidget>
    T* Find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("ContactsTreeView"); }
    QLineEdit* PathBox() { return Find<QLineEdit>("txtNotesDatabaseFile"); }

    // A copy of the sample book in this test's folder.
    QString CopySample(const QString& name = QStringLiteral("names.dxl")) {
        const QString target = dir.filePath(name);
        QFile::copy(QStringLiteral(TALLOWBY_EXAMPLES_DIR "/names.dxl"), target);
        return target;
    }
    void BrowseAndScan(const QString& path) {
        files.answers = {path};
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
    QStringList Contacts() {
        QStringList contacts;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->parent() && (*it)->parent()->parent())
                contacts << (*it)->parent()->text(0) + "/" + (*it)->text(0);
        return contacts;
    }
    QTreeWidgetItem* Node(const QString& text) {
        return Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    // Opens the node's category with a click on its expander, then clicks the node.
    void ClickNode(QTreeWidgetItem* item) {
        QTreeWidget* tree = Tree();
        if (QTreeWidgetItem* category = item->parent(); category && category->parent() &&
                                                         !category->isExpanded()) {
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
    ScriptedFiles files;
    FrmMain window;
    bool exposed = false;
};

} // namespace tallowby::test
