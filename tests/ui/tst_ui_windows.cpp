// The windows driven as a person drives them, offscreen: mouse clicks at a control's
// place in its window, keys into the window that has the focus. Message boxes, the
// file dialog and ShellOpen are answered by recorders instead of waiting for a user.
// (The whole job on a real desktop is e2e_desktop.py.)
#include "tests/addressbook/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "addressbook/ContactRecord.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"
#include "ui/UiText.h"

#include <QRegularExpression>
#include <QMimeData>

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
                               "FramePersonal", "FrameBriefcase", "FrameAdvanced", "FrameAllItems"};

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

// A click on a format's line, where its caption is.
void ClickChoice(QWidget* dialog, const char* name) {
    auto* choice = dialog->findChild<QRadioButton*>(name);
    Click(choice, QPoint(choice->iconSize().width() + 12, choice->height() / 2));
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
        // Resizable, wholly on the screen (800 x 600 here), and no smaller than it.
        const QRect screen = f.window.screen()->availableGeometry();
        QVERIFY(f.window.minimumSize() != f.window.maximumSize());
        QVERIFY2(screen.contains(f.window.frameGeometry()), qPrintable(QString("%1x%2").arg(f.window.width()).arg(f.window.height())));
        QVERIFY(f.window.minimumWidth() <= 640 && f.window.minimumHeight() <= 480);

        Click(f.PathBox());
        Type("typed.dxl");
        Click(f.Button("CmdBrowse"));  // cancelled: the path as it was, nothing else changes
        const OpenFileRequest& first = f.rec.requests.at(0);
        QCOMPARE(first.directory, QDir::currentPath());  // the folder of the path in the box
        QVERIFY(first.fileName.isEmpty() && first.selectedFilter == first.filters.value(0) &&
                first.selectedFilter.contains("*.dxl"));
        QCOMPARE(f.PathBox()->text(), "typed.dxl");
        QCOMPARE(f.On(), QStringList{"scan"});

        const QString chosen = f.CopySample();
        f.rec.answers = {chosen};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.PathBox()->text(), chosen);
        QCOMPARE(f.On(), QStringList{"scan"});  // neither the label nor the bar before a scan
        QCOMPARE(FocusName(), "CmdEnumerateNotes");  // the scan comes next

        // The dialog opens in the folder of the path in the box, typed relative to the
        // working folder too, with an existing file selected; a cancel keeps the path.
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
            QCOMPARE(f.PathBox()->text(), path);
        }
        QCOMPARE(f.rec.requests.at(3).fileName, "names.dxl");
        QDir::setCurrent(working);

        // The size and the place are remembered for the next start.
        f.window.resize(700, 500);
        f.window.close();
        Recorder again;
        FrmMain next(UiServices{again, again, again});
        QCOMPARE(next.size(), QSize(700, 500));
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
        Type("  ");
        QCOMPARE(f.On(), QStringList());  // blanks name no book
        Key(&f.window, Qt::Key_Return);   // no scan while the button is off
        QCOMPARE(f.rec.log.size(), 1);

        // Paths as people give them: "~" for the home folder and stray blanks, a file
        // manager's file:// address with its %-escapes. The box then shows the book read.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(f.dir.path()));
        const QString book = f.CopySample(), spaced = f.dir.filePath("my names#1.dxl");
        QVERIFY(QFile::copy(book, spaced));
        const std::pair<QString, QString> given[] = {
            {" ~/names.dxl ", book},
            {QUrl::fromLocalFile(spaced).toString(QUrl::FullyEncoded), spaced}};
        for (const auto& [typed, path] : given) {
            Key(&f.window, Qt::Key_A, Qt::ControlModifier);
            Type(typed);
            Key(&f.window, Qt::Key_Return);
            WaitForRun(&f.window);
            QCOMPARE(f.rec.log.last(), "Corvane Software: Notes Address Book Scan Completed");
            QCOMPARE(f.PathBox()->text(), path);
            Click(f.PathBox());
        }
        qputenv("HOME", home);
        QCOMPARE(f.rec.log.filter("does not exist").size(), 1);  // only the missing book

        // After a scan, another path disables the export until that book is scanned; the
        // path of the book scanned enables it again. The tree keeps what it shows.
        const QStringList contacts = f.Contacts();
        QCOMPARE(f.On(), QStringList{"export"});
        Key(&f.window, Qt::Key_End);
        Type("x");
        QCOMPARE(f.On(), QStringList{"scan"});
        Key(&f.window, Qt::Key_Backspace);
        QCOMPARE(f.On(), (QStringList{"scan", "export"}));
        f.rec.answers = {book};
        Click(f.Button("CmdBrowse"));
        QCOMPARE(f.On(), QStringList{"scan"});
        QCOMPARE(f.Contacts(), contacts);
        Click(f.Button("CmdContactsCreate"));  // off: no conversion window for that book
        QVERIFY(!f.window.findChild<FrmConversion*>());
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
        // Each letter says how many it holds; the status line what the scan found.
        QTreeWidgetItem* letterJ = f.Node("Jo|Ann Pemberton")->parent();
        QCOMPARE(letterJ->text(0), QString("J (%1)").arg(letterJ->childCount()));
        QCOMPARE(f.Find<QLabel>("LblStatus")->text(), QString("%1 contacts from Corvane Directory").arg(f.Contacts().size()));
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        QCOMPARE(f.Box("txtFirstName"), "Jo|Ann");

        // The same book again: each contact once, as the scan on the worker thread
        // found them on screen. Another book: its contacts replace the first one's.
        // Names are plain text.
        const QStringList contacts = f.Contacts();
        f.BrowseAndScan(f.CopySample());
        QCOMPARE(f.Contacts(), contacts);
        const QString other = f.dir.filePath("other.dxl");
        WriteFile(other.toStdString(), Book(Named("U1", "&lt;s&gt;Ann&lt;/s&gt;", "Lee") +
                                                        Named("U2", "\u00c5ke", "Berg")));
        // A file dropped on the window is put in the path box and scanned; the details
        // of the book before are gone.
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(other)});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&f.window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&f.window, &drop);
        WaitForRun(&f.window);
        QCOMPARE(f.PathBox()->text(), other);
        QCOMPARE(f.Contacts(), (QStringList{"A/\u00c5ke Berg", "Other/<s>Ann</s> Lee"}));
        QVERIFY(f.Box("txtFirstName").isEmpty() && f.Find<QLabel>("LblTopName")->text().isEmpty() &&
                !f.Find("ImgContact")->isVisible() && f.Find<QTreeWidget>("lstAllItems")->topLevelItemCount() == 0);
        QCOMPARE(f.Find<QLabel>("LblStatus")->text(), "2 contacts from Corvane Directory");
        f.ClickNode(f.Node("<s>Ann</s> Lee"));
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), "<s>Ann</s> Lee");
        QCOMPARE(f.Find<QLabel>("LblTopName")->textFormat(), Qt::PlainText);
    }

    // The filter box narrows the tree to the contacts whose name, company or e-mail
    // address holds what is typed, in any case; Esc brings them all back.
    void filterNarrowsTheTree() {
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        const QStringList all = f.Contacts();
        Key(&f.window, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(FocusName(), "txtFilter");
        Type("NORTHWIND");  // a company (and the e-mail addresses at northwind.example)
        const QStringList northwind = f.Contacts();
        QVERIFY(northwind.contains("J/Jo|Ann Pemberton") && northwind.size() < all.size() && northwind.size() > 1);
        for (QTreeWidgetItemIterator it(f.Tree()); *it; ++it) {
            const long index = QtContactTree::ContactOf(*it);
            if (index < 0) continue;
            const ScannedContact& contact = f.window.scan().contacts.at(static_cast<std::size_t>(index));
            QVERIFY(QString::fromStdString(contact.text + contact.company + contact.email).contains("northwind", Qt::CaseInsensitive));
        }
        // Only the letters with a match, opened, with their counts.
        QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
        int counted = 0;
        for (int i = 0; i < root->childCount(); ++i) {
            QTreeWidgetItem* letter = root->child(i);
            QVERIFY(letter->isExpanded() && letter->childCount() > 0);
            QVERIFY(letter->text(0).endsWith(QString("(%1)").arg(letter->childCount())));
            counted += letter->childCount();
        }
        QCOMPARE(counted, northwind.size());
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        Click(f.Find("txtFilter"));
        Type(" pemb");  // "northwind pemb": nothing
        QCOMPARE(f.Contacts(), QStringList());
        Key(&f.window, Qt::Key_A, Qt::ControlModifier);
        Type("pEmBeRtOn");
        QCOMPARE(f.Contacts(), QStringList{"J/Jo|Ann Pemberton"});
        QCOMPARE(f.Tree()->currentItem()->text(0), "Jo|Ann Pemberton");  // still the one shown
        Key(&f.window, Qt::Key_Escape);
        QCOMPARE(f.Contacts(), all);
        QCOMPARE(f.Box("txtLastName"), "Pemberton");
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
        // Read-only: what is typed is not taken, what is shown can be copied.
        Click(f.Find("txtBusinessStreet"));
        Type("x");
        QCOMPARE(f.Box("txtBusinessStreet"), QStringLiteral("K\u00f6nigstra\u00dfe 41"));
        Key(&f.window, Qt::Key_A, Qt::ControlModifier);
        Key(&f.window, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("K\u00f6nigstra\u00dfe 41"));
        // All Items: every item of the document with all its values.
        auto* items = f.Find<QTreeWidget>("lstAllItems");
        const auto rows = AllItemRows(*contact.document);
        QCOMPARE(items->topLevelItemCount(), static_cast<int>(rows.size()));
        QVERIFY(rows.size() >= 10);
        for (int i = 0; i < items->topLevelItemCount(); ++i)
            QCOMPARE(items->topLevelItem(i)->text(0) + "=" + items->topLevelItem(i)->text(1),
                     QString::fromStdString(rows[static_cast<std::size_t>(i)].first + "=" +
                                            rows[static_cast<std::size_t>(i)].second));

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
        for (int i : {2, 0, 4, 1, 5, 3}) {
            QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));
            Click(tabs, tabs->tabRect(i).center());
            QCOMPARE(VisibleFrames(f), QStringList{kFrames[i]});
            QCOMPARE(Panel(f), shown);
        }
        f.ClickNode(hamish);  // another contact keeps the page
        QCOMPARE(VisibleFrames(f), QStringList{"FrameBriefcase"});
        Click(tabs, tabs->tabRect(5).center());
        auto* items2 = f.Find<QTreeWidget>("lstAllItems");
        Click(items2->viewport(), items2->visualItemRect(items2->topLevelItem(0)).center());
        Key(&f.window, Qt::Key_C, Qt::ControlModifier);  // a row: its item and values
        QCOMPARE(QApplication::clipboard()->text(), items2->topLevelItem(0)->text(0) + "\t" + items2->topLevelItem(0)->text(1));
    }

    // Ready, done, and ready again after a run that failed, with the last choice kept;
    // the file's place shown before, in the message and on the done panel; Save As to
    // another folder, offered too when the book's folder cannot be written; a book
    // replaced on disk after its scan scanned again when asked.
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
            QVERIFY(dialog->screen()->availableGeometry().contains(dialog->frameGeometry()));
        };
        auto target = [](FrmConversion* dialog) { return dialog->findChild<QLineEdit*>("txtTarget")->text(); };
        const QString sheet = f.dir.filePath("names.xlsx");
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, "xls");  // the first time: .xls, beside the book
            QCOMPARE(target(dialog), f.dir.filePath("names.xls"));
            QCOMPARE(static_cast<int>(dialog->findChildren<QRadioButton*>().size()), static_cast<int>(ExportChoices().size()));
            auto* formulas = dialog->findChild<QCheckBox*>("chkCsvFormulas");
            QVERIFY(!formulas->isEnabled());  // for CSV only
            ClickChoice(dialog, "optCsv");
            QVERIFY(formulas->isEnabled());
            Click(formulas);
            ClickChoice(dialog, "optXlsx-full");
            QCOMPARE(target(dialog), f.dir.filePath("names-full.xlsx"));
            ClickChoice(dialog, "optXlsx");
            QCOMPARE(target(dialog), sheet);
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            WaitForRun(dialog);
            // Done: the panel covers the window and names the file, its link has the focus.
            QCOMPARE(dialog->findChild<QWidget*>("FrameConversionDone")->geometry(), dialog->rect());
            QCOMPARE(dialog->findChild<QLabel*>("LblDoneFile")->text(), sheet);
            QCOMPARE(FocusName(), "LblOpenExcelFile");
            QCOMPARE(f.On(), QStringList());  // the export button is off too
            Click(dialog->findChild<QPushButton*>("CmdCloseAll"));
        });
        Click(f.Button("CmdContactsCreate"));
        QVERIFY(QFileInfo(sheet).isFile());
        QVERIFY(f.rec.log.last().endsWith("\r\n\r\nFile: " + sheet));
        QVERIFY(!f.rec.log.join(' ').contains("open "));  // OK opens no web page in this build

        // A new scan enables the export; the window opens Ready with the last choices. A
        // folder that cannot take the file: the message offers Save As, and the file goes
        // where it is saved; the dialog starts beside the book with the format's filter.
        f.BrowseAndScan(book);
        QVERIFY(QFile::rename(sheet, f.dir.filePath("kept.xlsx")));
        QVERIFY(QDir(f.dir.path()).mkdir("names.xlsx"));  // a folder where the file would go
        QVERIFY(QDir(f.dir.path()).mkdir("elsewhere"));
        const QString saved = f.dir.filePath("elsewhere/contacts.xlsx");
        f.rec.replies = {true};
        f.rec.answers = {saved};
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            ready(dialog, "xlsx");
            QVERIFY(dialog->findChild<QCheckBox*>("chkCsvFormulas")->isChecked());  // remembered
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            QTRY_VERIFY_WITH_TIMEOUT(dialog->findChild<QWidget*>("FrameConversionDone")->isVisible(), 60000);
            QCOMPARE(dialog->findChild<QLabel*>("LblDoneFile")->text(), saved);
        });
        Click(f.Button("CmdContactsCreate"));
        QVERIFY(f.rec.log.at(f.rec.log.size() - 2).contains(sheet) &&
                f.rec.log.at(f.rec.log.size() - 2).endsWith("[Save As...|Cancel]"));
        const OpenFileRequest& asked = f.rec.requests.back();
        QCOMPARE(asked.directory, f.dir.path());
        QCOMPARE(asked.fileName, "names.xlsx");
        QCOMPARE(asked.filters, QStringList{"Excel workbook (*.xlsx)"});
        QVERIFY(QFileInfo(saved).isFile() && f.rec.log.last().endsWith("File: " + saved));

        // The book replaced on disk after its scan: not exported; Scan Again scans it.
        QVERIFY(QDir(f.dir.filePath("names.xlsx")).removeRecursively());
        f.BrowseAndScan(book);
        WriteFile(book.toStdString(), Book(Named("U1", "Ann", "Lee")));
        f.rec.replies = {true};
        bool stayedReady = false;
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 60000);
            stayedReady = !dialog->Exported();
        });
        Click(f.Button("CmdContactsCreate"));
        WaitForRun(&f.window);
        QVERIFY(stayedReady);
        QVERIFY(f.rec.log.at(f.rec.log.size() - 2).endsWith("[Scan Again|Cancel]"));
        QCOMPARE(f.rec.log.last(), "Corvane Software: Notes Address Book Scan Completed");
        QCOMPARE(f.Contacts(), QStringList{"A/Ann Lee"});
        QCOMPARE(f.On(), QStringList{"export"});
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
        // In the tree: Right opens a letter, Down to its first contact, one Left back.
        Click(f.Tree()->viewport(), f.Tree()->visualItemRect(f.Node("Jo|Ann Pemberton")->parent()).center());
        Key(&f.window, Qt::Key_Right);
        Key(&f.window, Qt::Key_Down);
        QVERIFY(QtContactTree::ContactOf(f.Tree()->currentItem()) >= 0);
        Key(&f.window, Qt::Key_Left);
        QCOMPARE(f.Tree()->currentItem(), f.Node("Jo|Ann Pemberton")->parent());
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            // Tab from the start button comes to the format chosen, not the first one.
            QCOMPARE(FocusName(), "CmdConversion");
            Key(dialog, Qt::Key_Tab);
            QCOMPARE(FocusName(), "optXls");
            Key(dialog, Qt::Key_Down);  // the arrows choose
            QCOMPARE(dialog->Chosen().name, "xlsx");
            Key(dialog, Qt::Key_Up);
            QCOMPARE(dialog->Chosen().name, "xls");
            for (int i = 0; i < 4; ++i) Key(dialog, Qt::Key_Tab);  // past the file and Save As
            Key(dialog, Qt::Key_Return);  // Start Conversion has the focus
            WaitForRun(dialog);
            Key(dialog, Qt::Key_Return);  // and then the link
        });
        Key(&f.window, Qt::Key_E, Qt::AltModifier);  // the button presses itself a moment later
        QTRY_COMPARE(f.rec.log.value(2), "open " + f.dir.filePath("names.xls"));
    }

    // This build names no web site: no web item in the Help menu, no footer link, no
    // address in the About box. The manual opens in a window of the program, over the
    // main window; its web links go to ShellOpen; Esc and Ctrl+W close it.
    void helpMenuAndWebLinks() {
        Fixture f;
        QVERIFY(!f.Find<QAction>("mnuWebsite")->isVisible() && !f.Find("LabelSiteFooter")->isVisible());
        f.window.mnuWebsite_Click();
        f.window.LabelSiteFooter_Click();
        for (const QKeySequence& closing : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            if (!f.window.helpWindow())
                Key(&f.window, Qt::Key_F1);
            else
                f.window.mnuContents_Click();  // Help, Contents again
            HelpWindow* help = f.window.helpWindow();
            QVERIFY(help && QTest::qWaitForWindowExposed(help));
            QVERIFY(help->browser()->toPlainText().contains("tallowby-cli"));
            QVERIFY(help->screen()->availableGeometry().contains(help->frameGeometry()));
            QVERIFY(Centred(help, f.window.frameGeometry()) || help->width() >= f.window.width());
            help->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(help));
            QTest::keySequence(help->windowHandle(), closing);
            QTRY_VERIFY(!help->isVisible());
        }
        emit f.window.helpWindow()->browser()->anchorClicked(QUrl("https://example.org/x"));
        QCOMPARE(f.rec.log, QStringList{"open https://example.org/x"});
        // The version in the title and the About box is the project's; OK, clicked where
        // it is shown, closes the box.
        const QRegularExpression version(QStringLiteral("^Version \\d+\\.\\d+ Build \\d+$"));
        QVERIFY(f.window.windowTitle().startsWith(QStringLiteral("Corvane Tallowby v")));
        bool closed = false;
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) {
            QVERIFY(!about->findChild<QLabel*>("Label1")->isVisible());
            QVERIFY(about->screen()->availableGeometry().contains(about->frameGeometry()));
            const QString shown = about->findChild<QLabel*>("Label3")->text();
            QVERIFY2(version.match(shown).hasMatch(), qPrintable(shown));
            QVERIFY(f.window.windowTitle().endsWith(shown.section(' ', 1, 1)));
            Click(about->findChild<QPushButton*>("CmdOK"));
            closed = !about->isVisible();
        });
        f.window.mnuAbout_Click();
        QVERIFY(closed);
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
        // A question: its two buttons, the first the default, Esc the second.
        for (const auto& [key, answer] : {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Escape, false}}) {
            QTimer::singleShot(0, [&, key = key] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box && box->icon() == QMessageBox::Question && box->buttons().size() == 2);
                seen << box->defaultButton()->text() << box->escapeButton()->text();
                Key(box, key);
            });
            QCOMPARE(QtMessageBoxes().Ask("Again?", "Corvane Software", "Scan Again", "Cancel"), answer);
        }
        QCOMPARE(seen.mid(2), (QStringList{"Scan Again", "Cancel", "Scan Again", "Cancel"}));
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
