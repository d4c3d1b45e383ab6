// FrmConversion: the conversion window. The user picks what to save (the last choice
// is remembered), sees where the file goes (beside the book, or where Save As put
// it) and "Start Conversion" runs the export; when it has completed, a panel covering
// the window names the file and shows a link to it and an OK button that closes the
// window (and opens the product page when the build names one).
#pragma once

#include "addressbook/BookFile.h"
#include "addressbook/ModuleState.h"
#include "export/ExportFormat.h"
#include "export/ExportRequest.h"
#include "ui/Module1.h"
#include "ui/RunThread.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QPushButton;
class QRadioButton;

namespace Ui {
class FrmConversion;
}

namespace tallowby {

class FrmConversion : public QDialog {
    Q_OBJECT
public:
    // book and cmdContactsCreate: the book scanned and the main window's export
    // button; scanned: the book as the scan read it.
    FrmConversion(QWidget* owner, QString book, QPushButton* cmdContactsCreate, ModuleState& state,
                  std::optional<BookStamp> scanned, UiServices services);
    ~FrmConversion() override;

    void CmdConversion_Click();
    void CmdCloseAll_Click();
    void LblOpenExcelFile_Click();
    void CmdSaveAs_Click();

    // An export runs on a worker thread from its click until it has ended.
    bool Running() const { return run_.Running(); }
    // The close box and Esc during an export stop it; the window closes when it has ended.
    void reject() override;
    // The choice made now; at opening, the one made last time (else the Excel 2.1 worksheet).
    const ExportChoice& Chosen() const;
    // Where the export goes now: beside the book, or the file chosen with Save As.
    std::string Target() const;
    bool Exported() const { return exported_; }
    // The book changed since its scan, and the user asked to scan it again.
    bool ScanAgainAsked() const { return scanAgain_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyLook();
    void ChoiceChanged();
    void Ended(const ExportResult& result);
    void ShowDone();
    void ShowProgress(RunStage stage, qint64 done, qint64 total);

    std::unique_ptr<Ui::FrmConversion> ui_;
    QString book_;
    QPushButton* CmdContactsCreate_;
    ModuleState& state_;
    std::optional<BookStamp> scanned_;
    UiServices services_;
    std::vector<QRadioButton*> choices_;  // in the order of ExportChoices()
    std::string savedAs_;                 // the file chosen with Save As; "" beside the book
    bool closeAfterRun_ = false;
    bool exported_ = false;
    bool scanAgain_ = false;
    RunThread run_;  // last: its thread ends before the parts it uses go
};

} // namespace tallowby
