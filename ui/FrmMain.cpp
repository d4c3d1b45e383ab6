#include "ui/FrmMain.h"

#include "addressbook/Messages.h"
#include "addressbook/Scan.h"
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/ContactPanel.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"
#include "ui/Placement.h"
#include "ui/WebLinks.h"
#include "ui_FrmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>

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

void SetBoxText(QWidget* box, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(value);
        line->setCursorPosition(0);  // show the start of a long value
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(box)) {
        multi->setPlainText(value);
    }
}

Ui::FrmMain* SetUp(QMainWindow* window) {
    InitUiResources();
    InstallAccessibility();
    auto* ui = new Ui::FrmMain;
    ui->setupUi(window);
    return ui;
}

std::array<QIcon, 3> TreeImages() {
    return {QIcon(Picture(QStringLiteral("tree-root"))),
            QIcon(Picture(QStringLiteral("tree-letter"))),
            QIcon(Picture(QStringLiteral("tree-contact")))};
}

} // namespace

FrmMain::FrmMain(UiServices services, QWidget* parent)
    : QMainWindow(parent),
      ui_(SetUp(this)),
      services_(services),
      tree_(ui_->ContactsTreeView, TreeImages()),
      scan_(std::make_shared<ScanResult>()) {
    boxes_ = {ui_->txtFirstName, ui_->txtMiddleName, ui_->txtLastName, ui_->txtSuffix,
              ui_->txtTitle, ui_->txtEmail, ui_->txtCompany, ui_->txtJobTitle,
              ui_->txtBusinessStreet, ui_->txtBusinessCity, ui_->txtBusinessZip,
              ui_->txtBusinessState, ui_->txtBusinessCountry, ui_->txtBusinessLocation,
              ui_->txtBusinessWebpage, ui_->txtBusinessDept, ui_->txtBusinessManager,
              ui_->txtBusinessAssistant, ui_->txtBusinessPhone, ui_->txtBusinessFax,
              ui_->txtBusinessCellPhone, ui_->txtBusinessPager, ui_->txtBusinessOtherEmail1,
              ui_->txtBusinessOtherEmail2, ui_->txtBusinessOtherEmail3, ui_->txtHomeStreet,
              ui_->txtHomeCity, ui_->txtHomeZip, ui_->txtHomeState, ui_->txtHomeCountry,
              ui_->txtSpouse, ui_->txtChildren, ui_->txtHomePhone, ui_->txtHomeFax,
              ui_->txtHomeCellPhone, ui_->txtBirthday, ui_->txtAnniversary, ui_->txtComments,
              ui_->txtShortName, ui_->txtPhoneticName, ui_->txtMailDomain, ui_->txtCategories};
    pages_ = {ui_->FrameBusinessAddress, ui_->FrameBusinessContactInfo, ui_->FramePersonal,
              ui_->FrameBriefcase, ui_->FrameAdvanced};
    for (const char* caption : {"Business Address", "Business Contact Information", "Personal",
                                "Briefcase", "Advanced"}) {
        ui_->TabStrip1->addTab(QString::fromLatin1(caption));
    }
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
}

void FrmMain::Form_Load() {
    state_.ContactIndex = 1;
    tree_.SetDisplayOptions();
    ContactTree tree;
    PopulateDefaultTree(tree);
    tree_.Show(tree);
    // The page of the first tab is the one visible.
    ui_->FrameBusinessAddress->setVisible(true);
    ui_->FrameBusinessContactInfo->setVisible(false);
    ui_->FramePersonal->setVisible(false);
    ui_->FrameBriefcase->setVisible(false);
    ui_->FrameAdvanced->setVisible(false);
}

void FrmMain::SetDatabasePath(const QString& path) { ui_->txtNotesDatabaseFile->setText(path); }

void FrmMain::CmdBrowse_Click() {
    const QString shown = ui_->txtNotesDatabaseFile->text();
    const OpenFileRequest request{StartFolder(shown), QFileInfo(shown).isFile() ? shown : QString(),
                                  {kFilterDxl, kFilterAll}, kFilterDxl};
    if (auto chosen = services_.files.ShowOpen(this, request)) CDlgFileName_ = *chosen;
    ui_->ProgBarScanNotes->setValue(0);
    ui_->CmdContactsCreate->setEnabled(false);
    ui_->txtNotesDatabaseFile->setText(CDlgFileName_);
    if (!ui_->txtNotesDatabaseFile->text().isEmpty()) {
        ui_->CmdEnumerateNotes->setEnabled(true);
        ui_->LblRead->setVisible(true);
        ui_->ProgBarScanNotes->setVisible(true);
    }
}

void FrmMain::mnuOpen_Click() { CmdBrowse_Click(); }

void FrmMain::txtNotesDatabaseFile_Change() {
    ui_->CmdEnumerateNotes->setEnabled(!ui_->txtNotesDatabaseFile->text().isEmpty());
}

