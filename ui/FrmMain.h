// FrmMain: the main window. The user chooses the address book (typed, browsed for or
// dropped on the window), starts the scan, finds contacts in the tree with the filter
// box, reads them in the details panel, opens the conversion window, the help, the
// web site and the About box. The handlers only wire widgets to the scan, the export
// and the platform services; the rules live in the core and in plain functions.
#pragma once

#include "addressbook/ModuleState.h"
#include "addressbook/Scan.h"
#include "ui/ContactFilter.h"
#include "ui/DetailsPanel.h"
#include "ui/HelpWindow.h"
#include "ui/Module1.h"
#include "ui/QtControls.h"
#include "ui/RunThread.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QLabel;
class QTreeWidgetItem;

namespace Ui {
class FrmMain;
}

namespace tallowby {

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(UiServices services, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Puts a path into the path box as if typed (the program's file argument).
    void SetDatabasePath(const QString& path);

    ModuleState& state() { return state_; }
    // The latest completed scan: its contacts and the book as it was read.
    const ScanResult& scan() const { return *scan_; }
    HelpWindow* helpWindow() const { return help_; }
    // A scan runs on a worker thread from its click until it has ended.
    bool Running() const { return run_.Running(); }

    // Handlers, named after the control and the event.
    void Form_Load();
    void CmdBrowse_Click();
    void mnuOpen_Click();
    void txtNotesDatabaseFile_Change();
    void txtFilter_Change();
    void CmdEnumerateNotes_Click();
    void CmdContactsCreate_Click();
    void mnuExit_Click();
    void ContactsTreeView_NodeClick(QTreeWidgetItem* node);
    void TabStrip1_Click();
    void mnuContents_Click();
    void mnuWebsite_Click();
    void mnuAbout_Click();
    void LabelSiteFooter_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyLook();
    void Connect();
    void HideDecoration();

    // The path in the box as the scan reads it (NormalisedPath).
    QString BookPath() const;
    // Export to Excel: only after a completed scan, for the book the box names.
    void UpdateExport();
    void ShowTree();
    void ScanEnded(const ScanResult& result, const QString& path);
    void ShowProgress(RunStage stage, qint64 done, qint64 total);

    std::unique_ptr<Ui::FrmMain> ui_;
    UiServices services_;
    ModuleState state_;
    QString CDlgFileName_;  // the file dialog keeps its last chosen name
    QPointer<HelpWindow> help_;
    QLabel* status_ = nullptr;  // the status line's text

    QtContactTree tree_;
    DetailsPanel panel_;
    std::shared_ptr<const ScanResult> scan_;  // the latest completed scan
    ContactFilter filter_;                    // of its contacts
    QString scannedPath_;                     // the book it read; "" before any
    std::string shownKey_;                    // the key of the contact the panel shows
    bool exportable_ = false;                 // scanned, and not exported since
    bool closeAfterRun_ = false;  // closed, or Exit chosen, while a scan ran
    bool quitAfterRun_ = false;
    RunThread run_;  // last: its thread ends before the parts it uses go
};

} // namespace tallowby
