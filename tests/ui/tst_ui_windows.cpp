// The windows driven as a user drives them, offscreen. Message boxes, the file dialog
// and ShellOpen are answered by recorders instead of waiting for a user.
#include "addressbook/ContactRecord.h"
#include "ui/ContactPanel.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/HelpWindow.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

using namespace tallowby;

namespace {

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

// The panel's boxes in record order.
const char* const kBoxes[] = {
    "txtFirstName", "txtMiddleName", "txtLastName", "txtSuffix", "txtTitle", "txtEmail",
    "txtCompany", "txtJobTitle", "txtBusinessStreet", "txtBusinessCity", "txtBusinessZip",
    "txtBusinessState", "txtBusinessCountry", "txtBusinessLocation", "txtBusinessWebpage",
    "txtBusinessDept", "txtBusinessManager", "txtBusinessAssistant", "txtBusinessPhone",
    "txtBusinessFax", "txtBusinessCellPhone", "txtBusinessPager", "txtBusinessOtherEmail1",
    "txtBusinessOtherEmail2", "txtBusinessOtherEmail3", "txtHomeStreet", "txtHomeCity",
    "txtHomeZip", "txtHomeState", "txtHomeCountry", "txtSpouse", "txtChildren", "txtHomePhone",
    "txtHomeFax", "txtHomeCellPhone", "txtBirthday", "txtAnniversary", "txtComments",
    "txtShortName", "txtPhoneticName", "txtMailDomain", "txtCategories"};
const char* const kFrames[] = {"FrameBusinessAddress", "FrameBusinessContactInfo",
                               "FramePersonal", "FrameBriefcase", "FrameAdvanced"};

// One main window with recording services, in a temporary folder of its own.
struct Fixture {
    Fixture() : window(UiServices{rec, files, rec}) {
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);  // else nothing is painted
    }
    template <class T = QWidget>
    T* Find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("ContactsTreeView"); }
    QLineEdit* PathBox() { return Find<QLineEdit>("txtNotesDatabaseFile"); }

    // A copy of the sample book in this test's folder.
    QString CopySample() {
        const QString target = dir.filePath(QStringLiteral("names.dxl"));
        QFile::copy(QStringLiteral(TALLOWBY_EXAMPLES_DIR "/names.dxl"), target);
        return target;
    }
    void BrowseAndScan(const QString& path) {
        files.answers = {path};
        Button("CmdBrowse")->click();
        Button("CmdEnumerateNotes")->click();
        WaitForScan();
    }
    // The scan runs on a worker thread; the window answers meanwhile.
    void WaitForScan() { QTRY_VERIFY_WITH_TIMEOUT(!window.Running(), 60000); }
    // Which of the workflow's switches are on.
    QStringList On() {
        QStringList on;
        if (Button("CmdEnumerateNotes")->isEnabled()) on << "scan";
        if (Button("CmdContactsCreate")->isEnabled()) on << "export";
        if (Find("LblRead")->isVisible()) on << "label";
        if (Find("ProgBarScanNotes")->isVisible()) on << "bar";
        return on;
    }
    QList<QTreeWidgetItem*> Contacts() {
        QList<QTreeWidgetItem*> contacts;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->parent() && (*it)->parent()->parent()) contacts << *it;
        return contacts;
    }
    QTreeWidgetItem* Node(const char* text) {
        return Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    void ClickNode(QTreeWidgetItem* item) {
        Tree()->scrollToItem(item);  // expands its parents too
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          Tree()->visualItemRect(item).center());
    }
    QString Box(const char* name) {
        auto* multi = Find<QPlainTextEdit>(name);
        return multi ? multi->toPlainText() : Find<QLineEdit>(name)->text();
    }
    // Heading, picture and the 42 boxes.
    QStringList Panel() {
        QStringList panel{Find<QLabel>("LblTopName")->text(),
                          Find("ImgContact")->isVisible() ? "picture" : "no picture"};
        for (const char* box : kBoxes) panel << Box(box);
        return panel;
    }
    QStringList VisibleFrames() {
        QStringList visible;
        for (const char* frame : kFrames)
            if (Find(frame)->isVisible()) visible << frame;
        return visible;
    }

    QTemporaryDir dir;
    Recorder rec;
    ScriptedFiles files;
    FrmMain window;
    bool exposed = false;
};

