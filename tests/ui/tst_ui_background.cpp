// Runs on the worker thread, as a person meets them: during a scan of a big book the
// bar moves, repaints several times a second and the window answers; closing the main
// window during a scan, or the conversion window during an export, stops the work and
// leaves nothing behind.
#include "tests/addressbook/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FrmConversion.h"

#include <atomic>
#include <semaphore>

using namespace tallowby;
using test::Click;

namespace {

// A book of 40 persons served as the Notes session whatever the path, whose walk
// waits after contact `holdAfter` until released: a test that closes a window "during
// the walk" knows the worker is there, however the machine shares out its cores.
struct HeldBook : test::FakeBook {
    HeldBook() {
        for (int i = 1; i <= 40; ++i) Add("U" + std::to_string(i), std::to_string(i), "Ann", "Lee" + std::to_string(i));
    }
    std::shared_ptr<NotesViewEntry> GetNextDocument(const std::shared_ptr<NotesViewEntry>& current) override {
        if (static_cast<int>(dynamic_cast<test::FakeDocument&>(*current).position) + 1 == holdAfter) {
            held = true;
            released.acquire();
        }
        return FakeBook::GetNextDocument(current);
    }
    std::atomic<int> holdAfter = 0;
    std::atomic<bool> held = false;
    std::counting_semaphore<8> released{0};  // released at most twice: by the test, at its end
    ScopedSessionClass domino{kDominoProgID, Factory()};
};

// The files in the folder besides the book; a backup counts only if it is not a whole
// copy of the book.
QStringList Leftovers(const test::Fixture& f, const QString& book) {
    QStringList left;
    const auto bytes = [](const QFileInfo& file) { return test::ReadFile(file.filePath().toStdString()); };
    for (const QFileInfo& file : QDir(f.dir.path()).entryInfoList(QDir::Files | QDir::Hidden))
        if (file.filePath() != book && !(file.suffix() == "bak" && bytes(file) == bytes(QFileInfo(book))))
            left << file.fileName();
    return left;
}

// Types the book's path and clicks the scan button.
void StartScan(test::Fixture& f, const QString& book) {
    Click(f.PathBox());
    test::Type(book);
    Click(f.Button("CmdEnumerateNotes"));
}

// The platform's close request, as the title bar's close box sends it.
void CloseBox(QWidget* window) { window->windowHandle()->close(); }

} // namespace

class UiBackgroundTest : public QObject {
    Q_OBJECT
private slots:
    void longScanKeepsTheWindowAlive() {
        test::Fixture f;
        const QString book = f.dir.filePath("names.dxl");  // a scan of about a second
        QProcess make;
        make.start("python3", {TALLOWBY_EXAMPLES_DIR "/make_book.py", "20000", book, "--quiet"});
        QVERIFY(make.waitForFinished(120000) && make.exitCode() == 0);
        struct : QObject {  // counts the bar's paint events
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        auto* bar = f.Find<QProgressBar>("ProgBarScanNotes");
        bar->installEventFilter(&counter);
        int ticks = 0;  // the window's own timer, which runs only while the window answers
        QTimer clock;
        QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(50);

        QElapsedTimer elapsed;
        elapsed.start();
        StartScan(f, book);
        QList<int> values;
        while (f.window.Running()) {
            // Typed path: the label and the bar show all the same; nothing else starts.
            if (f.rec.log.isEmpty()) QCOMPARE(f.On(), (QStringList{"label", "bar"}));
            QVERIFY(!f.Button("CmdBrowse")->isEnabled() && !f.Find<QAction>("mnuOpen")->isEnabled());
            if (values.isEmpty() || values.last() != bar->value()) values << bar->value();
            QTest::qWait(20);
        }
        const double seconds = elapsed.elapsed() / 1000.0;
        qInfo("scan: %.2f s, %d bar values, %d bar paints, %d timer ticks", seconds,
              static_cast<int>(values.size()), counter.paints, ticks);
        QVERIFY(values.size() >= 4);             // the bar advanced, step by step
        QVERIFY(counter.paints >= 3 * seconds);  // and was repainted several times a second
        QVERIFY(ticks >= 5 * seconds);           // the window answered throughout
        QCOMPARE(f.rec.log, QStringList{"Corvane Software: Notes Address Book Scan Completed"});
        QCOMPARE(f.Contacts().size(), 20000);
        QCOMPARE(f.On(), QStringList{"export"});
        QVERIFY(f.Button("CmdBrowse")->isEnabled());
    }

    void closingTheWindowMidScanStopsIt() {
        HeldBook held;
        held.holdAfter = 20;
        test::Fixture f;
        const auto release = qScopeGuard([&] { held.released.release(); });
        const QString book = f.CopySample();
        StartScan(f, book);
        // The worker waits mid-walk; the tree shows the contacts once the scan is complete.
        QTRY_VERIFY_WITH_TIMEOUT(held.held, 60000);
        QCOMPARE(f.Contacts().size(), 0);
        bool shownWhileRunning = false;
        QTimer::singleShot(0, &f.window, [&] {
            CloseBox(&f.window);
            shownWhileRunning = f.window.isVisible() && f.window.Running();  // nothing hidden yet
            held.released.release();
        });
        QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(99); });  // should it hang
        QCOMPARE(QApplication::exec(), 0);  // the last window closed: the program ends
        QVERIFY(shownWhileRunning);
        QVERIFY(!f.window.isVisible() && !f.window.Running());
        QCOMPARE(f.Contacts().size(), 0);  // stopped: no contact of the unfinished scan
        QCOMPARE(f.rec.log, QStringList());
        QCOMPARE(Leftovers(f, book), QStringList());
    }

    void closingTheConversionWindowMidExportStopsIt() {
        HeldBook held;
        test::Fixture f;
        const auto release = qScopeGuard([&] { held.released.release(); });
        const QString book = f.CopySample(), sheet = f.dir.filePath("names.xls");
        test::WriteFile(sheet.toStdString(), "an earlier worksheet");
        f.BrowseAndScan(book);
        f.rec.log.clear();
        held.holdAfter = 20;
        bool closed = false;
        test::WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            QVERIFY(dialog->Running() && !dialog->findChild<QWidget*>("CmdConversion")->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(held.held, 60000);  // the walk is under way
            CloseBox(dialog);
            QVERIFY(dialog->isVisible());  // until the export has ended
            held.released.release();
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 30000);
            closed = !dialog->Running();
        });
        Click(f.Button("CmdContactsCreate"));
        QVERIFY(closed);
        QCOMPARE(f.rec.log, QStringList());
        QCOMPARE(test::ReadFile(sheet.toStdString()), "an earlier worksheet");
        QCOMPARE(Leftovers(f, book), QStringList{"names.xls"});
    }
};

QTEST_MAIN(UiBackgroundTest)
#include "tst_ui_background.moc"
