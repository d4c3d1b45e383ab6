// Long runs through the windows, as a person meets them: during a scan of a big book
// the bar moves, repaints several times a second and the window answers; closing the
// main window during a scan, or the conversion window during an export, stops the
// work and leaves nothing behind. Every click is a mouse press and release at the
// control's place in its top-level window. And the tree a scan on the worker thread
// sees answers as the tree on screen does.
#include "addressbook/ContactRecord.h"
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/MirrorTree.h"
#include "ui/UiQueue.h"

#include <QtTest>
#include <QtWidgets>

using namespace tallowby;

namespace {

constexpr int kPersons = 20000;  // a scan of over a second

struct Recorder : MessageBoxes, Shell, FilePicker {
    QStringList log;
    void Show(const std::string& text, const std::string& title) override {
        log << QString::fromStdString(title + ": " + text);
    }
    void ShellOpen(const std::string&) override {}
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest&) override { return std::nullopt; }
};

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void ClickAt(QWidget* control) {
    QWidget* top = control->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, control->mapTo(top, control->rect().center()));
}

// The platform's close request, as the title bar's close box sends it.
void CloseBox(QWidget* window) { window->windowHandle()->close(); }

struct Fixture {
    Fixture() : window(UiServices{rec, rec, rec}) {
        QProcess make;
        make.start("python3", {TALLOWBY_EXAMPLES_DIR "/make_book.py", QString::number(kPersons), book, "--quiet"});
        made = make.waitForFinished(120000) && make.exitCode() == 0;
        original = Digest(book);
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
    template <class T = QWidget>
    T* Find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QProgressBar* Bar() { return Find<QProgressBar>("ProgBarScanNotes"); }
    // Types the book's path and clicks the scan button.
    void StartScan() {
        auto* path = Find<QLineEdit>("txtNotesDatabaseFile");
        path->setFocus();
        QTest::keyClicks(path, book);
        ClickAt(Find("CmdEnumerateNotes"));
    }
    int Contacts() {
        int contacts = 0;
        for (QTreeWidgetItemIterator it(Find<QTreeWidget>("ContactsTreeView")); *it; ++it)
            if ((*it)->parent() && (*it)->parent()->parent()) ++contacts;
        return contacts;
    }
    static QByteArray Digest(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
                                           : QByteArray();
    }
    // Files in the folder other than the book, each with its digest; a backup copy
    // counts only if it is not the complete copy of the book.
    QStringList Leftovers() {
        QStringList left;
        for (const QFileInfo& file : QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden)) {
            if (file.filePath() == book) continue;
            if (file.fileName() == "names.bak" && Digest(file.filePath()) == original) continue;
            left << file.fileName();
        }
        return left;
    }

    QTemporaryDir dir;
    QString book = dir.filePath("names.dxl");
    bool made = false;
    QByteArray original;
    Recorder rec;
    FrmMain window;
    bool exposed = false;
};

} // namespace

class UiBackgroundTest : public QObject {
    Q_OBJECT
private slots:
    void mirrorAnswersAsTheTreeDoes() {
        // Two trees alike; the mirror of the second must answer as the first does, and
        // its changes, replayed in a batch, must make the second equal to the first.
        QTreeWidget widgets[2];
        QtContactTree trees[2] = {{&widgets[0], {}}, {&widgets[1], {}}};
        ContactFields fields;
        fields[0] = "Jo|Ann";
        for (QtContactTree& tree : trees) {
            PopulateDefaultTree(tree);
            tree.Add("J", "old", "Jo", kImageContact);
            tree.SetRecord("old", fields);
        }
        UiQueue queue;
        MirrorContactTree mirror(trees[1], &widgets[1], queue);
        QStringList answers[2];
        for (int side = 0; side < 2; ++side) {
            ContactTree& tree = side == 0 ? static_cast<ContactTree&>(trees[0]) : mirror;
            QStringList& said = answers[side];
            const auto tag = [&](const char* key) {
                const auto t = tree.Tag(key);
                return t ? QString::fromStdString("tag " + *t) : QStringLiteral("no node");
            };
            said << tag("old") << tag("A") << tag("nothing");
            for (const auto& [parent, key] : std::vector<std::pair<std::string, std::string>>{
                     {"A", "k1"}, {"A", "k1"}, {"Nowhere", "k2"}, {"", "top"}, {"top", "k3"},
                     {"B", "k\xff"}, {"B", "k\xfe"}, {"k1", "below a contact"}})
                said << QString::number(tree.Add(parent, key, "Ann", kImageContact));
            said << QString::number(tree.Contains("k1")) << QString::number(tree.Contains("k\xfe"))
                 << QString::number(tree.SetRecord("k1", fields)) << tag("k1")
                 << QString::number(tree.SetTag("nothing", "x")) << QString::number(tree.SetTag("k3", "three"))
                 << QString::number(tree.SetText("k1", "Ann B")) << QString::number(tree.SetText("nothing", ""))
                 << QString::number(tree.Expand("k1")) << QString::number(tree.Expand("nothing"));
            tree.RemoveContacts();
            said << QString::number(tree.Contains("k1")) << QString::number(tree.Contains("old"))
                 << QString::number(tree.Contains("below a contact")) << QString::number(tree.Contains("k3"))
                 << QString::number(tree.Add("A", "k1", "Ann", kImageContact)) << tag("k1") << tag("k3")
                 << QString::number(tree.Add("k1", "k4", "Below", kImageContact))
                 << QString::number(tree.Expand("k1"));
        }
        QCOMPARE(answers[1], answers[0]);
        {
            const QtContactTree::Batch batch(trees[1]);  // as the window applies them
            for (const UiQueue::Item& item : queue.Take()) item.op();
        }
        const auto shown = [](QtContactTree& tree, QTreeWidget& widget) {
            QStringList nodes;
            for (QTreeWidgetItemIterator it(&widget); *it; ++it)
                nodes << QString::fromStdString(QtContactTree::KeyOf(*it) + " " + tree.TagOf(*it)) + " " +
                             (*it)->text(0) + " " + QString::number((*it)->isExpanded());
            return nodes;
        };
        QCOMPARE(shown(trees[1], widgets[1]), shown(trees[0], widgets[0]));
    }

