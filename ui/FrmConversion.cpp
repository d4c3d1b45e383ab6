#include "ui/FrmConversion.h"

#include "export/ExportRun.h"
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_FrmConversion.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>
#include <utility>

namespace tallowby {

namespace {

// The remembered choice lives in the user's settings of the program,
// $XDG_CONFIG_HOME/tallowby/tallowby.conf.
constexpr const char* kFormatKey = "export/format";

QSettings UserSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tallowby"),
                     QStringLiteral("tallowby"));
}

Ui::FrmConversion* SetUp(Ui::FrmConversion* ui, QDialog* dialog) {
    InstallAccessibility();
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
    setWindowIcon(ConversionIcon());
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->LblOpenExcelFile->setFont(UiFont(QStringLiteral("Verdana"), 8.25, true));
    QPalette link = ui_->LblOpenExcelFile->palette();
    link.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xee));
    ui_->LblOpenExcelFile->setPalette(link);
    ui_->Image3->setPixmap(Picture(QStringLiteral("conversion")));
    ui_->Image1->setPixmap(Picture(QStringLiteral("product-banner")));
    ui_->Image2->setPixmap(Picture(QStringLiteral("worksheet-16")));
    for (QWidget* decoration : {static_cast<QWidget*>(ui_->Image1), static_cast<QWidget*>(ui_->Image2),
                                static_cast<QWidget*>(ui_->Image3), static_cast<QWidget*>(ui_->Line1)})
        MarkDecorative(decoration);
    // The formats, each with its line, and the one chosen last time.
    for (const ExportFormat format : kExportFormats)
        FormatButton(format)->setText(QString::fromUtf8(FormatDescription(format).data(),
                                                        FormatDescription(format).size()));
    const QString remembered = UserSettings().value(QLatin1String(kFormatKey)).toString();
    FormatButton(FormatFromName(remembered.toStdString()).value_or(ExportFormat::Xls))
        ->setChecked(true);
    // A fixed size, wide enough for the longest line; the completion panel covers the
    // whole window. Its outline, Shape2, is the frame of the box that holds the link
    // and OK, so nothing lies above them.
    const QSize fitted = sizeHint().expandedTo(QSize(402, 239));
    setFixedSize(fitted);
    ui_->FrameConversionDone->setGeometry(rect());
    ui_->FrameConversionDone->raise();
    ui_->CmdConversion->setFocus();

    connect(ui_->CmdConversion, &QPushButton::clicked, this, &FrmConversion::CmdConversion_Click);
    connect(ui_->CmdCloseAll, &QPushButton::clicked, this, &FrmConversion::CmdCloseAll_Click);
    connect(ui_->LblOpenExcelFile, &ClickLabel::clicked, this,
            &FrmConversion::LblOpenExcelFile_Click);
    for (const ExportFormat format : kExportFormats) {
        connect(FormatButton(format), &QRadioButton::toggled, this, [format](bool checked) {
            if (checked)
                UserSettings().setValue(QLatin1String(kFormatKey),
                                        QString::fromUtf8(FormatName(format).data(),
                                                          FormatName(format).size()));
        });
    }
}

FrmConversion::~FrmConversion() = default;

QRadioButton* FrmConversion::FormatButton(ExportFormat format) const {
    switch (format) {
    case ExportFormat::Xlsx:
        return ui_->optXlsx;
    case ExportFormat::Csv:
        return ui_->optCsv;
    case ExportFormat::Xls:
        break;
    }
    return ui_->optXls;
}

ExportFormat FrmConversion::ChosenFormat() const {
    for (const ExportFormat format : kExportFormats)
        if (FormatButton(format)->isChecked()) return format;
    return ExportFormat::Xls;
}

void FrmConversion::CmdConversion_Click() {
    if (run_.Running()) return;
    // The export runs on a worker thread; the window stays alive meanwhile. Neither
    // the start button nor the choice of format can be used until it has ended.
    run_.Lock(ui_->FrameFormat);
    ConversionWindow window{run_.Fixed(txtNotesDatabaseFile_),
                            run_.Posted(CmdContactsCreate_),
                            run_.Posted(ProgBarSave_),
                            run_.Posted(CmdConversion_, ui_->CmdConversion),
                            run_.Posted(FrameConversionDone_),
                            run_.Posted(services_.messages)};
    auto state = std::make_shared<ModuleState>(state_);
    auto outcome = std::make_shared<ExportOutcome>(ExportOutcome::Stopped);
    run_.Start(
        [window, state, outcome, format = ChosenFormat()]() mutable {
            *outcome = tallowby::CmdConversion_Click(window, *state, format).outcome;
        },
        [this, state, outcome] {
            state_ = *state;
            if (std::exchange(closeAfterRun_, false)) return QDialog::reject();
            if (*outcome == ExportOutcome::Completed) return ShowDone();
            // Back to Ready: the bar at 0, the start button usable again.
            ui_->ProgBarSave->setValue(ui_->ProgBarSave->minimum());
            ui_->CmdConversion->setFocus(Qt::OtherFocusReason);
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

void FrmConversion::ShowDone() {
    // The panel covers the window; what lies under it is put away, so that neither
    // the mouse, Tab nor a screen reader reaches it.
    for (QWidget* under : {static_cast<QWidget*>(ui_->Image3), static_cast<QWidget*>(ui_->FrameFormat),
                           static_cast<QWidget*>(ui_->ProgBarSave), static_cast<QWidget*>(ui_->Line1),
                           static_cast<QWidget*>(ui_->CmdConversion)})
        under->setVisible(false);
    ui_->LblOpenExcelFile->setFocus(Qt::OtherFocusReason);
}

void FrmConversion::CmdCloseAll_Click() {
    done(QDialog::Accepted);  // the window goes first, then the browser opens
    services_.shell.ShellOpen(ProductPage());
}

void FrmConversion::LblOpenExcelFile_Click() {
    // The file the latest run wrote, as an absolute path: a path typed relative to
    // the working folder still names the right file.
    const std::string& path = state_.ExportFilePath;
    if (path.empty()) return;
    services_.shell.ShellOpen(
        QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
}

} // namespace tallowby
