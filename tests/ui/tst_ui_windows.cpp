// The windows driven as a user drives them: start-up, choosing and typing the path,
// a scan of the sample book through the button, the details panel and its tabs, the
// conversion window from Ready to Done, the web links, the help, About and Exit.
// Message boxes, the file dialog and ShellOpen are answered by recorders.
#include "UiTestSupport.h"

#include "addressbook/ContactRecord.h"
#include "addressbook/ContactTree.h"
#include "addressbook/Scan.h"
#include "ui/ContactPanel.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/HelpWindow.h"
#include "ui/QtControls.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace tallowby;
using namespace tallowby::test;

namespace {

// The boxes of the panel in record order, with the labels beside them.
const std::vector<std::pair<const char*, const char*>> kBoxes = {
    {"txtFirstName", "First"}, {"txtMiddleName", "Middle"}, {"txtLastName", "Last"},
    {"txtSuffix", "Suffix"}, {"txtTitle", "Title"}, {"txtEmail", "Email"},
    {"txtCompany", "Company"}, {"txtJobTitle", "Job Title"}, {"txtBusinessStreet", "Street"},
    {"txtBusinessCity", "City"}, {"txtBusinessZip", "Zip"}, {"txtBusinessState", "State"},
    {"txtBusinessCountry", "Country"}, {"txtBusinessLocation", "Location"},
    {"txtBusinessWebpage", "Web Page"}, {"txtBusinessDept", "Dept"},
    {"txtBusinessManager", "Manager"}, {"txtBusinessAssistant", "Assistant"},
    {"txtBusinessPhone", "Office Phone"}, {"txtBusinessFax", "Office Fax"},
    {"txtBusinessCellPhone", "Cell Phone"}, {"txtBusinessPager", "Pager"},
    {"txtBusinessOtherEmail1", "Other Email 1"}, {"txtBusinessOtherEmail2", "Other Email 2"},
    {"txtBusinessOtherEmail3", "Other Email 3"}, {"txtHomeStreet", "Street"},
    {"txtHomeCity", "City"}, {"txtHomeZip", "Zip"}, {"txtHomeState", "State"},
    {"txtHomeCountry", "Country"}, {"txtSpouse", "Spouse"}, {"txtChildren", "Children"},
    {"txtHomePhone", "Home Phone"}, {"txtHomeFax", "Home Fax"},
    {"txtHomeCellPhone", "Cell Phone"}, {"txtBirthday", "Birthday"},
    {"txtAnniversary", "Anniversary"}, {"txtComments", "Comments"},
    {"txtShortName", "Short Name"}, {"txtPhoneticName", "Phonetic Name"},
    {"txtMailDomain", "Mail Domain"}, {"txtCategories", "Categories"}};

const char* const kFrames[] = {"FrameBusinessAddress", "FrameBusinessContactInfo",
                               "FramePersonal", "FrameBriefcase", "FrameAdvanced"};

QString BoxText(const QWidget* box) {
    if (auto* line = qobject_cast<const QLineEdit*>(box)) return line->text();
    if (auto* multi = qobject_cast<const QPlainTextEdit*>(box)) return multi->toPlainText();
    return QStringLiteral("<not a text box>");
}

// Simple stand-ins for the core's run against a tree kept in memory.
struct FakeControl : Control {
    void SetEnabled(bool) override {}
    void SetVisible(bool) override {}
};
struct FakeProgress : ProgressBar {
    void SetMinimum(int32_t) override {}
    void SetMaximum(int32_t) override {}
    void SetValue(int32_t) override {}
    void SetVisible(bool) override {}
    void Repaint() override {}
};
struct FixedText : TextSource {
    std::string text;
    std::string Text() const override { return text; }
};

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// One main window with recording services, in a temporary folder of its own.
class Fixture {
public:
    Fixture() : window(UiServices{messages, files, shell}) {
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }

    template <class T>
    T* Find(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("ContactsTreeView"); }
    QLineEdit* PathBox() { return Find<QLineEdit>("txtNotesDatabaseFile"); }

    // Copies the sample book into this test's folder; empty when it is missing.
    QString CopySample(const QString& name = QStringLiteral("names.dxl")) {
        const QString source = QStringLiteral(TALLOWBY_EXAMPLES_DIR "/names.dxl");
        const QString target = dir.filePath(name);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target)) return {};
        return target;
    }

    // Browse (answered with path), then the scan button.
    void BrowseAndScan(const QString& path) {
        files.answers.push_back(path);
        Button("CmdBrowse")->click();
        Button("CmdEnumerateNotes")->click();
    }

    // Shows the item on screen and clicks it.
    void ClickNode(QTreeWidgetItem* item) {
        if (item->parent()) item->parent()->setExpanded(true);
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // The panel as it stands: heading, picture, the 42 boxes.
    QStringList PanelSnapshot() {
        QStringList snapshot{Find<QLabel>("LblTopName")->text(),
                             Find<QLabel>("ImgContact")->isVisibleTo(&window)
                                 ? QStringLiteral("picture")
                                 : QStringLiteral("no picture")};
        for (const auto& [box, label] : kBoxes) snapshot << BoxText(Find<QWidget>(box));
        return snapshot;
    }

    QStringList VisibleFrames() {
        QStringList visible;
        for (const char* frame : kFrames) {
            if (Find<QWidget>(frame)->isVisibleTo(&window)) visible << QString::fromLatin1(frame);
        }
        return visible;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
    ScriptedFiles files;
    RecordingShell shell;
    FrmMain window;
    bool exposed = false;
};

// All contact items (those with a tag) in tree order.
QList<QTreeWidgetItem*> Contacts(FrmMain& window) {
    QList<QTreeWidgetItem*> contacts;
    QTreeWidget* tree = window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (!window.contactTree().TagOf(*it).empty()) contacts << *it;
    }
    return contacts;
}

