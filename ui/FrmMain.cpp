#include "ui/FrmMain.h"

#include "addressbook/Messages.h"
#include "addressbook/Scan.h"
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"
#include "ui/PathInput.h"
#include "ui/Placement.h"
#include "ui/UiText.h"
#include "ui/WebLinks.h"
#include "ui_FrmMain.h"

#include "tallowby/Version.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

namespace tallowby {

namespace {

const QString kFilterDxl = QStringLiteral("Notes address book, DXL (*.dxl *.xml)");
const QString kFilterAll = QStringLiteral("All files (*)");

// The folder the file dialog opens in: that of the path in the box (relative to the
// working folder), else the home folder.
QString StartFolder(const QString& path) {
    if (path.isEmpty()) return QDir::homePath();
    const QFileInfo file(path);
    if (file.isDir()) return file.absoluteFilePath();
    const QDir folder = file.absoluteDir();
    return folder.exists() ? folder.absolutePath() : QDir::homePath();
}

Ui::FrmMain* SetUp(QMainWindow* window) {
    InitUiResources();
    InstallAccessibility();
    auto* ui = new Ui::FrmMain;
    ui->setupUi(window);
    return ui;
}

std::array<QIcon, 3> TreeImages() {
    return {PictureIcon(QStringLiteral("tree-root")), PictureIcon(QStringLiteral("tree-letter")),
            PictureIcon(QStringLiteral("tree-contact"))};
}

} // namespace

FrmMain::FrmMain(UiServices services, QWidget* parent)
    : QMainWindow(parent),
      ui_(SetUp(this)),
      services_(services),
      tree_(ui_->ContactsTreeView, TreeImages()),
      panel_(ui_.get(), this),
      scan_(std::make_shared<ScanResult>()) {
    setWindowTitle(QStringLiteral("Corvane Tallowby v" TALLOWBY_VERSION_MAJOR_MINOR));
    ApplyLook();
    Connect();
    Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::Connect() {
    connect(ui_->CmdBrowse, &QPushButton::clicked, this, &FrmMain::CmdBrowse_Click);
    connect(ui_->mnuOpen, &QAction::triggered, this, &FrmMain::mnuOpen_Click);
    connect(ui_->txtNotesDatabaseFile, &QLineEdit::textChanged, this,
            &FrmMain::txtNotesDatabaseFile_Change);
    // Enter in the path box scans, as the scan button would.
    connect(ui_->txtNotesDatabaseFile, &QLineEdit::returnPressed, this, [this] {
        if (ui_->CmdEnumerateNotes->isEnabled()) CmdEnumerateNotes_Click();
    });
    connect(ui_->txtFilter, &QLineEdit::textChanged, this, &FrmMain::txtFilter_Change);
    connect(ui_->CmdEnumerateNotes, &QPushButton::clicked, this,
            &FrmMain::CmdEnumerateNotes_Click);
    connect(ui_->CmdContactsCreate, &QPushButton::clicked, this,
            &FrmMain::CmdContactsCreate_Click);
    connect(ui_->mnuExit, &QAction::triggered, this, &FrmMain::mnuExit_Click);
    connect(ui_->ContactsTreeView, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node, int) { ContactsTreeView_NodeClick(node); });
    // The keyboard selects nodes too; a contact reached that way is shown as well.
    connect(ui_->ContactsTreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem*) {
                if (node) ContactsTreeView_NodeClick(node);
            });
    connect(ui_->TabStrip1, &QTabBar::currentChanged, this, &FrmMain::TabStrip1_Click);
    connect(ui_->mnuContents, &QAction::triggered, this, &FrmMain::mnuContents_Click);
    connect(ui_->mnuWebsite, &QAction::triggered, this, &FrmMain::mnuWebsite_Click);
    connect(ui_->mnuAbout, &QAction::triggered, this, &FrmMain::mnuAbout_Click);
    connect(ui_->LabelSiteFooter, &ClickLabel::clicked, this, &FrmMain::LabelSiteFooter_Click);
    connect(&run_, &RunThread::progress, this, &FrmMain::ShowProgress);
    connect(&run_, &RunThread::finished, this, [this] {
        if (!std::exchange(closeAfterRun_, false)) return;
        close();
        if (std::exchange(quitAfterRun_, false)) QCoreApplication::quit();
    });
    // Ctrl+F finds: to the filter box; Esc there empties it.
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, [this] {
        ui_->txtFilter->setFocus(Qt::ShortcutFocusReason);
        ui_->txtFilter->selectAll();
    });
    addAction(find);
    ui_->txtFilter->installEventFilter(this);
    ui_->ContactsTreeView->installEventFilter(this);
}

