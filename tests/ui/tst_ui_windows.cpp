// The windows driven as a person drives them, offscreen: mouse clicks at a control's
// place in its window, keys into the window that has the focus. Message boxes, the
// file dialog and ShellOpen are answered by recorders instead of waiting for a user.
// (The whole job on a real desktop is e2e_desktop.py.)
#include "tests/addressbook/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "addressbook/ContactRecord.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"

using namespace tallowby;
using namespace tallowby::test;

namespace {

// The panel's boxes in the order of the contact record's fields.
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

// Heading, picture and the 42 boxes.
QStringList Panel(Fixture& f) {
    QStringList panel{f.Find<QLabel>("LblTopName")->text(), f.Find("ImgContact")->isVisible() ? "picture" : ""};
    for (const char* box : kBoxes) panel << f.Box(box);
    return panel;
}

QStringList VisibleFrames(Fixture& f) {
    QStringList visible;
    for (const char* frame : kFrames)
        if (f.Find(frame)->isVisible()) visible << frame;
    return visible;
}

// Whether the centre of window's frame lies on the centre of `over`.
bool Centred(const QWidget* window, const QRect& over) {
    return (window->frameGeometry().center() - over.center()).manhattanLength() <= 2;
}

} // namespace

class UiWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void startUpAndFileDialog() {
        Fixture f;
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        QVERIFY(root->text(0) == "Notes Address Book" && root->childCount() == 27 && root->isExpanded());
        QCOMPARE(f.On(), QStringList());
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBusinessAddress"});
        // A fixed border without minimise and maximise buttons, centred on the screen.
        QVERIFY(!(f.window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
        QVERIFY(Centred(&f.window, f.window.screen()->availableGeometry()));

        Click(f.Button("CmdBrowse"));  // cancelled before any choice: nothing changes
        const OpenFileRequest& first = f.rec.requests.at(0);
        QCOMPARE(first.directory, QDir::homePath());  // nothing in the box: the home folder
        QVERIFY(first.fileName.isEmpty() && first.selectedFilter == first.filters.value(0) &&
                first.selectedFilter.contains("*.dxl"));
        QCOMPARE(f.On(), QStringList());

        const QString chosen = f.CopySample();
        f.rec.answers = {chosen};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.PathBox()->text(), chosen);
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));  // at once, before any scan

        // The dialog opens in the folder of the path in the box, typed relative to the
        // working folder too, with an existing file selected; a cancel puts the last
        // chosen name back.
        QDir(f.dir.path()).mkdir("sub");
        const QString working = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        const std::pair<QString, QString> typed[] = {{"sub/new.dxl", f.dir.filePath("sub")},
                                                     {"names.dxl", f.dir.path()},
                                                     {"missing/new.dxl", QDir::homePath()}};
        for (const auto& [path, folder] : typed) {
            Click(f.PathBox());
            Key(&f.window, Qt::Key_A, Qt::ControlModifier);
            Type(path);
            Key(&f.window, Qt::Key_O, Qt::ControlModifier);  // File, Open
            QCOMPARE(f.rec.requests.back().directory, folder);
            QCOMPARE(f.PathBox()->text(), chosen);
        }
        QCOMPARE(f.rec.requests.at(3).fileName, "names.dxl");
        QDir::setCurrent(working);
    }

    void typingAndClearingThePath() {
        Fixture f;
        Click(f.PathBox());
        Type(f.dir.filePath("missing.dxl"));
        QCOMPARE(f.On(), QStringList{"scan"});  // typing shows neither the label nor the bar
        Key(&f.window, Qt::Key_Return);        // Enter scans: a missing book gets a message
        WaitForRun(&f.window);
        QCOMPARE(f.rec.log.size(), 1);
        QCOMPARE(f.On(), QStringList{"scan"});
        QCOMPARE(FocusName(), "txtNotesDatabaseFile");  // back in the box to mend it
        Key(&f.window, Qt::Key_A, Qt::ControlModifier);
        Key(&f.window, Qt::Key_Backspace);
        QCOMPARE(f.On(), QStringList());
        Key(&f.window, Qt::Key_Return);  // no scan while the button is off
        QCOMPARE(f.rec.log.size(), 1);
        Type(" ");
        QCOMPARE(f.On(), QStringList{"scan"});  // a blank is not empty

        // After a scan, editing the path leaves the export alone; browsing again
        // disables it, and the tree keeps what it shows.
        f.BrowseAndScan(f.CopySample());
        Click(f.PathBox());
        Type("x");
        QCOMPARE(f.On(), (QStringList{"scan", "export"}));
        Key(&f.window, Qt::Key_A, Qt::ControlModifier);
        Key(&f.window, Qt::Key_Delete);
        QCOMPARE(f.On(), QStringList{"export"});
        const QStringList contacts = f.Contacts();
        f.rec.answers = {f.CopySample()};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));
        QCOMPARE(f.Contacts(), contacts);
    }

    void scanFilesTheContacts() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        QCOMPARE(f.rec.log, QStringList{"Corvane Software: Notes Address Book Scan Completed"});
        QCOMPARE(FocusName(), "ContactsTreeView");  // the contacts come next
        QCOMPARE(f.On(), QStringList{"export"});    // progress hidden, export on, scan off
        QVERIFY(f.Contacts().size() > 200);
        QCOMPARE(f.window.state().ContactCount, f.Contacts().size());
        // A contact without a name shows its e-mail address, or "(no name)".
        QVERIFY(f.Contacts().contains("Other/contact38@corvane.example") && f.Node("(no name)"));

        // The same book again: each contact once, as the scan on the worker thread
        // found them on screen. Another book: its contacts replace the first one's.
        // Names are plain text.
        const QStringList contacts = f.Contacts();
        f.BrowseAndScan(f.CopySample());
        QCOMPARE(f.Contacts(), contacts);
        const QString other = f.dir.filePath("other.dxl");
        WriteFile(other.toStdString(), Book(Named("U1", "&lt;s&gt;Ann&lt;/s&gt;", "Lee") +
                                                        Named("U2", "\u00c5ke", "Berg")));
        f.BrowseAndScan(other);
        QCOMPARE(f.Contacts(), (QStringList{"A/\u00c5ke Berg", "Other/<s>Ann</s> Lee"}));
        f.ClickNode(f.Node("<s>Ann</s> Lee"));
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), "<s>Ann</s> Lee");
        QCOMPARE(f.Find<QLabel>("LblTopName")->textFormat(), Qt::PlainText);
    }

    void panelShowsEveryFieldWhole() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        QTreeWidgetItem* hamish = f.Node("Hamish James Sutherland");
        f.ClickNode(hamish);
        QCOMPARE(f.Box("txtBusinessStreet"), QStringLiteral("K\u00f6nigstra\u00dfe 41"));
        const auto& contact = f.window.scan().contacts.at(static_cast<std::size_t>(QtContactTree::ContactOf(hamish)));
        const ContactFields fields = ReadContactFields(*contact.document);
        for (std::size_t i = 0; i < 42; ++i) QCOMPARE(f.Box(kBoxes[i]).toStdString(), fields[i]);

        QTreeWidgetItem* reginald = f.Node("Reginald Pounce");
        f.ClickNode(reginald);  // "0" in Suffix and Title shows as an empty box
        const QStringList shown = Panel(f);
        QCOMPARE(shown.mid(0, 8), (QStringList{"Reginald Pounce", "picture", "Reginald", "", "Pounce", "", "",
                                               "rpounce@northwind.example"}));
        // Clicks on the root and the letters change nothing.
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        for (QTreeWidgetItem* node : {root, reginald->parent(), root->child(26)}) {
            f.ClickNode(node);
            QCOMPARE(Panel(f), shown);
        }
        // The tabs: every caption whole on screen, exactly one page shown, values kept.
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int i : {2, 0, 4, 1, 3}) {
            QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));
            Click(tabs, tabs->tabRect(i).center());
            QCOMPARE(VisibleFrames(f), QStringList{kFrames[i]});
            QCOMPARE(Panel(f), shown);
        }
        f.ClickNode(hamish);  // another contact keeps the page
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBriefcase"});
    }

    // Ready, done, and ready again after a run that failed, with the last choice kept.
    // (The export through this window to its link and OK is e2e_desktop.py's.)
    void conversionFromReadyToDone() {
        Fixture f;
        const QString book = f.CopySample();
        f.BrowseAndScan(book);
        auto ready = [](FrmConversion* dialog, std::string_view choice) {
            QVERIFY(dialog->isModal() && dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QVERIFY(!dialog->findChild<QWidget*>("FrameConversionDone")->isVisible());
            QCOMPARE(dialog->findChild<QProgressBar*>("ProgBarSave")->value(), 0);
            QCOMPARE(dialog->Chosen().name, choice);
            QVERIFY(Centred(dialog, dialog->parentWidget()->frameGeometry()));
        };
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, "xls");  // the first time: .xls
            Click(dialog->findChild<QRadioButton*>("optXlsx"));
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            WaitForRun(dialog);
            // Done: the panel covers the window, its link has the focus.
            QCOMPARE(dialog->findChild<QWidget*>("FrameConversionDone")->geometry(), dialog->rect());
            QCOMPARE(FocusName(), "LblOpenExcelFile");
            QCOMPARE(f.On(), QStringList());  // the export button is off too
            Click(dialog->findChild<QPushButton*>("CmdCloseAll"));
        });
        Click(f.Button("CmdContactsCreate"));
        const QString sheet = f.dir.filePath("names.xlsx");

        // A new scan enables the export; the window opens Ready with the last choice. A
        // run that fails goes back to Ready, the bar at 0.
        f.BrowseAndScan(book);
        QVERIFY(QFile::rename(sheet, f.dir.filePath("kept.xlsx")));
        QVERIFY(QDir(f.dir.path()).mkdir("names.xlsx"));  // a folder where the file would go
        bool reopened = false;
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, "xlsx");
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            WaitForRun(dialog);
            ready(dialog, "xlsx");
            reopened = true;
        });
        Click(f.Button("CmdContactsCreate"));
        QVERIFY(reopened && f.rec.log.last().contains(sheet));
    }

    void keyboardOnly() {
        Fixture f;
        f.rec.answers = {"", f.CopySample()};
        Click(f.PathBox());
        Key(&f.window, Qt::Key_Tab);                      // Browse, pressed with Enter
        Key(&f.window, Qt::Key_Return);
        QCOMPARE(f.rec.requests.size(), 1u);
        Key(&f.window, Qt::Key_O, Qt::ControlModifier);  // File, Open
        Key(&f.window, Qt::Key_S, Qt::AltModifier);      // to the path box, and scan
        Key(&f.window, Qt::Key_Return);
        WaitForRun(&f.window);
        QCOMPARE(f.rec.log.size(), 1);
        Key(&f.window, Qt::Key_X, Qt::AltModifier);      // to the Suffix box, then the tab strip
        Key(&f.window, Qt::Key_Tab);
        Key(&f.window, Qt::Key_Tab);
        Key(&f.window, Qt::Key_Right);
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBusinessContactInfo"});
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            Key(dialog, Qt::Key_Return);  // Start Conversion has the focus
            WaitForRun(dialog);
            Key(dialog, Qt::Key_Return);  // and then the link
        });
        Key(&f.window, Qt::Key_E, Qt::AltModifier);  // the button presses itself a moment later
        QTRY_COMPARE(f.rec.log.value(2), "open " + f.dir.filePath("names.xls"));
    }

    void helpMenuAndWebLinks() {
        Fixture f;
        Key(&f.window, Qt::Key_H, Qt::AltModifier);  // Help, Visit Website
        Key(&f.window, Qt::Key_W);
        auto* footer = f.Find("LabelSiteFooter");
        Click(footer);
        Click(footer, {}, Qt::RightButton);  // not a link click
        // The manual in a window of the program, over the main window; its web links go
        // to ShellOpen.
        Key(&f.window, Qt::Key_F1);
        HelpWindow* help = f.window.helpWindow();
        QVERIFY(help && QTest::qWaitForWindowExposed(help));
        QVERIFY(help->browser()->toPlainText().contains("tallowby-cli"));
        QVERIFY(Centred(help, f.window.frameGeometry()));
        emit help->browser()->anchorClicked(QUrl("https://www.corvane.example/x"));
        QCOMPARE(f.rec.log, (QStringList{"open https://www.corvane.example/tallowby",
                                         "open https://www.corvane.example/", "open https://www.corvane.example/x"}));
    }

    void realMessageBox() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && box->icon() == QMessageBox::Information && box->textFormat() == Qt::PlainText &&
                    box->standardButtons() == QMessageBox::Ok &&
                    box->textInteractionFlags() & Qt::TextSelectableByMouse);  // to copy a path
            seen << box->windowTitle() << box->text();
            Click(box->button(QMessageBox::Ok));
        });
        QtMessageBoxes().Show("line <1>\r\nline 2", "Corvane Software");
        QCOMPARE(seen, (QStringList{"Corvane Software", "line <1>\nline 2"}));
    }

    // When the desktop's opener, xdg-open, cannot open a file or an address, or is not
    // there at all, a message shows the path or the address, to copy. (What it is given
    // when it can is e2e_desktop.py's.)
    void desktopShellCannotOpen() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("empty"));
        WriteFile(dir.filePath("bin/xdg-open").toStdString(), "#!/bin/sh\nexit 3\n");  // no program for it
        QFile(dir.filePath("bin/xdg-open")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        const QString working = QDir::currentPath();
        QDir::setCurrent(dir.path());
        Recorder messages;
        DesktopShell shell(messages);
        qputenv("PATH", QFile::encodeName(dir.filePath("bin")));
        shell.ShellOpen("");  // nothing at all
        shell.ShellOpen("https://www.corvane.example/");
        QTRY_COMPARE(messages.log.size(), 1);
        qputenv("PATH", QFile::encodeName(dir.filePath("empty")));
        shell.ShellOpen("names.xls");
        qputenv("PATH", path);
        QDir::setCurrent(working);
        QCOMPARE(messages.log.size(), 2);  // each with what to do
        QVERIFY(messages.log[0].contains("\r\nhttps://www.corvane.example/\r\n") && messages.log[0].contains("browser"));
        QVERIFY(messages.log[1].contains("\r\n" + dir.filePath("names.xls") + "\r\n") &&
                messages.log[1].contains("xdg-utils"));
    }
};

QTEST_MAIN(UiWindowsTest)
#include "tst_ui_windows.moc"