// Runs fn against the modal dialog of type T once exec() has started; closes the
// dialog afterwards if fn left it open, so that a failing check cannot hang the test.
template <class T, class Fn>
void WhenModal(QWidget* owner, Fn fn) {
    QTimer::singleShot(0, owner, [owner, fn] {
        T* dialog = owner->findChild<T*>();
        if (!dialog) {
            QTest::qFail("the modal window did not open", __FILE__, __LINE__);
            return;
        }
        fn(dialog);
        if (owner->findChild<T*>() == dialog && dialog->isVisible()) dialog->reject();
    });
}

} // namespace

class UiWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void startUp();
    void browseWithChosenName();
    void browseCancelledBeforeAnyChoice();
    void browseRemembersLastName();
    void typingAndClearingThePath();
    void scanThroughTheButton();
    void scanOfMissingBookKeepsTheProgramRunning();
    void contactClickFillsThePanel();
    void zeroSuffixAndTitleAndShiftedFields();
    void rootAndLetterClicksChangeNothing();
    void tabsShowExactlyOneFrame();
    void conversionFromReadyToDone();
    void conversionCloseBoxOpensNothing();
    void webLinks();
    void desktopShellOpensUrlsAndFiles();
    void realMessageBoxAndFileDialog();
    void helpContents();
    void helpFileFoundBesideTheProgram();
    void aboutOpensAndCloses();
    void treeAdapter();
    void exitEndsTheProgram();
};