void FrmMain::Form_Load() {
    state_.ContactIndex = 1;
    tree_.SetDisplayOptions();
    ContactTree tree;
    PopulateDefaultTree(tree);
    tree_.Show(tree);
    // The page of the first tab is the one visible.
    panel_.ShowSelectedPage();
}

void FrmMain::SetDatabasePath(const QString& path) { ui_->txtNotesDatabaseFile->setText(path); }

QString FrmMain::BookPath() const {
    return QString::fromStdString(
        NormalisedPath(ui_->txtNotesDatabaseFile->text().toStdString(), QDir::homePath().toStdString()));
}

void FrmMain::UpdateExport() {
    ui_->CmdContactsCreate->setEnabled(exportable_ && !run_.Running() && BookPath() == scannedPath_);
}

void FrmMain::CmdBrowse_Click() {
    const QString shown = BookPath();
    const OpenFileRequest request{StartFolder(shown), QFileInfo(shown).isFile() ? shown : QString(),
                                  {kFilterDxl, kFilterAll}, kFilterDxl};
    const auto chosen = services_.files.ShowOpen(this, request);
    if (!chosen) return;  // cancelled: the path stays as it was
    CDlgFileName_ = *chosen;
    ui_->txtNotesDatabaseFile->setText(CDlgFileName_);
    ui_->CmdEnumerateNotes->setEnabled(true);  // the chosen book can be scanned again
    ui_->CmdEnumerateNotes->setFocus(Qt::OtherFocusReason);  // the scan comes next
}

void FrmMain::mnuOpen_Click() { CmdBrowse_Click(); }

void FrmMain::txtNotesDatabaseFile_Change() {
    ui_->CmdEnumerateNotes->setEnabled(!run_.Running() && !BookPath().isEmpty());
    UpdateExport();  // another book than the one scanned cannot be exported
}

void FrmMain::CmdEnumerateNotes_Click() {
    if (run_.Running()) return;
    const QString path = BookPath();
    if (path.isEmpty()) return;
    // The box shows the book being read, as the scan reads it.
    if (ui_->txtNotesDatabaseFile->text() != path) ui_->txtNotesDatabaseFile->setText(path);
    // The scan runs on a thread of its own; the window stays alive meanwhile. The
    // reading label and the bar show while it runs, and only then.
    QProgressBar* const progress = ui_->ProgBarScanNotes;
    progress->setRange(0, 100);
    progress->setValue(0);
    ui_->LblRead->setVisible(true);
    progress->setVisible(true);
    ui_->txtNotesDatabaseFile->setReadOnly(true);  // the path shown is the book being read
    for (QWidget* command : {static_cast<QWidget*>(ui_->CmdBrowse), static_cast<QWidget*>(ui_->CmdEnumerateNotes),
                             static_cast<QWidget*>(ui_->CmdContactsCreate)})
        command->setEnabled(false);
    ui_->mnuOpen->setEnabled(false);
    setAcceptDrops(false);

    auto result = std::make_shared<ScanResult>();
    const ScanRequest request{path.toStdString()};
    // However it ends: the path box, Browse and the drop as before, the progress away.
    const auto ended = [this] {
        ui_->txtNotesDatabaseFile->setReadOnly(false);
        ui_->CmdBrowse->setEnabled(true);
        ui_->mnuOpen->setEnabled(true);
        setAcceptDrops(true);
        ui_->LblRead->setVisible(false);
        ui_->ProgBarScanNotes->setVisible(false);
    };
    const auto failed = [this, ended] {
        ended();
        ui_->CmdEnumerateNotes->setEnabled(!BookPath().isEmpty());
        UpdateExport();
    };
    const bool started = run_.Start(
        [request, result](const RunCallback& callback) { *result = ScanBook(request, callback); },
        [this, result, path, ended, failed] {
            if (result->outcome != ScanOutcome::Completed) {
                failed();
                if (!result->message.empty()) services_.messages.Show(result->message, result->title);
                if (result->outcome != ScanOutcome::Stopped)
                    ui_->txtNotesDatabaseFile->setFocus(Qt::OtherFocusReason);  // to mend the path
                return;
            }
            ended();
            scan_ = result;
            ScanEnded(*result, path);
        },
        [this, failed](const QString& failure) {
            failed();
            services_.messages.Show("The scan stopped on an unexpected error: " + failure.toStdString() + ".",
                                    kCompanyTitle);
        });
    if (!started) failed();
}

