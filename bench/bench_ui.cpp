// bench_ui_window BOOK.dxl: a scan of BOOK through the real main window (offscreen
// unless QT_QPA_PLATFORM says otherwise), as a click on "Scan Notes Contacts" after
// Browse, then an export through the conversion window, then File, Exit during a
// rescan. Prints wall times, the process's peak memory, how long the filter box takes
// to narrow the tree, and how soon Exit ended the program. Message boxes and the browser are answered silently.
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

class SilentMessages : public tallowby::MessageBoxes {
public:
    bool Ask(const std::string& text, const std::string& title, const std::string&, const std::string&) override {
        Show(text, title);
        return false;
    }
    void Show(const std::string& text, const std::string& title) override {
        last = title + ": " + text;
    }
    std::string last;
};

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB on Linux
}

int CountContacts(QTreeWidget* tree) {
    int contacts = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (tallowby::QtContactTree::ContactOf(*it) >= 0) ++contacts;
    return contacts;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: bench_ui_window BOOK.dxl\n");
        return 2;
    }
    SilentMessages messages;
    tallowby::SilentShell shell;
    tallowby::FixedPicker picker(QString::fromLocal8Bit(argv[1]));
    tallowby::FrmMain window(tallowby::UiServices{messages, picker, shell});
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000 &&
           !(window.windowHandle() && window.windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    const double peakBefore = PeakMegabytes();

    window.findChild<QPushButton*>(QStringLiteral("CmdBrowse"))->click();
    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("CmdEnumerateNotes"))->click();
    while (window.Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double scanSeconds = timer.nsecsElapsed() / 1e9;
    const double peakAfterScan = PeakMegabytes();
    const int contacts =
        CountContacts(window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView")));
    std::printf("scan through the main window: %d contacts in %.2f s (goal: under 3 s)\n",
                contacts, scanSeconds);
    std::printf("  message: %s\n", messages.last.c_str());
    std::printf("  peak memory: %.1f MB (%.1f MB before the scan)\n", peakAfterScan, peakBefore);

    // The filter box on every contact: a text few hold, one many hold, then none (each
    // keystroke rebuilds the tree in one pass).
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
    for (const char* typed : {"zoltan maria", "an", ""}) {
        QElapsedTimer typing;
        typing.start();
        filter->setText(QString::fromLatin1(typed));
        QApplication::processEvents();
        std::printf("filter \"%s\": %d contacts shown in %.0f ms\n", typed, CountContacts(tree),
                    typing.nsecsElapsed() / 1e6);
    }

    double exportSeconds = -1;
    QTimer::singleShot(0, &window, [&] {
        auto* conversion = window.findChild<tallowby::FrmConversion*>();
        if (!conversion) return;
        QElapsedTimer run;
        run.start();
        conversion->findChild<QPushButton*>(QStringLiteral("CmdConversion"))->click();
        while (conversion->Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        exportSeconds = run.nsecsElapsed() / 1e9;
        conversion->reject();
    });
    window.findChild<QPushButton*>(QStringLiteral("CmdContactsCreate"))->click();
    if (exportSeconds >= 0) {
        std::printf("export through the conversion window: %.2f s\n", exportSeconds);
        std::printf("  message: %s\n", messages.last.c_str());
    }
    std::printf("  peak memory: %.1f MB\n", PeakMegabytes());

    // File, Exit during a rescan, once a quarter of the walk is done: the time until
    // the scan has stopped and the program's event loop has ended.
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgBarScanNotes"));
    window.findChild<QPushButton*>(QStringLiteral("CmdBrowse"))->click();
    window.findChild<QPushButton*>(QStringLiteral("CmdEnumerateNotes"))->click();
    while (window.Running() && !(bar->maximum() == contacts && bar->value() >= contacts / 4))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const int reached = bar->value();
    QElapsedTimer exiting;
    exiting.start();
    window.findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    QApplication::exec();
    std::printf("Exit during a scan (at %d of %d contacts): the program ended %.0f ms after Exit\n",
                reached, contacts, exiting.nsecsElapsed() / 1e6);
    return contacts > 0 ? 0 : 1;
}