void UiWindowsTest::startUp() {
    Fixture f;
    QVERIFY(f.exposed);
    QCOMPARE(f.window.windowTitle(), QStringLiteral("Corvane Tallowby v5.5"));
    QCOMPARE(f.window.size(), QSize(712, 644));
    QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
    QCOMPARE(f.window.state().ContactIndex, 1);

    // 28 nodes: the root, expanded, with "A".."Z" and "Other" in order, all empty.
    QTreeWidget* tree = f.Tree();
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("Notes Address Book"));
    QCOMPARE(QtContactTree::KeyOf(root), std::string("Lotus Notes Address Book"));
    QVERIFY(root->isExpanded());
    QCOMPARE(root->childCount(), 27);
    int nodes = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) ++nodes;
    QCOMPARE(nodes, 28);
    for (int i = 0; i < 27; ++i) {
        const QString expected =
            i < 26 ? QString(QChar(char16_t(u'A' + i))) : QStringLiteral("Other");
        QTreeWidgetItem* category = root->child(i);
        QCOMPARE(category->text(0), expected);
        QCOMPARE(QString::fromStdString(QtContactTree::KeyOf(category)), expected);
        QCOMPARE(category->childCount(), 0);
        QVERIFY(!category->isExpanded());
        QVERIFY(!category->icon(0).isNull());
    }
    // Three different pictures: root, category, (contact, checked after a scan).
    QVERIFY(root->icon(0).pixmap(16).toImage() != root->child(0)->icon(0).pixmap(16).toImage());

    // Captions and the states that the workflow switches.
    const std::vector<std::pair<const char*, const char*>> captions = {
        {"Label3", "Select Notes Address Book File"}, {"Label4", "Corvane"},
        {"Label1", "Tallowby"}, {"Label2", "Export notes address book to excel"},
        {"LblRead", "Reading Notes Address Book"}, {"Label49", "Corvane Software"},
        {"LabelSiteFooter", "https://www.corvane.example"}};
    for (const auto& [name, text] : captions) {
        QVERIFY2(f.Find<QLabel>(name), name);
        QCOMPARE(f.Find<QLabel>(name)->text(), QString::fromUtf8(text));
    }
    QCOMPARE(f.Button("CmdBrowse")->text(), QStringLiteral("&Browse..."));
    QCOMPARE(f.Button("CmdEnumerateNotes")->text(), QStringLiteral("Scan &Notes Contacts"));
    QCOMPARE(f.Button("CmdContactsCreate")->text(), QStringLiteral("&Export to Excel"));
    QCOMPARE(f.Find<QGroupBox>("FrameContacts")->title(), QStringLiteral("Notes Contacts Details"));
    QVERIFY(f.Button("CmdBrowse")->isEnabled());
    QVERIFY(!f.Button("CmdEnumerateNotes")->isEnabled());
    QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(!f.Find<QLabel>("LblRead")->isVisible());
    QVERIFY(!f.Find<QProgressBar>("ProgBarScanNotes")->isVisible());
    QVERIFY(f.PathBox()->text().isEmpty());

    // Menus in order; separators where the "-" items stand.
    QMenuBar* bar = f.window.menuBar();
    QCOMPARE(bar->actions().size(), 2);
    QCOMPARE(bar->actions()[0]->text(), QStringLiteral("File"));
    QCOMPARE(bar->actions()[1]->text(), QStringLiteral("Help"));
    auto items = [](QAction* menu) {
        QStringList list;
        for (QAction* a : menu->menu()->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + QLatin1Char('=') + a->text());
        return list;
    };
    QCOMPARE(items(bar->actions()[0]),
             (QStringList{"mnuOpen=Open Notes Address Book File", "-", "mnuExit=Exit"}));
    QCOMPARE(items(bar->actions()[1]), (QStringList{"mnuContents=Contents",
                                                    "mnuWebsite=Visit Website", "-",
                                                    "mnuAbout=About"}));

    // The panel: first page only, five tabs, no picture, empty heading and boxes, each
    // box named as in the record and labelled as it should be.
    QCOMPARE(f.VisibleFrames(), QStringList{"FrameBusinessAddress"});
    QTabBar* tabs = f.Find<QTabBar>("TabStrip1");
    QCOMPARE(tabs->count(), 5);
    const QStringList tabCaptions{"Business Address", "Business Contact Information", "Personal",
                                  "Briefcase", "Advanced"};
    for (int i = 0; i < 5; ++i) QCOMPARE(tabs->tabText(i), tabCaptions[i]);
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!f.Find<QLabel>("ImgContact")->isVisible());
    QVERIFY(f.Find<QLabel>("LblTopName")->text().isEmpty());
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        QWidget* box = f.Find<QWidget>(kBoxes[i].first);
        QVERIFY2(box, kBoxes[i].first);
        QVERIFY(BoxText(box).isEmpty());
        auto* label = f.Find<QLabel>(qPrintable(QStringLiteral("Label%1").arg(5 + int(i))));
        QVERIFY(label);
        QCOMPARE(label->text(), QString::fromUtf8(kBoxes[i].second));
    }
    for (const char* multi : {"txtCompany", "txtHomeStreet", "txtComments"}) {
        QVERIFY2(f.Find<QPlainTextEdit>(multi), multi);
        QCOMPARE(f.Find<QPlainTextEdit>(multi)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
}

void UiWindowsTest::browseWithChosenName() {
    Fixture f;
    const QString chosen = f.dir.filePath(QStringLiteral("names.dxl"));
    f.files.answers.push_back(chosen);
    f.Button("CmdBrowse")->click();

    QCOMPARE(f.files.requests.size(), std::size_t(1));
    const OpenFileRequest& request = f.files.requests.front();
    QVERIFY(request.fileName.isEmpty());
    QCOMPARE(request.filters, (QStringList{"Notes Address Book (*.nsf)",
                                           "Notes XML export (*.dxl *.xml)", "All files (*)"}));
    QCOMPARE(request.selectedFilter, QStringLiteral("Notes XML export (*.dxl *.xml)"));

    QCOMPARE(f.PathBox()->text(), chosen);
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());
    QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());
    // The reading label and the bar appear at once, before any scan.
    QVERIFY(f.Find<QLabel>("LblRead")->isVisible());
    QProgressBar* bar = f.Find<QProgressBar>("ProgBarScanNotes");
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->value(), 0);
    QVERIFY(f.messages.shown.empty());

    // File, Open runs the same handler.
    f.files.answers.push_back(chosen + QStringLiteral(".2"));
    f.Find<QAction>("mnuOpen")->trigger();
    QCOMPARE(f.files.requests.size(), std::size_t(2));
    QCOMPARE(f.files.requests.back().fileName, chosen);
    QCOMPARE(f.PathBox()->text(), chosen + QStringLiteral(".2"));
}

void UiWindowsTest::browseCancelledBeforeAnyChoice() {
    Fixture f;
    f.Button("CmdBrowse")->click();  // the script is empty: cancelled
    QCOMPARE(f.files.requests.size(), std::size_t(1));
    QVERIFY(f.PathBox()->text().isEmpty());
    QVERIFY(!f.Button("CmdEnumerateNotes")->isEnabled());
    QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(!f.Find<QLabel>("LblRead")->isVisible());
    QVERIFY(!f.Find<QProgressBar>("ProgBarScanNotes")->isVisible());
    QVERIFY(f.messages.shown.empty());
}

void UiWindowsTest::browseRemembersLastName() {
    Fixture f;
    const QString first = f.dir.filePath(QStringLiteral("first.dxl"));
    f.files.answers.push_back(first);
    f.Button("CmdBrowse")->click();
    QTest::keyClicks(f.PathBox(), QStringLiteral("-edited"));
    QCOMPARE(f.PathBox()->text(), first + QStringLiteral("-edited"));

    // The dialog starts with the last chosen name; a cancel puts that name back.
    f.Button("CmdBrowse")->click();
    QCOMPARE(f.files.requests.size(), std::size_t(2));
    QCOMPARE(f.files.requests.back().fileName, first);
    QCOMPARE(f.PathBox()->text(), first);
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());
}

