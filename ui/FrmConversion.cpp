#include "ui/FrmConversion.h"

#include "export/ExportRun.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_FrmConversion.h"

#include <memory>
#include <utility>

namespace tallowby {

namespace {
Ui::FrmConversion* SetUp(Ui::FrmConversion* ui, QDialog* dialog) {
    ui->setupUi(dialog);
    return ui;
}
} // namespace

FrmConversion::FrmConversion(QWidget* owner, const TextSource& path,
                             Control& cmdContactsCreate, ModuleState& state,
                             UiServices services)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(SetUp(new Ui::FrmConversion, this)),
      txtNotesDatabaseFile_(path),
      CmdContactsCreate_(cmdContactsCreate),
      state_(state),
      services_(services),
      ProgBarSave_(ui_->ProgBarSave),
      CmdConversion_(ui_->CmdConversion),
      FrameConversionDone_(ui_->FrameConversionDone) {
    setModal(true);
    setFixedSize(402, 239);
    setWindowIcon(ConversionIcon());
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->LblOpenExcelFile->setFont(UiFont(QStringLiteral("Verdana"), 8.25, true));
    QPalette link = ui_->LblOpenExcelFile->palette();
    link.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xee));
    ui_->LblOpenExcelFile->setPalette(link);
    ui_->Image3->setPixmap(Picture(QStringLiteral("conversion")));
    ui_->Image1->setPixmap(Picture(QStringLiteral("product-banner")));
    ui_->Image2->setPixmap(Picture(QStringLiteral("worksheet-16")));
    ui_->FrameConversionDone->raise();  // lies above the button and the progress bar
    ui_->CmdConversion->setFocus();

    connect(ui_->CmdConversion, &QPushButton::clicked, this, &FrmConversion::CmdConversion_Click);
    connect(ui_->CmdCloseAll, &QPushButton::clicked, this, &FrmConversion::CmdCloseAll_Click);
    connect(ui_->LblOpenExcelFile, &ClickLabel::clicked, this,
            &FrmConversion::LblOpenExcelFile_Click);
}

FrmConversion::~FrmConversion() = default;

void FrmConversion::CmdConversion_Click() {
    if (run_.Running()) return;
    // The export runs on a worker thread; the window stays alive meanwhile.
    ConversionWindow window{run_.Fixed(txtNotesDatabaseFile_),
                            run_.Posted(CmdContactsCreate_),
                            run_.Posted(ProgBarSave_),
                            run_.Posted(CmdConversion_, ui_->CmdConversion),
                            run_.Posted(FrameConversionDone_),
                            run_.Posted(services_.messages)};
    auto state = std::make_shared<ModuleState>(state_);
    run_.Start([window, state]() mutable { tallowby::CmdConversion_Click(window, *state); },
               [this, state] {
                   state_ = *state;
                   if (std::exchange(closeAfterRun_, false)) QDialog::reject();
               });
}

void FrmConversion::reject() {
    if (run_.Running()) {
        closeAfterRun_ = true;
        run_.RequestStop();
        return;
    }
    QDialog::reject();
}

void FrmConversion::CmdCloseAll_Click() {
    done(QDialog::Accepted);  // the window goes first, then the browser opens
    services_.shell.ShellOpen(ProductPage());
}

void FrmConversion::LblOpenExcelFile_Click() { services_.shell.ShellOpen(state_.ExportFilePath); }

} // namespace tallowby
