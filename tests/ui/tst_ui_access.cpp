// What assistive technology and the keyboard get of every window, offscreen: the
// accessible names Qt hands to a screen reader, the tab order, and the letters that
// jump to a box.
#include "tests/ui/UiTestSupport.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"

#include <QAccessible>

#include <functional>

using namespace tallowby;
using tallowby::test::Click;
using tallowby::test::Fixture;
using tallowby::test::Key;
using tallowby::test::WhenModal;

namespace {

QString RoleName(QAccessible::Role role) {
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

// The inputs, buttons, links, choices and bars of a window that are shown but have no
// accessible name, as "objectName (Role)"; hidden parts and decoration are skipped.
QStringList Unnamed(QWidget* top) {
    static const QSet<QAccessible::Role> named = {
        QAccessible::EditableText, QAccessible::PushButton, QAccessible::Link,
        QAccessible::ProgressBar,  QAccessible::RadioButton, QAccessible::CheckBox,
        QAccessible::ComboBox,     QAccessible::Tree,        QAccessible::PageTabList,
        QAccessible::PageTab,      QAccessible::MenuItem,    QAccessible::Graphic};
    QStringList unnamed;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node || node->state().invisible) return;
        if (named.contains(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << node->object()->objectName() + " (" + RoleName(node->role()) + ")";
        if (node->role() == QAccessible::Tree) return;  // its items are the contacts' names
        for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(top));
    return unnamed;
}

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

// The widgets Tab visits from the focused one until it comes back to it.
QStringList TabCycle(QWidget* top) {
    QWidget* start = QApplication::focusWidget();
    QStringList cycle{start->objectName()};
    for (int i = 0; i < 200; ++i) {
        Key(top, Qt::Key_Tab);
        if (QApplication::focusWidget() == start) return cycle;
        cycle << test::FocusName();
    }
    return cycle << "(no way back)";
}

// The controls of a window a keyboard user must be able to reach.
QStringList Reachable(QWidget* top) {
    QStringList reachable;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (w->window() == top && w->isVisible() && w->isEnabled() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            reachable << w->objectName();
    }
    reachable.sort();
    return reachable;
}

// Every visible control is reached by Tab, once.
void CheckTabCycle(QWidget* top) {
    QStringList cycle = TabCycle(top);
    QVERIFY2(cycle.removeDuplicates() == 0, qPrintable(cycle.join(' ')));
    cycle.sort();
    QCOMPARE(cycle, Reachable(top));
}

} // namespace

class UiAccessTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName() {
        Fixture f;
        f.files.answers = {f.CopySample()};
        Click(f.Button("CmdBrowse"));  // the reading label names the bar it stands beside
        QCOMPARE(Accessible(f.Find("ProgBarScanNotes"))->text(QAccessible::Name),
                 "Reading Notes Address Book");
        QCOMPARE(Unnamed(&f.window), QStringList());
        Click(f.Button("CmdEnumerateNotes"));
        test::WaitForRun(&f.window);
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        // Each box is named by its label; the panel says whose details it shows.
        int labelled = 0;
        for (auto* label : f.window.findChildren<QLabel*>()) {
            if (!label->buddy()) continue;
            ++labelled;
            QCOMPARE(Accessible(label->buddy())->text(QAccessible::Name),
                     QString(label->text()).remove('&'));
        }
        QCOMPARE(labelled, 44);  // the path box, the reading bar and the 42 fields
        QCOMPARE(Accessible(f.Find("FrameContacts"))->text(QAccessible::Description),
                 "Jo|Ann Pemberton");
        QCOMPARE(Accessible(f.Find("ImgContact"))->text(QAccessible::Name), "Contact");
        for (const char* decoration : {"Image1", "Image2"}) {
            QAccessibleInterface* picture = Accessible(f.Find(decoration));
            QVERIFY(picture->state().invisible && picture->text(QAccessible::Name).isEmpty());
        }
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int page = 0; page < tabs->count(); ++page) {
            Click(tabs, tabs->tabRect(page).center());
            QCOMPARE(Unnamed(&f.window), QStringList());
        }
        QCOMPARE(Accessible(f.Find("LabelSiteFooter"))->role(), QAccessible::Link);

        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            QCOMPARE(Unnamed(dialog), QStringList());
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            test::WaitForRun(dialog);
            QCOMPARE(Unnamed(dialog), QStringList());
            QAccessibleInterface* link = Accessible(dialog->findChild<QWidget*>("LblOpenExcelFile"));
            QCOMPARE(link->role(), QAccessible::Link);
            QCOMPARE(link->text(QAccessible::Name), "Open Exported Excel File");
            link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(f.rec.log.last(), "open " + f.dir.filePath("names.xls"));
        });
        Click(f.Button("CmdContactsCreate"));
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) { QCOMPARE(Unnamed(about), QStringList()); });
        f.window.mnuAbout_Click();
        f.window.mnuContents_Click();
        QCOMPARE(Unnamed(f.window.helpWindow()), QStringList());
    }

    void tabOrderVisitsEachControlOnce() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        Click(f.PathBox());
        // The first page in reading order: the file row, the tree, the name block, the
        // tab strip, the page's boxes, the footer link.
        QCOMPARE(TabCycle(&f.window).join(' '),
                 "txtNotesDatabaseFile CmdBrowse CmdContactsCreate ContactsTreeView txtFirstName "
                 "txtMiddleName txtLastName txtTitle txtSuffix txtEmail TabStrip1 txtCompany "
                 "txtJobTitle txtBusinessStreet txtBusinessCity txtBusinessZip txtBusinessState "
                 "txtBusinessCountry txtBusinessLocation txtBusinessWebpage txtBusinessDept "
                 "txtBusinessManager txtBusinessAssistant LabelSiteFooter");
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int page = 1; page < tabs->count(); ++page) {
            Click(tabs, tabs->tabRect(page).center());
            CheckTabCycle(&f.window);
        }
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            CheckTabCycle(dialog);
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            test::WaitForRun(dialog);
            QCOMPARE(TabCycle(dialog), (QStringList{"LblOpenExcelFile", "CmdCloseAll"}));
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
            QStringList keys;
            QList<QLabel*> labels;
            for (QAction* menu : f.Find<QMenuBar>("menubar")->actions()) keys << menu->text();
            for (auto* button : f.window.findChildren<QAbstractButton*>())
                if (button->isVisible()) keys << button->text();
            for (auto* label : f.window.findChildren<QLabel*>()) {
                if (!label->isVisible() || !label->buddy()) continue;
                keys << label->text();
                labels << label;
            }
            QStringList letters;
            for (const QString& text : keys)
                if (const QKeySequence key = QKeySequence::mnemonic(text); !key.isEmpty())
                    letters << key.toString();
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
        QCOMPARE(reached, 66);
    }
};

QTEST_MAIN(UiAccessTest)
#include "tst_ui_access.moc"