    void longScanKeepsTheWindowAlive() {
        Fixture f;
        QVERIFY(f.made && f.exposed);
        PaintCounter counter;
        f.Bar()->installEventFilter(&counter);
        int ticks = 0;  // the window's own timer, which runs only while the window answers
        QTimer clock;
        QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(50);

        QElapsedTimer elapsed;
        elapsed.start();
        f.StartScan();
        QVERIFY(f.window.Running());
        QList<int> values;
        while (f.window.Running()) {
            // Typed path: the label and the bar show all the same, until the scan has
            // completed; nothing else starts.
            if (f.rec.log.isEmpty()) QVERIFY(f.Find("LblRead")->isVisible() && f.Bar()->isVisible());
            for (const char* button : {"CmdEnumerateNotes", "CmdBrowse", "CmdContactsCreate"})
                QVERIFY2(!f.Find(button)->isEnabled(), button);
            QVERIFY(!f.Find<QAction>("mnuOpen")->isEnabled());
            if (values.isEmpty() || values.last() != f.Bar()->value()) values << f.Bar()->value();
            QTest::qWait(20);
        }
        const double seconds = elapsed.elapsed() / 1000.0;
        qInfo("scan: %.2f s, %d bar values, %d bar paints, %d timer ticks", seconds,
              static_cast<int>(values.size()), counter.paints, ticks);
        QVERIFY2(seconds > 1, "the book is too small to show a long scan");
        QVERIFY(values.size() >= 4);                // the bar advanced, step by step
        QVERIFY(counter.paints >= 3 * seconds);     // and was repainted several times a second
        QVERIFY(ticks >= 5 * seconds);              // the window answered throughout
        QCOMPARE(f.rec.log, QStringList{"Corvane Software: Notes Address Book Scan Completed"});
        QCOMPARE(f.Contacts(), kPersons);
        QVERIFY(f.Find("CmdContactsCreate")->isEnabled() && f.Find("CmdBrowse")->isEnabled());
        QVERIFY(!f.Find("CmdEnumerateNotes")->isEnabled() && !f.Bar()->isVisible());
    }

    void closingTheWindowMidScanStopsIt_data() {
        QTest::addColumn<int>("waitForValue");
        QTest::newRow("while copying and reading") << -1;
        QTest::newRow("during the walk") << kPersons / 4;
    }
    void closingTheWindowMidScanStopsIt() {
        QFETCH(int, waitForValue);
        Fixture f;
        QVERIFY(f.made && f.exposed);
        f.StartScan();
        if (waitForValue > 0) QTRY_VERIFY_WITH_TIMEOUT(f.Contacts() >= waitForValue, 60000);
        QElapsedTimer elapsed;
        elapsed.start();
        bool shownWhileRunning = false;
        QTimer::singleShot(0, &f.window, [&] {
            CloseBox(&f.window);
            shownWhileRunning = f.window.isVisible() && f.window.Running();  // nothing hidden yet
        });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });  // should it hang
        QCOMPARE(QApplication::exec(), 0);  // the last window closed: the program ends
        qInfo("from the close box to the end: %lld ms", static_cast<long long>(elapsed.elapsed()));
        QVERIFY(shownWhileRunning);
        QVERIFY(!f.window.isVisible() && !f.window.Running());
        QVERIFY(f.Contacts() < kPersons);  // stopped, not run to its end
        QCOMPARE(f.rec.log, QStringList());
        QCOMPARE(f.Leftovers(), QStringList());
        QCOMPARE(Fixture::Digest(f.book), f.original);
    }

    void closingTheConversionWindowMidExportStopsIt() {
        Fixture f;
        QVERIFY(f.made && f.exposed);
        const QString sheet = f.dir.filePath("names.xls");
        QFile earlier(sheet);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier worksheet") > 0);
        earlier.close();
        f.StartScan();
        QTRY_VERIFY_WITH_TIMEOUT(!f.window.Running(), 60000);
        f.rec.log.clear();

        bool closed = false;
        QTimer::singleShot(0, &f.window, [&] {
            auto* dialog = f.window.findChild<FrmConversion*>();
            if (!dialog) return QTest::qFail("the conversion window did not open", __FILE__, __LINE__);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            auto* bar = dialog->findChild<QProgressBar*>("ProgBarSave");
            ClickAt(dialog->findChild<QWidget*>("CmdConversion"));
            QVERIFY(dialog->Running());
            QVERIFY(!dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 100, 60000);  // the walk is under way
            CloseBox(dialog);
            QVERIFY(dialog->isVisible());  // until the export has ended
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 10000);
            closed = !dialog->Running();
        });
        ClickAt(f.Find("CmdContactsCreate"));
        QVERIFY(closed);
        QCOMPARE(f.rec.log, QStringList());
        QCOMPARE(Fixture::Digest(sheet), QCryptographicHash::hash("an earlier worksheet", QCryptographicHash::Sha1));
        QCOMPARE(f.Leftovers(), QStringList{"names.xls"});
    }
};

QTEST_MAIN(UiBackgroundTest)
#include "tst_ui_background.moc"
