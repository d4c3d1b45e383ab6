// tallowby-screenshots BOOK.dxl OUTDIR
// Renders the windows for the documentation: the main window after a scan with
// "Jo|Ann Pemberton" shown, the main window with "Émile Durand" under E, the filter
// box narrowing the tree with All Items shown, the conversion window with its choice
// of formats and when the export is done, the About box and the help window. With
// TALLOWBY_PALETTE=dark the same in the dark palette, the names ending in "-dark". Works on a copy of BOOK in a temporary folder, where the
// program's settings go too; message boxes and the browser are answered silently so
// that nothing waits for a user.
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/FrmMain.h"
#include "ui/HelpWindow.h"
#include "ui/Module1.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <cstdio>

namespace {

class SilentMessages : public tallowby::MessageBoxes {
public:
    bool Ask(const std::string& text, const std::string& title, const std::string&, const std::string&) override {
        Show(text, title);
        return false;
    }
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

QString g_suffix;  // "-dark" in the dark palette

bool Grab(QWidget* window, QString path) {
    path.insert(path.size() - 4, g_suffix);
    Settle(window);
    const bool saved = window->grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "FAILED to write", qPrintable(path));
    return saved;
}

// Shows one contact: its category opened, the others closed, the contact selected.
bool ShowContact(tallowby::FrmMain& window, const QString& name) {
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) {
        std::fprintf(stderr, "tallowby-screenshots: no contact \"%s\"\n", qPrintable(name));
        return false;
    }
    QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
        root->child(i)->setExpanded(root->child(i) == found[0]->parent());
    tree->setCurrentItem(found[0]);
    tree->scrollToItem(found[0], QAbstractItemView::PositionAtCenter);
    tree->setFocus();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tallowby::ApplyPaletteFromEnvironment();
    if (qgetenv("TALLOWBY_PALETTE") == "dark") g_suffix = QStringLiteral("-dark");
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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.filePath("config"));

    SilentMessages messages;
    tallowby::SilentShell shell;
    tallowby::FixedPicker picker(copy);
    tallowby::FrmMain window(tallowby::UiServices{messages, picker, shell});
    window.show();
    Settle(&window);
    bool ok = true;

    // Choose the book, scan it and show two contacts.
    window.CmdBrowse_Click();
    window.CmdEnumerateNotes_Click();
    while (window.Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ok &= ShowContact(window, QStringLiteral("\u00c9mile Durand"));
    ok &= Grab(&window, outDir.filePath(QStringLiteral("main-window-accented.png")));
    ok &= ShowContact(window, QStringLiteral("Jo|Ann Pemberton"));
    ok &= Grab(&window, outDir.filePath(QStringLiteral("main-window.png")));

    // The filter box: the contacts at Northwind, one of them with all its items.
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    filter->setText(QStringLiteral("northwind"));
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
    tree->setCurrentItem(tree->findItems(QStringLiteral("Jo|Ann Pemberton"), Qt::MatchExactly | Qt::MatchRecursive).value(0));
    tree->scrollToTop();
    filter->setFocus();
    window.findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(5);
    ok &= Grab(&window, outDir.filePath(QStringLiteral("main-window-filter.png")));
    window.findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(0);
    filter->clear();

    // The conversion window: the choice of formats, then the finished state.
    QTimer::singleShot(0, &window, [&] {
        auto* conversion = window.findChild<tallowby::FrmConversion*>();
        if (!conversion) return;
        conversion->findChild<QRadioButton*>(QStringLiteral("optXlsx"))->setChecked(true);
        ok &= Grab(conversion, outDir.filePath(QStringLiteral("conversion-formats.png")));
        conversion->CmdConversion_Click();
        while (conversion->Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        conversion->activateWindow();  // shows where the keyboard is: on the link
        ok &= Grab(conversion, outDir.filePath(QStringLiteral("conversion-done.png")));
        conversion->reject();
    });
    window.CmdContactsCreate_Click();

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