// A completed scan: its contacts in the tree, the count for the export, the details
// panel empty, the status line, the message, then the buttons as the scan leaves them.
void FrmMain::ScanEnded(const ScanResult& result, const QString& path) {
    filter_ = ContactFilter(result.contacts);
    scannedPath_ = path;
    exportable_ = true;
    shownKey_.clear();
    panel_.Clear();
    ShowTree();
    state_.ContactIndex = result.lastIndex;
    if (result.count) state_.ContactCount = *result.count;
    status_->setText(QString::fromStdString(
        ScanStatusText(result.contacts.size(), result.bookTitle, path.toStdString())));
    services_.messages.Show(result.message, result.title);
    UpdateExport();
    ui_->CmdEnumerateNotes->setEnabled(false);
    ui_->ContactsTreeView->setFocus(Qt::OtherFocusReason);  // the contacts come next
}

void FrmMain::ShowProgress(RunStage stage, qint64 done, qint64 total) {
    QProgressBar* const progress = ui_->ProgBarScanNotes;
    // Reading the book, in thousandths; then the contacts, one by one.
    if (stage == RunStage::Reading && total > 0) {
        progress->setRange(0, 1000);
        progress->setValue(static_cast<int>(std::min(done, total) * 1000 / total));
    } else if (stage == RunStage::Contacts) {
        progress->setRange(0, static_cast<int>(std::min<qint64>(total, INT32_MAX)));
        progress->setValue(static_cast<int>(std::min<qint64>(done, INT32_MAX)));
    }
}

void FrmMain::CmdContactsCreate_Click() {
    if (!ui_->CmdContactsCreate->isEnabled()) return;
    // Created afresh at each opening, modal over this window, for the book scanned.
    FrmConversion conversion(this, scannedPath_, ui_->CmdContactsCreate, state_, scan_->book, services_);
    conversion.exec();
    if (conversion.Exported()) exportable_ = false;  // to export again, scan again
    UpdateExport();
    if (conversion.ScanAgainAsked()) CmdEnumerateNotes_Click();
}

void FrmMain::mnuExit_Click() {
    if (run_.Running()) {
        // The scan stops first; the window closes when it has ended.
        quitAfterRun_ = true;
        close();
        return;
    }
    close();
    QCoreApplication::quit();
}

void FrmMain::TabStrip1_Click() { panel_.ShowSelectedPage(); }

void FrmMain::mnuContents_Click() {
    if (!help_) {
        help_ = new HelpWindow(this, services_.shell);
        CentreOver(help_, this);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void FrmMain::mnuWebsite_Click() {
    if (!ProductPage().empty()) services_.shell.ShellOpen(ProductPage());
}

void FrmMain::mnuAbout_Click() {
    DocAbout about(this);
    about.exec();
}

void FrmMain::LabelSiteFooter_Click() {
    if (!HomePageLink().empty()) services_.shell.ShellOpen(HomePageLink());
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (run_.Running()) {
        // Stop the scan and close once it has ended: nothing is hidden before.
        closeAfterRun_ = true;
        run_.RequestStop();
        event->ignore();
        return;
    }
    SavePlacement(this, QStringLiteral("window/geometry"));
    UserSettings().setValue(QStringLiteral("window/splitter"), ui_->splitBody->saveState());
    // The help window belongs to this one and goes with it.
    if (help_) help_->close();
    QMainWindow::closeEvent(event);
}

} // namespace tallowby