void UiWindowsTest::typingAndClearingThePath() {
    Fixture f;
    QTest::keyClicks(f.PathBox(), QStringLiteral("/tmp/x"));
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());
    // Typing shows neither the reading label nor the bar.
    QVERIFY(!f.Find<QLabel>("LblRead")->isVisible());
    QVERIFY(!f.Find<QProgressBar>("ProgBarScanNotes")->isVisible());
    f.PathBox()->selectAll();
    QTest::keyClick(f.PathBox(), Qt::Key_Backspace);
    QVERIFY(f.PathBox()->text().isEmpty());
    QVERIFY(!f.Button("CmdEnumerateNotes")->isEnabled());
    QTest::keyClicks(f.PathBox(), QStringLiteral(" "));
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());  // a blank is not empty

    // After a scan, editing the path leaves the export button alone; browsing again
    // disables it, and the tree and the panel keep what they show.
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    QTest::keyClicks(f.PathBox(), QStringLiteral("x"));
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());
    f.PathBox()->clear();
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(!f.Button("CmdEnumerateNotes")->isEnabled());

    const QList<QTreeWidgetItem*> contacts = Contacts(f.window);
    QVERIFY(!contacts.isEmpty());
    f.ClickNode(contacts.front());
    const QStringList panel = f.PanelSnapshot();
    f.files.answers.push_back(book);
    f.Button("CmdBrowse")->click();
    QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(f.Button("CmdEnumerateNotes")->isEnabled());
    QCOMPARE(Contacts(f.window).size(), contacts.size());
    QCOMPARE(f.PanelSnapshot(), panel);
}

void UiWindowsTest::scanThroughTheButton() {
    Fixture f;
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");

    // The tree the core builds from another copy of the same book, kept in memory.
    const QString reference = f.CopySample(QStringLiteral("reference/names.dxl"));
    MemoryContactTree expected;
    PopulateDefaultTree(expected);
    {
        FixedText path;
        path.text = reference.toStdString();
        FakeProgress progress;
        FakeControl label, exportButton, scanButton;
        RecordingMessages quiet;
        ScanWindow window{path, expected, progress, label, exportButton, scanButton, quiet};
        ModuleState state;
        QCOMPARE(int(CmdEnumerateNotes_Click(window, state)), int(ScanOutcome::Completed));
    }

    f.files.answers.push_back(book);
    f.Button("CmdBrowse")->click();
    PaintCounter treePaints(f.Tree()->viewport());
    bool eventLoopRan = false;
    QTimer::singleShot(0, &f.window, [&] { eventLoopRan = true; });
    f.Button("CmdEnumerateNotes")->click();
    // The scan ran to its end without letting queued events run.
    QVERIFY(!eventLoopRan);

    QCOMPARE(f.messages.shown.size(), std::size_t(1));
    QCOMPARE(f.messages.shown[0].text, std::string("Notes Address Book Scan Completed"));
    QCOMPARE(f.messages.shown[0].title, std::string("Corvane Software"));
    QVERIFY(QFileInfo::exists(f.dir.filePath(QStringLiteral("names.bak"))));

    // Same nodes, texts, keys, tags and depths, in the same order, as the core's tree.
    const auto expectedNodes = expected.InTreeOrder();
    std::vector<std::tuple<std::string, std::string, std::string, int>> want, got;
    for (const auto& [node, depth] : expectedNodes)
        want.emplace_back(node->key, node->text, node->tag, depth);
    for (QTreeWidgetItemIterator it(f.Tree()); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
        got.emplace_back(QtContactTree::KeyOf(*it), (*it)->text(0).toStdString(),
                         f.window.contactTree().TagOf(*it), depth);
    }
    QCOMPARE(got.size(), want.size());
    QVERIFY(got == want);

    // Every contact lies under the category of its first name.
    const QList<QTreeWidgetItem*> contacts = Contacts(f.window);
    QVERIFY(contacts.size() > 100);
    QTreeWidgetItem* root = f.Tree()->topLevelItem(0);
    int underOther = 0;
    for (QTreeWidgetItem* contact : contacts) {
        QCOMPARE(contact->parent()->parent(), root);
        const std::string first = SplitTag(f.window.contactTree().TagOf(contact))[0];
        const QString category = contact->parent()->text(0);
        QCOMPARE(QString::fromStdString(CategoryKey(first)), category);
        if (category == QLatin1String("Other")) ++underOther;
        QCOMPARE(contact->childCount(), 0);
    }
    QVERIFY(underOther > 0);
    QVERIFY(!contacts.front()->icon(0).isNull());
    QVERIFY(contacts.front()->icon(0).pixmap(16).toImage() !=
            contacts.front()->parent()->icon(0).pixmap(16).toImage());
    QVERIFY(root->isExpanded());

    // After the scan: bar and label hidden, export enabled, scan disabled.
    QProgressBar* bar = f.Find<QProgressBar>("ProgBarScanNotes");
    QVERIFY(!bar->isVisible());
    QVERIFY(!f.Find<QLabel>("LblRead")->isVisible());
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    QVERIFY(!f.Button("CmdEnumerateNotes")->isEnabled());
    QCOMPARE(f.window.state().ContactCount, int(contacts.size()));
    QCOMPARE(bar->maximum(), int(contacts.size()));
    QCOMPARE(bar->value(), int(contacts.size()));

    // The tree was repainted during the run, but not once per contact.
    QVERIFY(treePaints.paints >= 1);
    QVERIFY(treePaints.paints < contacts.size());
}

void UiWindowsTest::scanOfMissingBookKeepsTheProgramRunning() {
    Fixture f;
    QTest::keyClicks(f.PathBox(), f.dir.filePath(QStringLiteral("missing.dxl")));
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    f.Button("CmdEnumerateNotes")->click();
    QCOMPARE(f.messages.shown.size(), std::size_t(1));  // a message instead of an exit
    QVERIFY(f.window.isVisible());
    QCOMPARE(quitting.count(), 0);
    QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());
    QCOMPARE(f.Tree()->topLevelItem(0)->childCount(), 27);
    QCOMPARE(Contacts(f.window).size(), 0);
}

