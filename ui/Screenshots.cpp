// tallowby-screenshots BOOK.dxl OUTDIR
// Renders the windows for the documentation: the main window after a scan with a
// contact selected, the conversion window when the export is done, the About box and
// the help window. Works on a copy of BOOK in a temporary folder; message boxes and
// the browser are answered silently so that nothing waits for a user.
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/HelpWindow.h"
#include "ui/Module1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <cstdio>

namespace {

class SilentMessages : public tallowby::MessageBoxes {
public:
    void Show(const std::string& text, const std::string& title) override {
        std::printf("message: %s: %s\n", title.c_str(), text.c_str());
    }
};

void Settle(QWidget* window) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (window->windowHandle() && window->windowHandle()->isExposed() &&
            timer.elapsed() > 400) {
            break;
        }
    }
    window->repaint();
    QApplication::processEvents();
}

bool Grab(QWidget* window, const QString& path) {
    Settle(window);
    const bool saved = window->grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "FAILED to write", qPrintable(path));
    return saved;
}

// The contact to show: one with a middle name and a company, for a full panel.
QTreeWidgetItem* PickContact(QTreeWidget* tree, const tallowby::QtContactTree& contacts) {
    QTreeWidgetItem* fallback = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QString tag = QString::fromStdString(contacts.TagOf(*it));
        if (tag.isEmpty()) continue;
        const QStringList fields = tag.split(QLatin1Char('|'));
        if (!fallback) fallback = *it;
        if (fields.size() >= 42 && !fields[1].isEmpty() && !fields[6].isEmpty() &&
            !fields[8].isEmpty() && !fields[14].isEmpty()) {
            return *it;
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Usage: tallowby-screenshots BOOK.dxl OUTDIR\n");
        return 2;
    }
    const QString book = QString::fromLocal8Bit(argv[1]);
    const QDir outDir(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/Notes-XXXXXX"));
    const QString copy = work.filePath(QStringLiteral("names.dxl"));
    if (!work.isValid() || !QFile::copy(book, copy)) {
        std::fprintf(stderr, "tallowby-screenshots: cannot copy %s into a temporary folder\n",
                     argv[1]);
        return 1;
    }

    SilentMessages messages;
    tallowby::SilentShell shell;
    tallowby::FixedPicker picker(copy);
    tallowby::FrmMain window(tallowby::UiServices{messages, picker, shell});
    window.show();
    Settle(&window);
    bool ok = true;

    // Choose the book, scan it and show one contact.
    window.findChild<QPushButton*>(QStringLiteral("CmdBrowse"))->click();
    window.findChild<QPushButton*>(QStringLiteral("CmdEnumerateNotes"))->click();
    while (window.Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
    if (QTreeWidgetItem* contact = PickContact(tree, window.contactTree())) {
        contact->parent()->setExpanded(true);
        tree->setCurrentItem(contact);
        tree->scrollToItem(contact, QAbstractItemView::PositionAtCenter);
    }
    ok &= Grab(&window, outDir.filePath(QStringLiteral("main-window.png")));

    // The conversion window: run the export and show the finished state.
    QTimer::singleShot(0, &window, [&] {
        auto* conversion = window.findChild<tallowby::FrmConversion*>();
        if (!conversion) return;
        Settle(conversion);
        conversion->findChild<QPushButton*>(QStringLiteral("CmdConversion"))->click();
        while (conversion->Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ok &= Grab(conversion, outDir.filePath(QStringLiteral("conversion-done.png")));
        conversion->reject();
    });
    window.findChild<QPushButton*>(QStringLiteral("CmdContactsCreate"))->click();

    // The About box.
    QTimer::singleShot(0, &window, [&] {
        auto* about = window.findChild<tallowby::DocAbout*>();
        if (!about) return;
        ok &= Grab(about, outDir.filePath(QStringLiteral("about.png")));
        about->reject();
    });
    window.mnuAbout_Click();

    // The help window.
    window.mnuContents_Click();
    if (tallowby::HelpWindow* help = window.helpWindow()) {
        ok &= Grab(help, outDir.filePath(QStringLiteral("help.png")));
        help->close();
    }
    window.close();
    return ok ? 0 : 1;
}
