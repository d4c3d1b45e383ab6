// The windows driven as a person drives them, offscreen: mouse clicks at a control's
// place in its window, keys into the window that has the focus. Message boxes, the
// file dialog and ShellOpen are answered by recorders instead of waiting for a user.
#include "addressbook/ContactRecord.h"
#include "tests/addressbook/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ContactPanel.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"

using namespace tallowby;
using tallowby::test::Click;
using tallowby::test::Covered;
using tallowby::test::Fixture;
using tallowby::test::Key;
using tallowby::test::Type;
using tallowby::test::WhenModal;

namespace {

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
    QStringList panel{f.Find<QLabel>("LblTopName")->text(),
                      f.Find("ImgContact")->isVisible() ? "picture" : "no picture"};
    for (const char* box : kBoxes) panel << f.Box(box);
    return panel;
}

QStringList VisibleFrames(Fixture& f) {
    QStringList visible;
    for (const char* frame : kFrames)
        if (f.Find(frame)->isVisible()) visible << frame;
    return visible;
}

// How far the centre of window's frame lies from the centre of `over`.
int OffCentre(const QWidget* window, const QRect& over) {
    return (window->frameGeometry().center() - over.center()).manhattanLength();
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
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBusinessAddress"});
        QCOMPARE(f.Find<QTabBar>("TabStrip1")->currentIndex(), 0);
        const QStringList empty = QStringList({"", "no picture"}) + QStringList(42, QString());
        QCOMPARE(Panel(f), empty);
        f.ClickNode(root->child(0));  // a letter shows nothing
        QCOMPARE(Panel(f), empty);

        // A fixed border without minimise and maximise buttons, centred on the screen;
        // nothing lies above a button or a link; the menus have real separators.
        const Qt::WindowFlags flags = f.window.windowFlags();
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
        QVERIFY(OffCentre(&f.window, f.window.screen()->availableGeometry()) <= 2);
        QCOMPARE(Covered(&f.window), QStringList());
        QStringList menus;
        for (QAction* menu : f.Find<QMenuBar>("menubar")->actions()) {
            menus << menu->text();
            for (QAction* item : menu->menu()->actions())
                menus << (item->isSeparator() ? "--" : item->text() + " " + item->shortcut().toString());
        }
        QCOMPARE(menus, (QStringList{"&File", "&Open Notes Address Book File Ctrl+O", "--",
                                     "E&xit Ctrl+Q", "&Help", "&Contents F1", "Visit &Website ",
                                     "--", "&About "}));
    }

    void fileDialog() {
        Fixture f;
        Click(f.Button("CmdBrowse"));  // cancelled before any choice: nothing changes
        const OpenFileRequest& first = f.files.requests.at(0);
        QCOMPARE(first.directory, QDir::homePath());  // nothing in the box: the home folder
        QVERIFY(first.fileName.isEmpty());
        QCOMPARE(first.filters, (QStringList{"Notes address book, DXL (*.dxl *.xml)", "All files (*)"}));
        QCOMPARE(first.selectedFilter, first.filters[0]);
        QVERIFY(f.PathBox()->text().isEmpty());
        QCOMPARE(f.On(), QStringList());

        const QString chosen = f.CopySample();
        f.files.answers = {chosen};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.PathBox()->text(), chosen);
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));  // at once, before any scan

        // The dialog opens in the folder of the path in the box, typed relative to the
        // working folder too; a cancel puts the last chosen name back.
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
            QCOMPARE(f.files.requests.back().directory, folder);
            QCOMPARE(f.PathBox()->text(), chosen);
        }
        QCOMPARE(f.files.requests.at(3).fileName, "names.dxl");  // an existing file is selected
        QDir::setCurrent(working);
    }

    void typingAndClearingThePath() {
        Fixture f;
        Click(f.PathBox());
        Type(f.dir.filePath(QStringLiteral("missing.dxl")));
        QCOMPARE(f.On(), QStringList{"scan"});  // typing shows neither the label nor the bar
        Key(&f.window, Qt::Key_Return);        // Enter scans: a missing book gets a message
        test::WaitForRun(&f.window);
        QCOMPARE(f.rec.log.size(), 1);
        QVERIFY(f.window.isVisible() && !f.Button("CmdContactsCreate")->isEnabled());
        QCOMPARE(test::FocusName(), "txtNotesDatabaseFile");  // back in the box to mend it
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
        f.files.answers = {f.CopySample()};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.On(), (QStringList{"scan", "label", "bar"}));
        QCOMPARE(f.Contacts(), contacts);
    }

    void scanFilesTheContacts() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        QCOMPARE(f.rec.log, QStringList{"Corvane Software: Notes Address Book Scan Completed"});
        QCOMPARE(test::FocusName(), "ContactsTreeView");  // the contacts come next
        int contacts = 0;
        for (QTreeWidgetItemIterator it(f.Tree()); *it; ++it) {
            const auto fields = f.window.contactTree().FieldsOf(*it);
            if (fields.empty()) continue;
            ++contacts;  // under the letter of the first name, the whole text as tooltip
            QCOMPARE((*it)->parent()->text(0).toStdString(), CategoryKey(fields[0]));
            QCOMPARE((*it)->toolTip(0), "<p style='white-space:pre'>" + (*it)->text(0).toHtmlEscaped() + "</p>");
        }
        QVERIFY(contacts > 200);
        QCOMPARE(f.window.state().ContactCount, contacts);
        QCOMPARE(f.Node("\u00c9mile Durand")->parent()->text(0), "E");
        // A contact without a name shows its e-mail address, or "(no name)".
        QCOMPARE(f.Node("contact38@corvane.example")->parent()->text(0), "Other");
        QVERIFY(f.Node("(no name)"));
        // Three pictures: root, letter, contact.
        auto image = [](QTreeWidgetItem* item) { return item->icon(0).pixmap(16).toImage(); };
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        const QImage pictures[] = {image(root), image(root->child(0)), image(f.Node("\u00c9mile Durand"))};
        QVERIFY(!pictures[0].isNull() && pictures[0] != pictures[1]);
        QVERIFY(pictures[1] != pictures[2] && pictures[2] != pictures[0]);
        QCOMPARE(f.On(), QStringList{"export"});  // progress hidden, export on, scan off

        // Another book: its contacts replace the first one's. Names are plain text.
        const QString other = f.dir.filePath("other.dxl");
        test::WriteFile(other.toStdString(), test::Book(test::Named("U1", "&lt;s&gt;Ann&lt;/s&gt;", "Lee") +
                                                        test::Named("U2", "\u00c5ke", "Berg")));
        f.BrowseAndScan(other);
        QCOMPARE(f.Contacts(), (QStringList{"A/\u00c5ke Berg", "Other/<s>Ann</s> Lee"}));
        f.ClickNode(f.Node("<s>Ann</s> Lee"));
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), "<s>Ann</s> Lee");
        QCOMPARE(f.Find<QLabel>("LblTopName")->textFormat(), Qt::PlainText);
    }

    void panelShowsEveryFieldWhole() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        // A "|" in the first name moves no field into another box.
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), "Jo|Ann Pemberton");
        QCOMPARE(f.Find("FrameContacts")->accessibleDescription(), "Jo|Ann Pemberton");
        QVERIFY(f.Find("ImgContact")->isVisible());
        const QStringList joAnn = Panel(f);
        QCOMPARE(joAnn.mid(2, 8), (QStringList{"Jo|Ann", "", "Pemberton", "", "Mx.",
                                               "jpemberton@northwind.example", "Northwind Traders",
                                               "Consultant"}));
        QCOMPARE(f.Box("txtShortName"), "jpemberton");
        QCOMPARE(f.Box("txtComments"), "Knows the old ordering system inside out.");
        QTreeWidgetItem* hamish = f.Node("Hamish James Sutherland");
        f.ClickNode(hamish);
        QCOMPARE(f.Box("txtBusinessStreet"), QStringLiteral("K\u00f6nigstra\u00dfe 41"));
        const std::vector<std::string> fields = f.window.contactTree().FieldsOf(hamish);
        for (std::size_t i = 0; i < 42; ++i) QCOMPARE(f.Box(kBoxes[i]).toStdString(), fields[i]);

        QTreeWidgetItem* reginald = f.Node("Reginald Pounce");
        f.ClickNode(reginald);  // "0" in Suffix and Title shows as an empty box
        QCOMPARE(Panel(f).mid(5, 4), (QStringList{"", "", "rpounce@northwind.example",
                                                   "Northwind Traders"}));
        // Clicks on the root and the letters change nothing.
        const QStringList shown = Panel(f);
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        for (QTreeWidgetItem* node : {root, reginald->parent(), root->child(26)}) {
            f.ClickNode(node);
            QCOMPARE(Panel(f), shown);
        }
        // The tabs: every caption whole on screen, exactly one page shown, values kept.
        auto* tabs = f.Find<QTabBar>("TabStrip1");
        for (int i = 0; i < tabs->count(); ++i)
            QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));
        for (int i : {2, 0, 4, 1, 3}) {
            Click(tabs, tabs->tabRect(i).center());
            QCOMPARE(VisibleFrames(f), QStringList{kFrames[i]});
            QCOMPARE(Panel(f), shown);
            QCOMPARE(Covered(&f.window), QStringList());
        }
        f.ClickNode(hamish);  // another contact keeps the page
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBriefcase"});
    }

    void conversionFromReadyToDone() {
        Fixture f;
        const QString book = f.CopySample();
        f.BrowseAndScan(book);
        const int contacts = f.window.state().ContactCount;
        f.rec.log.clear();
        auto ready = [](FrmConversion* dialog, ExportFormat format) {
            QVERIFY(dialog->isModal() && dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QVERIFY(!dialog->findChild<QWidget*>("FrameConversionDone")->isVisible());
            QCOMPARE(dialog->findChild<QProgressBar*>("ProgBarSave")->value(), 0);
            QCOMPARE(dialog->ChosenFormat(), format);
            QCOMPARE(Covered(dialog), QStringList());
            QVERIFY(OffCentre(dialog, dialog->parentWidget()->frameGeometry()) <= 2);
        };
        const QString sheet = f.dir.filePath(QStringLiteral("names.xlsx"));
        QStringList seen;  // what was on screen at each message and each ShellOpen
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, ExportFormat::Xls);  // the first time: .xls
            QStringList formats;
            for (auto* option : dialog->findChildren<QRadioButton*>()) formats << option->text();
            QCOMPARE(formats, (QStringList{"Excel 2.1 worksheet (.xls)",
                                           "Excel workbook (.xlsx): current Excel, LibreOffice, every language",
                                           "CSV, UTF-8 (.csv): for other programs"}));
            Click(dialog->findChild<QRadioButton*>("optXlsx"));
            auto* panel = dialog->findChild<QWidget*>("FrameConversionDone");
            f.rec.onEvent = [&, dialog, panel] {
                seen << QStringLiteral("window %1, panel %2").arg(dialog->isVisible()).arg(panel->isVisible());
            };
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            test::WaitForRun(dialog);
            // Done: the panel covers the window, nothing lies above its link and OK, and
            // Tab goes from one to the other.
            QCOMPARE(panel->geometry(), dialog->rect());
            QCOMPARE(Covered(dialog), QStringList());
            QCOMPARE(test::FocusName(), "LblOpenExcelFile");
            Key(dialog, Qt::Key_Tab);
            QCOMPARE(test::FocusName(), "CmdCloseAll");
            Key(dialog, Qt::Key_Tab);
            QCOMPARE(test::FocusName(), "LblOpenExcelFile");
            QCOMPARE(f.On(), QStringList());  // the export button is off too
            Click(dialog->findChild<QLabel*>("LblOpenExcelFile"));
            Click(dialog->findChild<QPushButton*>("CmdCloseAll"));
        });
        Click(f.Button("CmdContactsCreate"));
        f.rec.onEvent = nullptr;
        QCOMPARE(f.rec.log.value(0).section("\r\n", 0, 0),
                 QStringLiteral("Conversion Completed...: %1 Contacts Saved Successfully").arg(contacts));
        QCOMPARE(f.rec.log.mid(1), (QStringList{"open " + sheet, "open https://www.corvane.example/tallowby"}));
        QCOMPARE(seen, (QStringList{"window 1, panel 0", "window 1, panel 1", "window 0, panel 0"}));
        QVERIFY(QFileInfo(sheet).size() > 0);

        // A new scan enables the export; the window opens Ready with the last choice. A
        // run that fails goes back to Ready, the bar at 0.
        f.BrowseAndScan(book);
        QVERIFY(QFile::rename(sheet, f.dir.filePath("kept.xlsx")));
        QVERIFY(QDir(f.dir.path()).mkdir("names.xlsx"));  // a folder where the file would go
        bool reopened = false;
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, ExportFormat::Xlsx);
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            test::WaitForRun(dialog);
            ready(dialog, ExportFormat::Xlsx);
            reopened = true;
        });
        Click(f.Button("CmdContactsCreate"));
        QVERIFY(reopened);
        QVERIFY(f.rec.log.last().contains(sheet));
    }

    void keyboardOnly() {
        Fixture f;
        f.files.answers = {"", f.CopySample()};
        Click(f.PathBox());
        Key(&f.window, Qt::Key_Tab);                      // Browse, pressed with Enter
        Key(&f.window, Qt::Key_Return);
        QCOMPARE(f.files.requests.size(), 1u);
        Key(&f.window, Qt::Key_O, Qt::ControlModifier);  // File, Open
        Key(&f.window, Qt::Key_S, Qt::AltModifier);      // to the path box
        QCOMPARE(test::FocusName(), "txtNotesDatabaseFile");
        Key(&f.window, Qt::Key_Return);                   // scan
        test::WaitForRun(&f.window);
        QCOMPARE(f.rec.log.size(), 1);
        QCOMPARE(test::FocusName(), "ContactsTreeView");
        Type("j");                                        // to the letter J, open it, go down
        Key(&f.window, Qt::Key_Right);
        Key(&f.window, Qt::Key_Down);
        QTreeWidgetItem* current = f.Tree()->currentItem();
        QCOMPARE(f.Find<QLabel>("LblTopName")->text().toStdString(),
                 PanelHeading(f.window.contactTree().FieldsOf(current)));
        Key(&f.window, Qt::Key_X, Qt::AltModifier);  // a label's letter: to its box
        QCOMPARE(test::FocusName(), "txtSuffix");
        Key(&f.window, Qt::Key_Tab);
        Key(&f.window, Qt::Key_Tab);                  // Email, then the tab strip
        Key(&f.window, Qt::Key_Right);
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBusinessContactInfo"});

        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            QCOMPARE(test::FocusName(), "CmdConversion");
            Key(dialog, Qt::Key_Return);  // start
            test::WaitForRun(dialog);
            Key(dialog, Qt::Key_Return);  // the link
            Key(dialog, Qt::Key_Tab);
            Key(dialog, Qt::Key_Space);   // OK
        });
        Key(&f.window, Qt::Key_E, Qt::AltModifier);  // the button presses itself a moment later
        QTRY_COMPARE(f.rec.log.size(), 4);
        QCOMPARE(f.rec.log.mid(2), (QStringList{"open " + f.dir.filePath("names.xls"),
                                                "open https://www.corvane.example/tallowby"}));
        f.window.activateWindow();  // as the window manager does when a dialog closes
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        Key(&f.window, Qt::Key_F1);
        QVERIFY(f.window.helpWindow() && f.window.helpWindow()->isVisible());
    }

    void webLinks() {
        Fixture f;
        Key(&f.window, Qt::Key_H, Qt::AltModifier);  // Help, Visit Website
        Key(&f.window, Qt::Key_W);
        auto* footer = f.Find("LabelSiteFooter");
        Click(footer);
        Click(footer, {}, Qt::RightButton);  // not a link click
        Click(f.PathBox());
        Key(&f.window, Qt::Key_Backtab);  // from the path box back round to the footer
        QCOMPARE(test::FocusName(), "LabelSiteFooter");
        Key(&f.window, Qt::Key_Return);
        // The help: the manual in a window of the program, over the main window; its web
        // links go to ShellOpen.
        Key(&f.window, Qt::Key_F1);
        HelpWindow* help = f.window.helpWindow();
        QVERIFY(help && QTest::qWaitForWindowExposed(help));
        QVERIFY(help->browser()->toPlainText().contains("tallowby-cli"));
        QVERIFY(OffCentre(help, f.window.frameGeometry()) <= 2);
        emit help->browser()->anchorClicked(QUrl("https://www.corvane.example/x"));
        QCOMPARE(f.rec.log, (QStringList{"open https://www.corvane.example/tallowby",
                                         "open https://www.corvane.example/",
                                         "open https://www.corvane.example/",
                                         "open https://www.corvane.example/x"}));
    }

    void realMessageBox() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen << box->windowTitle() << box->text();
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);  // to copy a path
            Click(box->button(QMessageBox::Ok));
        });
        QtMessageBoxes().Show("line <1>\r\nline 2", "Corvane Software");
        QCOMPARE(seen, (QStringList{"Corvane Software", "line <1>\nline 2"}));
    }

    void aboutOpensAndCloses() {
        Fixture f;
        bool closed = false;
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) {
            QVERIFY(about->isModal() && about->isVisible());
            QVERIFY(OffCentre(about, f.window.frameGeometry()) <= 2);
            QCOMPARE(Covered(about), QStringList());
            Click(about->findChild<QPushButton*>("CmdOK"));
            closed = !about->isVisible();
        });
        Key(&f.window, Qt::Key_H, Qt::AltModifier);
        Key(&f.window, Qt::Key_A);
        QVERIFY(closed && !f.window.findChild<DocAbout*>());
        QCOMPARE(f.rec.log, QStringList());
    }

    void exitEndsTheProgram() {
        Fixture f;
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, &f.window, [&] { Key(&f.window, Qt::Key_Q, Qt::ControlModifier); });
        // Should Exit fail to end the program, this ends the event loop with 99.
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(quitting.count(), 1);
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.rec.log, QStringList());  // no question asked
    }

    // The real ShellOpen: xdg-open (a stub on PATH that records what it was given and
    // exits with $STUB_STATUS) started for a file made absolute and for a web address;
    // a message with the path or address when nothing can open it.
    void desktopShellOpens() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("empty"));
        const QString opened = dir.filePath("opened");
        test::WriteFile(dir.filePath("bin/xdg-open").toStdString(),
                        "#!/bin/sh\necho \"$1\" >> '" + opened.toStdString() + "'\nexit \"$STUB_STATUS\"\n");
        QFile(dir.filePath("bin/xdg-open")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        const QString working = QDir::currentPath();
        QDir::setCurrent(dir.path());
        test::Recorder messages;
        DesktopShell shell(messages);
        auto lines = [&] { return QString::fromStdString(test::ReadFile(opened.toStdString())).split('\n', Qt::SkipEmptyParts); };

        qputenv("PATH", QFile::encodeName(dir.filePath("bin")));
        qputenv("STUB_STATUS", "0");
        shell.ShellOpen("");  // nothing at all
        shell.ShellOpen("book/names.xls");
        QTRY_COMPARE(QFileInfo(opened).exists() ? lines() : QStringList(), QStringList{dir.filePath("book/names.xls")});
        qputenv("STUB_STATUS", "3");  // xdg-open: no program for it
        shell.ShellOpen("https://www.corvane.example/");
        QTRY_COMPARE(messages.log.size(), 1);
        QCOMPARE(lines().size(), 2);
        qputenv("PATH", QFile::encodeName(dir.filePath("empty")));
        shell.ShellOpen("names.xls");
        QCOMPARE(messages.log, (QStringList{
            "Corvane Software: The web address could not be opened:\r\nhttps://www.corvane.example/\r\n\r\n"
            "No web browser is set up to open it. Copy the address above into a web browser.",
            "Corvane Software: The file could not be opened:\r\n" + dir.filePath("names.xls") + "\r\n\r\n"
            "The desktop's opener, xdg-open, is not installed (Debian package xdg-utils). Open the file "
            "from a spreadsheet program; its path above can be copied."}));
        qputenv("PATH", path);
        QDir::setCurrent(working);
    }
};

QTEST_MAIN(UiWindowsTest)
#include "tst_ui_windows.moc"