void UiWindowsTest::contactClickFillsThePanel() {
    Fixture f;
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    const QList<QTreeWidgetItem*> contacts = Contacts(f.window);
    QVERIFY(contacts.size() > 2);

    // One contact with a middle name and one without, each clicked as a user would.
    int withMiddle = 0, withoutMiddle = 0;
    for (QTreeWidgetItem* contact : contacts) {
        const std::vector<std::string> fields =
            SplitTag(f.window.contactTree().TagOf(contact));
        const bool middle = !fields[1].empty();
        if ((middle && withMiddle) || (!middle && withoutMiddle)) continue;
        (middle ? withMiddle : withoutMiddle)++;

        f.ClickNode(contact);
        QVERIFY(f.Find<QLabel>("ImgContact")->isVisible());
        const QString heading = QString::fromStdString(
            middle ? fields[0] + " " + fields[1] + " " + fields[2] : fields[0] + " " + fields[2]);
        QCOMPARE(f.Find<QLabel>("LblTopName")->text(), heading);
        for (std::size_t i = 0; i < kBoxes.size(); ++i) {
            QString want = QString::fromStdString(fields[i]);
            if ((i == 3 || i == 4) && want == QLatin1String("0")) want.clear();
            QCOMPARE(BoxText(f.Find<QWidget>(kBoxes[i].first)), want);
        }
        if (withMiddle && withoutMiddle) break;
    }
    QVERIFY(withMiddle == 1 && withoutMiddle == 1);
}

void UiWindowsTest::zeroSuffixAndTitleAndShiftedFields() {
    Fixture f;
    QtContactTree& tree = f.window.contactTree();
    std::vector<std::string> fields(kPanelBoxCount);
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = "v" + std::to_string(i);
    fields[0] = "";  // no first name: the heading begins with a blank
    fields[1] = "";
    fields[3] = "0";
    fields[4] = "0";
    fields[5] = "00";
    std::string tag;
    for (std::size_t i = 0; i < fields.size(); ++i) tag += (i ? "|" : "") + fields[i];
    QVERIFY(tree.Add("Other", "zero-key", "v2", kImageContact));
    QVERIFY(tree.SetTag("zero-key", tag));
    f.ClickNode(tree.Find("zero-key"));
    QCOMPARE(f.Find<QLabel>("LblTopName")->text(), QStringLiteral(" v2"));
    QCOMPARE(f.Find<QLineEdit>("txtSuffix")->text(), QString());
    QCOMPARE(f.Find<QLineEdit>("txtTitle")->text(), QString());
    QCOMPARE(f.Find<QLineEdit>("txtEmail")->text(), QStringLiteral("00"));
    QCOMPARE(f.Find<QLineEdit>("txtCategories")->text(), QStringLiteral("v41"));

    // An extra "|" inside the company shifts every later box by one.
    std::string shifted;
    for (std::size_t i = 0; i < fields.size(); ++i)
        shifted += (i ? "|" : "") + (i == 6 ? std::string("Smith|Jones") : fields[i]);
    QVERIFY(tree.Add("S", "shift-key", "Shifted", kImageContact));
    QVERIFY(tree.SetTag("shift-key", shifted));
    f.ClickNode(tree.Find("shift-key"));
    QCOMPARE(f.Find<QPlainTextEdit>("txtCompany")->toPlainText(), QStringLiteral("Smith"));
    QCOMPARE(f.Find<QLineEdit>("txtJobTitle")->text(), QStringLiteral("Jones"));
    QCOMPARE(f.Find<QLineEdit>("txtBusinessStreet")->text(), QStringLiteral("v7"));
    QCOMPARE(f.Find<QLineEdit>("txtCategories")->text(), QStringLiteral("v40"));
}

void UiWindowsTest::rootAndLetterClicksChangeNothing() {
    Fixture f;
    QTreeWidget* tree = f.Tree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    // Right after start-up.
    const QStringList empty = f.PanelSnapshot();
    for (QTreeWidgetItem* node : {root, root->child(0), root->child(26)}) {
        f.ClickNode(node);
        QCOMPARE(f.PanelSnapshot(), empty);
    }
    QVERIFY(!f.Find<QLabel>("ImgContact")->isVisible());

    // And after a contact is shown.
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    QTreeWidgetItem* contact = Contacts(f.window).front();
    f.ClickNode(contact);
    const QStringList shown = f.PanelSnapshot();
    QVERIFY(shown != empty);
    for (QTreeWidgetItem* node : {root, contact->parent(), root->child(26)}) {
        f.ClickNode(node);
        QCOMPARE(f.PanelSnapshot(), shown);
    }
}

