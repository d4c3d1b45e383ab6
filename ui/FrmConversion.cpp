#include "ui/FrmConversion.h"

#include "export/ExportRun.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_FrmConversion.h"

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
    ConversionWindow window{txtNotesDatabaseFile_, CmdContactsCreate_, ProgBarSave_,
                            CmdConversion_,        FrameConversionDone_, services_.messages};
    tallowby::CmdConversion_Click(window, state_);
}

void FrmConversion::CmdCloseAll_Click() {
    done(QDialog::Accepted);  // the window goes first, then the browser opens
    services_.shell.ShellOpen(ProductPage());
}

void FrmConversion::LblOpenExcelFile_Click() { services_.shell.ShellOpen(state_.ExportFilePath); }

} // namespace tallowby
