// FrmConversion: the conversion window. The user picks the file format (the last
// choice is remembered) and "Start Conversion" runs the export; when it has completed,
// a panel covering the window shows a link to the exported file and an OK button that
// closes the window and opens the product page.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/ModuleState.h"
#include "export/ExportFormat.h"
#include "ui/BackgroundRun.h"
#include "ui/Module1.h"
#include "ui/QtControls.h"

#include <QDialog>

#include <memory>

class QRadioButton;

namespace Ui {
class FrmConversion;
}

namespace tallowby {

class FrmConversion : public QDialog {
    Q_OBJECT
public:
    // path and cmdContactsCreate are the main window's path box and export button.
    FrmConversion(QWidget* owner, const TextSource& path, Control& cmdContactsCreate,
                  ModuleState& state, UiServices services);
    ~FrmConversion() override;

    void CmdConversion_Click();
    void CmdCloseAll_Click();
    void LblOpenExcelFile_Click();

    // An export runs on a worker thread from its click until it has ended.
    bool Running() const { return run_.Running(); }
    // The close box and Esc during an export stop it; the window closes when it has ended.
    void reject() override;
    // The format chosen now; at opening, the one chosen last time (else .xls).
    ExportFormat ChosenFormat() const;

private:
    void ShowDone();
    QRadioButton* FormatButton(ExportFormat format) const;

    std::unique_ptr<Ui::FrmConversion> ui_;
    const TextSource& txtNotesDatabaseFile_;
    Control& CmdContactsCreate_;
    ModuleState& state_;
    UiServices services_;
    QtProgressBar ProgBarSave_;
    QtControl CmdConversion_;
    QtControl FrameConversionDone_;
    bool closeAfterRun_ = false;
    BackgroundRun run_;  // last: its thread ends before the parts it drives go
};

} // namespace tallowby