void UiWindowsTest::tabsShowExactlyOneFrame() {
    Fixture f;
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    QTabBar* tabs = f.Find<QTabBar>("TabStrip1");
    // Every tab's whole caption is on screen: no tab is cut off or scrolled away.
    for (int i = 0; i < tabs->count(); ++i)
        QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));

    f.ClickNode(Contacts(f.window).front());
    const QStringList shown = f.PanelSnapshot();
    for (int round = 0; round < 2; ++round) {
        for (int i : {2, 0, 4, 1, 3}) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
            QCOMPARE(tabs->currentIndex(), i);
            QCOMPARE(f.VisibleFrames(), QStringList{QString::fromLatin1(kFrames[i])});
            QCOMPARE(f.PanelSnapshot(), shown);
        }
    }
    // Showing another contact does not switch the page.
    f.ClickNode(Contacts(f.window).back());
    QCOMPARE(tabs->currentIndex(), 3);
    QCOMPARE(f.VisibleFrames(), QStringList{"FrameBriefcase"});
}

void UiWindowsTest::conversionFromReadyToDone() {
    Fixture f;
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    f.messages.shown.clear();

    bool checked = false;
    bool panelAtMessage = true;
    bool windowAtShellOpen = true;
    WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
        auto* start = dialog->findChild<QPushButton*>(QStringLiteral("CmdConversion"));
        auto* panel = dialog->findChild<QWidget*>(QStringLiteral("FrameConversionDone"));
        auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("ProgBarSave"));
        auto* link = dialog->findChild<QLabel*>(QStringLiteral("LblOpenExcelFile"));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("CmdCloseAll"));
        QVERIFY(start && panel && bar && link && ok);
        // Ready.
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Conversion Options"));
        QVERIFY(dialog->isModal());
        QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(dialog));
        QCOMPARE(dialog->size(), QSize(402, 239));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(start->text(), QStringLiteral("&Start Conversion"));
        QVERIFY(start->isEnabled());
        QVERIFY(!panel->isVisible());
        QCOMPARE(bar->value(), 0);
        QCOMPARE(link->text(), QStringLiteral("Open Exported Excel File File"));
        QCOMPARE(ok->text(), QStringLiteral("&OK"));
        QVERIFY(link->font().bold());

        // Running to Done: the message comes first, the panel after it.
        f.messages.onShow = [&] { panelAtMessage = panel->isVisible(); };
        bool eventLoopRan = false;
        QTimer::singleShot(0, dialog, [&] { eventLoopRan = true; });
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(!eventLoopRan);
        QCOMPARE(f.messages.shown.size(), std::size_t(1));
        const std::string count = std::to_string(f.window.state().ContactCount);
        QVERIFY2(f.messages.shown[0].text.rfind(count + " Contacts Saved Successfully", 0) == 0,
                 f.messages.shown[0].text.c_str());
        QCOMPARE(f.messages.shown[0].title, std::string("Conversion Completed..."));
        QVERIFY(!panelAtMessage);
        QVERIFY(panel->isVisible());
        QVERIFY(!start->isEnabled());
        QVERIFY(!f.Button("CmdContactsCreate")->isEnabled());

        // The worksheet lies beside the book, finished.
        const QString sheet = QString::fromStdString(f.window.state().ExportFilePath);
        QCOMPARE(sheet, f.dir.filePath(QStringLiteral("names.xls")));
        QVERIFY(QFileInfo(sheet).size() > 0);

        // The link hands the latest worksheet to ShellOpen, each time it is clicked.
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(f.shell.opened, (std::vector<std::string>{sheet.toStdString(),
                                                           sheet.toStdString()}));
        QVERIFY(dialog->isVisible());

        // OK closes the window first, then opens the product page.
        f.shell.onOpen = [&] { windowAtShellOpen = dialog->isVisible(); };
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(f.shell.opened.size(), std::size_t(3));
        QCOMPARE(f.shell.opened.back(), std::string("https://www.corvane.example/tallowby"));
        QVERIFY(!windowAtShellOpen);
        checked = true;
    });
    QTest::mouseClick(f.Button("CmdContactsCreate"), Qt::LeftButton);
    QVERIFY(checked);
    QVERIFY(!f.window.findChild<FrmConversion*>());  // unloaded
    f.shell.onOpen = nullptr;
    f.messages.onShow = nullptr;

    // A new scan enables the export again; the window opens afresh in Ready.
    f.BrowseAndScan(book);
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());
    bool ready = false;
    WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
        QVERIFY(dialog->findChild<QPushButton*>(QStringLiteral("CmdConversion"))->isEnabled());
        QVERIFY(!dialog->findChild<QWidget*>(QStringLiteral("FrameConversionDone"))->isVisible());
        QCOMPARE(dialog->findChild<QProgressBar*>(QStringLiteral("ProgBarSave"))->value(), 0);
        ready = true;
    });
    f.Button("CmdContactsCreate")->click();
    QVERIFY(ready);
    QCOMPARE(f.shell.opened.size(), std::size_t(3));
}

void UiWindowsTest::conversionCloseBoxOpensNothing() {
    Fixture f;
    const QString book = f.CopySample();
    QVERIFY2(!book.isEmpty(), "examples/names.dxl is missing");
    f.BrowseAndScan(book);
    bool closed = false;
    WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
        // Before a run the panel's link and OK cannot be reached.
        QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("LblOpenExcelFile"))->isVisible());
        QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("CmdCloseAll"))->isVisible());
        closed = dialog->close();
    });
    f.Button("CmdContactsCreate")->click();
    QVERIFY(closed);
    QVERIFY(f.shell.opened.empty());
    QVERIFY(f.messages.shown.size() == 1);  // only the scan's message
    QVERIFY(f.Button("CmdContactsCreate")->isEnabled());  // nothing was exported
}