void FrmMain::CmdEnumerateNotes_Click() {
    if (run_.Running()) return;
    // The scan runs on a thread of its own; the window stays alive meanwhile. The
    // reading label and the bar show during every scan, whatever brought the path; a
    // scan that does not complete leaves them as they were.
    QProgressBar* const progress = ui_->ProgBarScanNotes;
    const bool labelShown = !ui_->LblRead->isHidden();
    const bool barShown = !progress->isHidden();
    const std::array<int, 3> barWas{progress->minimum(), progress->maximum(), progress->value()};
    progress->setValue(0);
    ui_->LblRead->setVisible(true);
    progress->setVisible(true);
    ui_->txtNotesDatabaseFile->setReadOnly(true);  // the path shown is the book being read
    const bool couldScan = ui_->CmdEnumerateNotes->isEnabled(), couldExport = ui_->CmdContactsCreate->isEnabled();
    for (QWidget* command : {static_cast<QWidget*>(ui_->CmdBrowse), static_cast<QWidget*>(ui_->CmdEnumerateNotes),
                             static_cast<QWidget*>(ui_->CmdContactsCreate)})
        command->setEnabled(false);
    ui_->mnuOpen->setEnabled(false);

    auto result = std::make_shared<ScanResult>();
    const ScanRequest request{ui_->txtNotesDatabaseFile->text().toStdString()};
    const auto restore = [=, this] {
        ui_->txtNotesDatabaseFile->setReadOnly(false);
        ui_->CmdBrowse->setEnabled(true);
        ui_->mnuOpen->setEnabled(true);
        ui_->CmdEnumerateNotes->setEnabled(couldScan);
        ui_->CmdContactsCreate->setEnabled(couldExport);
        ui_->LblRead->setVisible(labelShown);
        progress->setRange(barWas[0], barWas[1]);
        progress->setValue(barWas[2]);
        progress->setVisible(barShown);
    };
    const bool started = run_.Start(
        [request, result](const RunCallback& callback) { *result = ScanBook(request, callback); },
        [this, result, restore] {
            if (result->outcome != ScanOutcome::Completed) {
                restore();
                if (!result->message.empty()) services_.messages.Show(result->message, result->title);
                if (result->outcome != ScanOutcome::Stopped)
                    ui_->txtNotesDatabaseFile->setFocus(Qt::OtherFocusReason);  // to mend the path
                return;
            }
            ui_->txtNotesDatabaseFile->setReadOnly(false);
            ui_->CmdBrowse->setEnabled(true);
            ui_->mnuOpen->setEnabled(true);
            ScanEnded(*result);
            scan_ = result;
        },
        [this, restore](const QString& failure) {
            restore();
            services_.messages.Show("The scan stopped on an unexpected error: " + failure.toStdString() + ".",
                                    kCompanyTitle);
        });
    if (!started) restore();
}

// A completed scan: its contacts in the tree, the count for the export, the message,
// then the buttons as the scan leaves them.
void FrmMain::ScanEnded(const ScanResult& result) {
    tree_.Show(result.tree);
    state_.ContactIndex = result.lastIndex;
    if (result.count) state_.ContactCount = *result.count;
    QProgressBar* const progress = ui_->ProgBarScanNotes;
    if (result.count) progress->setValue(*result.count);
    services_.messages.Show(result.message, result.title);
    ui_->CmdContactsCreate->setEnabled(true);
    ui_->CmdEnumerateNotes->setEnabled(false);
    ui_->LblRead->setVisible(false);
    progress->setVisible(false);
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
    // Created afresh at each opening, modal over this window.
    FrmConversion conversion(this, ui_->txtNotesDatabaseFile->text(), ui_->CmdContactsCreate, state_, scan_->book,
                             services_);
    conversion.exec();
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

void FrmMain::ContactsTreeView_NodeClick(QTreeWidgetItem* node) {
    const long contact = QtContactTree::ContactOf(node);
    if (contact < 0 || static_cast<std::size_t>(contact) >= scan_->contacts.size()) return;  // the root, a letter
    // The fields as the contact record gives them, read from the scan's document.
    const ContactFields fields = ReadContactFields(*scan_->contacts[static_cast<std::size_t>(contact)].document);
    const QString heading = QString::fromStdString(PanelHeading(fields));
    ui_->ImgContact->setVisible(true);
    ui_->LblTopName->setText(heading);
    ui_->FrameContacts->setAccessibleDescription(heading);  // which contact the boxes show
    for (std::size_t i = 0; i < boxes_.size(); ++i) SetBoxText(boxes_[i], fields[i]);
}

void FrmMain::TabStrip1_Click() {
    const int selected = ui_->TabStrip1->currentIndex() + 1;  // tabs count from 1
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->setVisible(static_cast<int>(i) + 1 == selected);
    }
}

void FrmMain::mnuContents_Click() {
    if (!help_) {
        help_ = new HelpWindow(this, services_.shell);
        CentreOver(help_, this);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void FrmMain::mnuWebsite_Click() { services_.shell.ShellOpen(ProductPage()); }

void FrmMain::mnuAbout_Click() {
    DocAbout about(this);
    about.exec();
}

void FrmMain::LabelSiteFooter_Click() { services_.shell.ShellOpen(HomePageLink()); }

void FrmMain::closeEvent(QCloseEvent* event) {
    if (run_.Running()) {
        // Stop the scan and close once it has ended: nothing is hidden before.
        closeAfterRun_ = true;
        run_.RequestStop();
        event->ignore();
        return;
    }
    // The help window belongs to this one and goes with it.
    if (help_) help_->close();
    QMainWindow::closeEvent(event);
}

} // namespace tallowby