// Runs fn on the modal dialog T once its exec() has started, then closes the dialog if
// fn left it open, so that a failed check cannot hang the test.
template <class T, class Fn>
void WhenModal(QWidget* owner, Fn fn) {
    QTimer::singleShot(0, owner, [owner, fn] {
        T* dialog = owner->findChild<T*>();
        if (!dialog) return QTest::qFail("the modal window did not open", __FILE__, __LINE__);
        fn(dialog);
        if (owner->findChild<T*>() == dialog && dialog->isVisible()) dialog->reject();
    });
}

} // namespace

class UiWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void startUp() {
        Fixture f;
        QVERIFY(f.exposed);
        QStringList nodes, expected{"Notes Address Book"};
        for (QTreeWidgetItemIterator it(f.Tree()); *it; ++it) nodes << (*it)->text(0);
        for (char16_t c = u'A'; c <= u'Z'; ++c) expected << QString(QChar(c));
        QCOMPARE(nodes, expected << "Other");
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        QVERIFY(root->childCount() == 27 && root->isExpanded());
        QVERIFY(f.Button("CmdBrowse")->isEnabled());
        QCOMPARE(f.On(), QStringList());
        QCOMPARE(f.VisibleFrames(), QStringList{"FrameBusinessAddress"});
        QCOMPARE(f.Find<QTabBar>("TabStrip1")->currentIndex(), 0);
        QCOMPARE(f.Panel(), QStringList({"", "no picture"}) + QStringList(42, QString()));
        f.ClickNode(root->child(0));  // a letter shows nothing
        QCOMPARE(f.Panel(), QStringList({"", "no picture"}) + QStringList(42, QString()));
    }

    void browseWithChosenName() {
        Fixture f;
        f.Button("CmdBrowse")->click();  // cancelled before any choice: nothing changes
        QVERIFY(f.PathBox()->text().isEmpty());
        QCOMPARE(f.On(), QStringList());
        const QString chosen = f.dir.filePath(QStringLiteral("names.dxl"));
        f.files.answers = {chosen};
        f.Button("CmdBrowse")->click();
        const OpenFileRequest& request = f.files.requests.at(1);
        QVERIFY(request.fileName.isEmpty());
        QCOMPARE(request.filters, (QStringList{"Notes Address Book (*.nsf)",
                                               "Notes XML export (*.dxl *.xml)", "All files (*)"}));
        QCOMPARE(request.selectedFilter, request.filters[1]);
        QCOMPARE(f.PathBox()->text(), chosen);
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));  // at once, before any scan
        // File, Open is the same handler: it starts at the last chosen name, and a
        // cancel puts that name back over an edited one.
        QTest::keyClicks(f.PathBox(), QStringLiteral("-edited"));
        f.Find<QAction>("mnuOpen")->trigger();
        QCOMPARE(f.files.requests.at(2).fileName, chosen);
        QCOMPARE(f.PathBox()->text(), chosen);
    }

    void typingAndClearingThePath() {
        Fixture f;
        QTest::keyClicks(f.PathBox(), f.dir.filePath(QStringLiteral("missing.dxl")));
        QCOMPARE(f.On(), QStringList{"scan"});   // typing shows neither the label nor the bar
        f.Button("CmdEnumerateNotes")->click();  // a missing book: a message, not an exit
        f.WaitForScan();
        QCOMPARE(f.rec.log.size(), 1);
        QVERIFY(f.window.isVisible() && !f.Button("CmdContactsCreate")->isEnabled());
        f.PathBox()->selectAll();
        QTest::keyClick(f.PathBox(), Qt::Key_Backspace);
        QCOMPARE(f.On(), QStringList());
        QTest::keyClicks(f.PathBox(), QStringLiteral(" "));
        QCOMPARE(f.On(), QStringList{"scan"});  // a blank is not empty

        // After a scan, editing the path leaves the export alone; browsing again
        // disables it, and the tree keeps what it shows.
        f.BrowseAndScan(f.CopySample());
        QTest::keyClicks(f.PathBox(), QStringLiteral("x"));
        QCOMPARE(f.On(), (QStringList{"scan", "export"}));
        f.PathBox()->clear();
        QCOMPARE(f.On(), QStringList{"export"});
        const auto contacts = f.Contacts();
        f.files.answers = {f.CopySample()};
        f.Button("CmdBrowse")->click();
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));
        QCOMPARE(f.Contacts(), contacts);
    }

    void scanThroughTheButton() {
        Fixture f;
        f.files.answers = {f.CopySample()};
        f.Button("CmdBrowse")->click();
        f.Button("CmdEnumerateNotes")->click();
        f.WaitForScan();
        QCOMPARE(f.rec.log, QStringList{"Corvane Software: Notes Address Book Scan Completed"});

        const auto contacts = f.Contacts();
        QVERIFY(contacts.size() > 100);
        for (QTreeWidgetItem* contact : contacts) {  // under the letter of the first name
            const std::string first = SplitTag(f.window.contactTree().TagOf(contact))[0];
            QCOMPARE(contact->parent()->text(0).toStdString(), CategoryKey(first));
        }
        // Three pictures: root, letter, contact.
        auto image = [](QTreeWidgetItem* item) { return item->icon(0).pixmap(16).toImage(); };
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        const QImage pictures[] = {image(root), image(root->child(0)), image(contacts[0])};
        QVERIFY(!pictures[0].isNull() && pictures[0] != pictures[1]);
        QVERIFY(pictures[1] != pictures[2] && pictures[2] != pictures[0]);

        QCOMPARE(f.On(), QStringList{"export"});  // progress hidden, export on, scan off
        QCOMPARE(f.window.state().ContactCount, contacts.size());
    }

    void contactClickFillsThePanel() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        QTreeWidgetItem* hamish = f.Node("Hamish James Sutherland");
        QTreeWidgetItem* reginald = f.Node("Reginald Pounce");
        QVERIFY(hamish && reginald);
        f.ClickNode(hamish);
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), QStringLiteral("Hamish James Sutherland"));
        QVERIFY(f.Find("ImgContact")->isVisible());
        QCOMPARE(f.Box("txtCompany"), QStringLiteral("Pellham Analytics"));
        QCOMPARE(f.Box("txtBusinessStreet"), QStringLiteral("K\u00f6nigstra\u00dfe 41"));
        QCOMPARE(f.Box("txtSpouse"), QStringLiteral("Conrad Sutherland"));
        // Every box shows its field of the record.
        const std::vector<std::string> fields = SplitTag(f.window.contactTree().TagOf(hamish));
        for (std::size_t i = 0; i < 42; ++i) QCOMPARE(f.Box(kBoxes[i]).toStdString(), fields[i]);

        f.ClickNode(reginald);  // "0" in Suffix and Title shows as an empty box
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), QStringLiteral("Reginald Pounce"));
        // Suffix, Title, Email and Company, after the heading and the picture.
        QCOMPARE(f.Panel().mid(5, 4), (QStringList{"", "", "rpounce@northwind.example",
                                                   "Northwind Traders"}));
        // Clicks on the root and the letters change nothing.
        const QStringList shown = f.Panel();
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        for (QTreeWidgetItem* node : {root, reginald->parent(), root->child(26)}) {
            f.ClickNode(node);
            QCOMPARE(f.Panel(), shown);
        }

        // The tabs: every caption whole on screen, exactly one page shown, values kept.
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int i = 0; i < tabs->count(); ++i)
            QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));
        for (int i : {2, 0, 4, 1, 3}) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
            QCOMPARE(f.VisibleFrames(), QStringList{kFrames[i]});
            QCOMPARE(f.Panel(), shown);
        }
        f.ClickNode(hamish);  // another contact keeps the page
        QCOMPARE(f.VisibleFrames(), QStringList{"FrameBriefcase"});
    }

    void conversionFromReadyToDone() {
        Fixture f;
        const QString book = f.CopySample();
        f.BrowseAndScan(book);
        const auto contacts = f.Contacts().size();
        f.rec.log.clear();
        auto ready = [](FrmConversion* dialog) {
            QVERIFY(dialog->isModal() && dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QVERIFY(!dialog->findChild<QWidget*>("FrameConversionDone")->isVisible());
            QCOMPARE(dialog->findChild<QProgressBar*>("ProgBarSave")->value(), 0);
        };
        QStringList seen;  // what was on screen at each message and each ShellOpen
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog);
            f.rec.onEvent = [&, dialog] {
                seen << QStringLiteral("window %1, panel %2").arg(dialog->isVisible())
                            .arg(dialog->findChild<QWidget*>("FrameConversionDone")->isVisible());
            };
            QTest::mouseClick(dialog->findChild<QPushButton*>("CmdConversion"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->Running(), 60000);
            QVERIFY(!dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QCOMPARE(f.On(), QStringList());  // the export button is off too
            QTest::mouseClick(dialog->findChild<QLabel*>("LblOpenExcelFile"), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton*>("CmdCloseAll"), Qt::LeftButton);
        });
        f.Button("CmdContactsCreate")->click();
        f.rec.onEvent = nullptr;
        const QString sheet = f.dir.filePath(QStringLiteral("names.xls"));
        const QString message = QStringLiteral(
            "Conversion Completed...: %1 Contacts Saved Successfully\r\n\r\n3 values were longer "
            "than 255 characters and were shortened.\r\n\r\n35 values hold characters that an Excel 2.1 "
            "worksheet cannot store; they were written as \"?\". An .xlsx workbook keeps them.").arg(contacts);
        QCOMPARE(f.rec.log, (QStringList{message, "open " + sheet,
                                         "open https://www.corvane.example/tallowby"}));
        QCOMPARE(seen, (QStringList{"window 1, panel 0", "window 1, panel 1",
                                    "window 0, panel 0"}));

        // A new scan refreshes the same nodes and enables the export; the window is Ready.
        f.BrowseAndScan(book);
        QCOMPARE(f.Contacts().size(), contacts);
        bool reopened = false;
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog);
            reopened = true;
        });
        f.Button("CmdContactsCreate")->click();
        QVERIFY(reopened);
    }

    void webLinks() {
        Fixture f;
        f.Find<QAction>("mnuWebsite")->trigger();
        QTest::mouseClick(f.Find("LabelSiteFooter"), Qt::LeftButton);
        QTest::mouseClick(f.Find("LabelSiteFooter"), Qt::RightButton);  // not a link click
        // The help: the manual in a window of the program; its web links go to ShellOpen.
        f.Find<QAction>("mnuContents")->trigger();
        HelpWindow* help = f.window.helpWindow();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains("tallowby-cli"));
        emit help->browser()->anchorClicked(QUrl("https://www.corvane.example/x"));
        QCOMPARE(f.rec.log, (QStringList{"open https://www.corvane.example/tallowby",
                                         "open https://www.corvane.example/",
                                         "open https://www.corvane.example/x"}));
    }

    void realMessageBox() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen << box->windowTitle() << box->text();
            box->button(QMessageBox::Ok)->click();  // ends exec(); the box itself lives on
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            QCOMPARE(box->textFormat(), Qt::PlainText);
        });
        QtMessageBoxes().Show("line <1>\r\nline 2", "Corvane Software");
        QCOMPARE(seen, (QStringList{"Corvane Software", "line <1>\nline 2"}));
    }

    void aboutOpensAndCloses() {
        Fixture f;
        bool closed = false;
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) {
            QVERIFY(about->isModal() && about->isVisible());
            QTest::mouseClick(about->findChild<QPushButton*>("CmdOK"), Qt::LeftButton);
            closed = !about->isVisible();
        });
        f.Find<QAction>("mnuAbout")->trigger();
        QVERIFY(closed && !f.window.findChild<DocAbout*>());
        QCOMPARE(f.rec.log, QStringList());
    }

    void exitEndsTheProgram() {
        Fixture f;
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, &f.window, [&] { f.Find<QAction>("mnuExit")->trigger(); });
        // Should Exit fail to end the program, this ends the event loop with 99.
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(quitting.count(), 1);
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.rec.log, QStringList());  // no question asked
    }
};

QTEST_MAIN(UiWindowsTest)
#include "tst_ui_windows.moc"