void UiWindowsTest::webLinks() {
    Fixture f;
    f.Find<QAction>("mnuWebsite")->trigger();
    QLabel* footer = f.Find<QLabel>("LabelSiteFooter");
    QCOMPARE(footer->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(footer, Qt::LeftButton);
    QTest::mouseClick(footer, Qt::RightButton);  // not a click on the link
    QCOMPARE(f.shell.opened, (std::vector<std::string>{"https://www.corvane.example/tallowby",
                                                       "https://www.corvane.example/"}));
    QCOMPARE(footer->text(), QStringLiteral("https://www.corvane.example"));
}

// Receives what QDesktopServices::openUrl hands to a registered scheme handler.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

void UiWindowsTest::desktopShellOpensUrlsAndFiles() {
    UrlSink sink;
    for (const char* scheme : {"https", "file", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &sink, "open");
    DesktopShell shell;
    shell.ShellOpen("");
    QVERIFY(sink.urls.isEmpty());
    shell.ShellOpen("https://www.corvane.example/tallowby");
    shell.ShellOpen("/tmp/some folder/names.xls");
    shell.ShellOpen("mailto:support@corvane.example");
    for (const char* scheme : {"https", "file", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    QCOMPARE(sink.urls.size(), 3);
    QCOMPARE(sink.urls[0], QUrl(QStringLiteral("https://www.corvane.example/tallowby")));
    QVERIFY(sink.urls[1].isLocalFile());
    QCOMPARE(sink.urls[1].toLocalFile(), QStringLiteral("/tmp/some folder/names.xls"));
    QCOMPARE(sink.urls[2].scheme(), QStringLiteral("mailto"));
}

void UiWindowsTest::realMessageBoxAndFileDialog() {
    // The message box: information icon, one OK button, the title and text as given
    // (lines joined by CR LF are shown as lines).
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen << box->windowTitle() << box->text();
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    QtMessageBoxes().Show("line <1>\r\nline 2", "Corvane Software");
    QCOMPARE(seen, (QStringList{"Corvane Software", "line <1>\nline 2"}));

    // The file dialog: three filters, the DXL one selected, starting at the given name.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString book = dir.filePath(QStringLiteral("names.dxl"));
    {
        QFile file(book);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const OpenFileRequest request{book,
                                  {"Notes Address Book (*.nsf)", "Notes XML export (*.dxl *.xml)",
                                   "All files (*)"},
                                  "Notes XML export (*.dxl *.xml)"};
    QtFilePicker picker;
    for (const bool accept : {false, true}) {
        QTimer::singleShot(0, [&, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->nameFilters(), request.filters);
            QCOMPARE(dialog->selectedNameFilter(), request.selectedFilter);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
                     QStringLiteral("names.dxl"));  // starts at the name it was given
            if (accept) {
                dialog->selectFile(book);
                static_cast<QDialog*>(dialog)->accept();  // as the Open button does
            } else {
                dialog->reject();
            }
        });
        const std::optional<QString> chosen = picker.ShowOpen(nullptr, request);
        if (accept) {
            QVERIFY(chosen.has_value());
            QCOMPARE(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(book).canonicalFilePath());
        } else {
            QVERIFY(!chosen.has_value());
        }
    }
}

void UiWindowsTest::helpContents() {
    Fixture f;
    QVERIFY(!f.window.helpWindow());
    f.Find<QAction>("mnuContents")->trigger();
    HelpWindow* help = f.window.helpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->parentWidget(), &f.window);
    const QString text = help->browser()->toPlainText();
    for (const char* part : {"File > Export", "DXL", "255 characters", "65,535", "Windows-1252",
                             "16,384", "tallowby-cli", "names.xls"})
        QVERIFY2(text.contains(QString::fromUtf8(part)), part);
    QVERIFY(f.shell.opened.empty());
    f.Find<QAction>("mnuContents")->trigger();
    QCOMPARE(f.window.helpWindow(), help);  // the same window again
    QCOMPARE(f.window.findChildren<HelpWindow*>().size(), 1);
    // The manual's web link goes to ShellOpen, not into the help window.
    emit help->browser()->anchorClicked(QUrl(QStringLiteral("https://www.corvane.example/tallowby")));
    QCOMPARE(f.shell.opened, std::vector<std::string>{"https://www.corvane.example/tallowby"});
    f.window.close();
    QVERIFY(!help->isVisible());
}

void UiWindowsTest::helpFileFoundBesideTheProgram() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    auto place = [](const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0;
    };
    // Nothing installed: the copy built into the program.
    QCOMPARE(HelpFileUrl(bin), QUrl(QStringLiteral("qrc:/help/manual.html")));
    QFile builtIn(QStringLiteral(":/help/manual.html"));
    QVERIFY(builtIn.open(QIODevice::ReadOnly));
    QVERIFY(builtIn.readAll().contains("tallowby-cli"));
    // Installed: PREFIX/share/tallowby/help beside PREFIX/bin.
    const QString installed = dir.filePath(QStringLiteral("share/tallowby/help/manual.html"));
    QVERIFY(place(installed));
    QCOMPARE(HelpFileUrl(bin), QUrl::fromLocalFile(QFileInfo(installed).canonicalFilePath()));
    // Build tree: help/ beside the program wins.
    const QString besides = dir.filePath(QStringLiteral("bin/help/manual.html"));
    QVERIFY(place(besides));
    QCOMPARE(HelpFileUrl(bin), QUrl::fromLocalFile(QFileInfo(besides).canonicalFilePath()));
}

void UiWindowsTest::aboutOpensAndCloses() {
    Fixture f;
    QStringList contents[2];
    for (int round = 0; round < 2; ++round) {
        WhenModal<DocAbout>(&f.window, [&, round](DocAbout* about) {
            QCOMPARE(about->windowTitle(), QStringLiteral("About"));
            QVERIFY(about->isModal());
            QCOMPARE(about->size(), QSize(330, 193));
            auto* version = about->findChild<QLabel*>(QStringLiteral("Label3"));
            auto* maker = about->findChild<QLabel*>(QStringLiteral("Label2"));
            auto* address = about->findChild<QLabel*>(QStringLiteral("Label1"));
            auto* ok = about->findChild<QPushButton*>(QStringLiteral("CmdOK"));
            QVERIFY(version && maker && address && ok);
            QVERIFY(about->findChild<QLabel*>(QStringLiteral("Image1")));
            QVERIFY(about->findChild<QWidget*>(QStringLiteral("Line1")));
            QCOMPARE(version->text(), QStringLiteral("Version 5.5 Build 1109"));
            QVERIFY(maker->text().contains(QStringLiteral("Corvane Software")));
            QCOMPARE(address->text(), QStringLiteral("https://www.corvane.example"));
            QVERIFY(address->font().bold());
            QCOMPARE(ok->text(), QStringLiteral("OK"));
            QVERIFY(ok->font().bold());
            contents[round] << version->text() << maker->text() << address->text();
            QTest::mouseClick(ok, Qt::LeftButton);
            QVERIFY(!about->isVisible());
        });
        f.Find<QAction>("mnuAbout")->trigger();
        QVERIFY(!f.window.findChild<DocAbout*>());
    }
    QVERIFY(!contents[0].isEmpty());
    QCOMPARE(contents[1], contents[0]);
    QVERIFY(f.shell.opened.empty());
}

void UiWindowsTest::treeAdapter() {
    QTreeWidget widget;
    QtContactTree tree(&widget, {});
    QVERIFY(tree.Add("", "root", "Root", kImageRoot));
    QVERIFY(tree.Add("root", "b", "B", kImageCategory));
    QVERIFY(tree.Add("root", "a", "A", kImageCategory));
    QVERIFY(!tree.Add("root", "a", "again", kImageCategory));  // key present
    QVERIFY(!tree.Add("nowhere", "c", "C", kImageContact));    // parent missing
    QVERIFY(!tree.Contains("c"));
    QCOMPARE(widget.topLevelItem(0)->childCount(), 2);
    QCOMPARE(widget.topLevelItem(0)->child(0)->text(0), QStringLiteral("B"));  // insertion order
    QCOMPARE(widget.topLevelItem(0)->child(1)->text(0), QStringLiteral("A"));

    QCOMPARE(tree.Tag("a"), std::optional<std::string>(""));
    QCOMPARE(tree.Tag("missing"), std::optional<std::string>());
    const std::string tag = "\xC3\x86r\xC3\xB8|\xE6\xAD\xA6|";
    QVERIFY(tree.SetTag("a", tag));
    QCOMPARE(tree.Tag("a"), std::optional<std::string>(tag));
    QVERIFY(!tree.SetTag("missing", tag));
    QCOMPARE(tree.TagOf(tree.Find("a")), tag);
    QTreeWidgetItem stray(QStringList{"A"});
    stray.setData(0, QtContactTree::KeyRole, QStringLiteral("a"));  // same key, other item
    QCOMPARE(tree.TagOf(&stray), std::string());
    QCOMPARE(tree.TagOf(nullptr), std::string());
    QVERIFY(tree.SetText("a", "\xC3\x86"));
    QCOMPARE(tree.Find("a")->text(0), QStringLiteral("\u00c6"));
    QVERIFY(tree.Expand("root"));
    QVERIFY(tree.Find("root")->isExpanded());
    QVERIFY(!tree.Expand("missing"));
    QCOMPARE(QtContactTree::KeyOf(tree.Find("b")), std::string("b"));
    QCOMPARE(QtContactTree::KeyOf(nullptr), std::string());

    // A contact's key found among many at once, whichever was added first.
    for (int i = 0; i < 2000; ++i) QVERIFY(tree.Add("b", "k" + std::to_string(i), "n", kImageContact));
    QCOMPARE(tree.Find("k0")->text(0), QStringLiteral("n"));
    QCOMPARE(tree.Find("k1999")->parent(), tree.Find("b"));
}

void UiWindowsTest::exitEndsTheProgram() {
    Fixture f;
    QVERIFY(f.window.isVisible());
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, &f.window, [&] { f.Find<QAction>("mnuExit")->trigger(); });
    // Should Exit fail to end the program, this ends the event loop with 99.
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    const int status = QApplication::exec();
    QCOMPARE(status, 0);
    QCOMPARE(quitting.count(), 1);
    QVERIFY(!f.window.isVisible());
    QVERIFY(f.messages.shown.empty());  // no question asked
}

QTEST_MAIN(UiWindowsTest)
#include "tst_ui_windows.moc"
