// What the keyboard and assistive technology reach in every window, offscreen: the
// tab order, the letters that jump to a box, and what only shows for a moment. (The
// names a screen reader reads are checked through AT-SPI by e2e_desktop.py.)
#include "tests/ui/UiTestSupport.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"

#include <QAccessible>

using namespace tallowby;
using namespace tallowby::test;

namespace {

// The widgets Tab visits from the focused one until it comes back to it.
QStringList TabCycle(QWidget* top) {
    QWidget* start = QApplication::focusWidget();
    QStringList cycle{start->objectName()};
    for (int i = 0; i < 200; ++i) {
        Key(top, Qt::Key_Tab);
        if (QApplication::focusWidget() == start) return cycle;
        cycle << FocusName();
    }
    return cycle << "(no way back)";
}

// Every shown control that takes the focus by Tab is reached by Tab, once.
void CheckTabCycle(QWidget* top) {
    QStringList cycle = TabCycle(top), reachable;
    QVERIFY2(cycle.removeDuplicates() == 0, qPrintable(cycle.join(' ')));
    for (QWidget* w : top->findChildren<QWidget*>())
        if (w->window() == top && w->isVisible() && w->isEnabled() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            reachable << w->objectName();
    cycle.sort(), reachable.sort();
    QCOMPARE(cycle, reachable);
}

// Every shown control that takes the focus has a name for assistive technology.
void CheckNamed(QWidget* top) {
    QStringList unnamed;
    for (QWidget* w : top->findChildren<QWidget*>())
        if (w->window() == top && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            !w->focusProxy() && QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << w->objectName();
    QCOMPARE(unnamed, QStringList());
}

} // namespace

class UiAccessTest : public QObject {
    Q_OBJECT
private slots:
    void tabOrderVisitsEachControlOnce() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        Click(f.PathBox());
        // The first page in reading order: the file row, the filter and the tree, the
        // name block, the tab strip, the page's boxes (no footer link: this build names
        // no web site).
        QCOMPARE(TabCycle(&f.window).join(" "),
                 "txtNotesDatabaseFile CmdBrowse CmdContactsCreate txtFilter ContactsTreeView txtFirstName "
                 "txtMiddleName txtLastName txtTitle txtSuffix txtEmail TabStrip1 txtCompany "
                 "txtJobTitle txtBusinessStreet txtBusinessCity txtBusinessZip txtBusinessState "
                 "txtBusinessCountry txtBusinessLocation txtBusinessWebpage txtBusinessDept "
                 "txtBusinessManager txtBusinessAssistant");
        CheckNamed(&f.window);
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int page = 1; page < tabs->count(); ++page) {
            Click(tabs, tabs->tabRect(page).center());
            CheckTabCycle(&f.window);
        }
        // The reading bar, shown only during a scan, is named by the label beside it.
        QCOMPARE(QAccessible::queryAccessibleInterface(f.Find("ProgBarScanNotes"))->text(QAccessible::Name),
                 "Reading Notes Address Book");
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            CheckTabCycle(dialog);
            CheckNamed(dialog);
            // The format chosen, the file and Save As, then the start button.
            QCOMPARE(TabCycle(dialog).mid(0, 4).join(" "), "CmdConversion optXls txtTarget CmdSaveAs");  // the CSV option: for CSV only
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            WaitForRun(dialog);
            QCOMPARE(TabCycle(dialog), (QStringList{"LblOpenExcelFile", "CmdCloseAll"}));
            CheckNamed(dialog);
            // A screen reader's press on the link opens the worksheet.
            QAccessible::queryAccessibleInterface(dialog->findChild<QWidget*>("LblOpenExcelFile"))
                ->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(f.rec.log.last(), "open " + f.dir.filePath("names.xls"));
        });
        Click(f.Button("CmdContactsCreate"));
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) { CheckTabCycle(about); });
        f.window.mnuAbout_Click();
    }

    // On every page the letters of the visible labels, buttons and menus differ, and
    // Alt and a label's letter puts the focus in its box.
    void mnemonicsReachTheirBoxes() {
        Fixture f;
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        int reached = 0;
        for (int page = 0; page < tabs->count(); ++page) {
            Click(tabs, tabs->tabRect(page).center());
            QStringList keys, letters;
            QList<QLabel*> labels;
            for (QAction* menu : f.Find<QMenuBar>("menubar")->actions()) keys << menu->text();
            for (auto* button : f.window.findChildren<QAbstractButton*>())
                if (button->isVisible()) keys << button->text();
            for (auto* label : f.window.findChildren<QLabel*>()) {
                if (!label->isVisible() || !label->buddy()) continue;
                keys << label->text();
                labels << label;
            }
            for (const QString& text : keys)
                if (const QKeySequence key = QKeySequence::mnemonic(text); !key.isEmpty()) letters << key.toString();
            QStringList unique = letters;
            QVERIFY2(unique.removeDuplicates() == 0, qPrintable(letters.join(' ')));
            for (QLabel* label : labels) {
                const QKeySequence key = QKeySequence::mnemonic(label->text());
                if (key.isEmpty() || !label->buddy()->isEnabled()) continue;
                QTest::keySequence(f.window.windowHandle(), key);
                QCOMPARE(QApplication::focusWidget(), label->buddy());
                ++reached;
            }
        }
        QCOMPARE(reached, 73);  // six pages; the name block's seven on each
    }
};

QTEST_MAIN(UiAccessTest)
#include "tst_ui_access.moc"
