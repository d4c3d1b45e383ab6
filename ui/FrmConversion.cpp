#include "ui/FrmConversion.h"

#include "addressbook/Messages.h"
#include "export/ExportNames.h"
#include "export/ExportRun.h"
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/Placement.h"
#include "ui/UiText.h"
#include "ui/WebLinks.h"
#include "ui_FrmConversion.h"

#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

namespace tallowby {

namespace {

// The remembered choices live in the user's settings of the program,
// $XDG_CONFIG_HOME/tallowby/tallowby.conf.
constexpr const char* kFormatKey = "export/format";
constexpr const char* kCsvFormulasKey = "export/csvFormulasAsText";

ExportResult StoppedRun() {
    ExportResult result;
    result.outcome = ExportOutcome::Stopped;
    return result;
}

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

Ui::FrmConversion* SetUp(Ui::FrmConversion* ui, QDialog* dialog) {
    InstallAccessibility();
    ui->setupUi(dialog);
    return ui;
}

} // namespace

FrmConversion::FrmConversion(QWidget* owner, QString book, QPushButton* cmdContactsCreate, ModuleState& state,
                             std::optional<BookStamp> scanned, UiServices services)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(SetUp(new Ui::FrmConversion, this)),
      book_(std::move(book)),
      CmdContactsCreate_(cmdContactsCreate),
      state_(state),
      scanned_(scanned),
      services_(services) {
    setModal(true);
    // The choices, each with its line, and the one made last time. Tab reaches the one
    // chosen; the arrow keys move between them.
    const QString remembered = UserSettings().value(QLatin1String(kFormatKey)).toString();
    const ExportChoice* chosen = ChoiceNamed(remembered.toStdString());
    QWidget* previous = nullptr;
    for (const ExportChoice& choice : ExportChoices()) {
        auto* button = new QRadioButton(Text(choice.description), ui_->FrameFormat);
        QString name = Text(choice.name);
        name[0] = name[0].toUpper();
        button->setObjectName(QStringLiteral("opt") + name);  // optXls, optXlsx, optXlsx-full ...
        ui_->boxFormat->addWidget(button);
        button->setChecked(chosen ? chosen == &choice : &choice == &ExportChoices().front());
        connect(button, &QRadioButton::toggled, this, [this, name = choice.name](bool checked) {
            if (!checked) return;
            UserSettings().setValue(QLatin1String(kFormatKey), Text(name));
            ChoiceChanged();
        });
        if (previous) setTabOrder(previous, button);
        previous = button;
        choices_.push_back(button);
    }
    ui_->chkCsvFormulas->setChecked(UserSettings().value(QLatin1String(kCsvFormulasKey), false).toBool());
    connect(ui_->chkCsvFormulas, &QCheckBox::toggled, this,
            [](bool on) { UserSettings().setValue(QLatin1String(kCsvFormulasKey), on); });
    for (QWidget* next : {static_cast<QWidget*>(ui_->chkCsvFormulas), static_cast<QWidget*>(ui_->txtTarget),
                          static_cast<QWidget*>(ui_->CmdSaveAs), static_cast<QWidget*>(ui_->CmdConversion)}) {
        setTabOrder(previous, next);
        previous = next;
    }
    ApplyLook();
    ChoiceChanged();
    ui_->CmdConversion->setFocus();

    connect(ui_->CmdConversion, &QPushButton::clicked, this, &FrmConversion::CmdConversion_Click);
    connect(ui_->CmdSaveAs, &QPushButton::clicked, this, &FrmConversion::CmdSaveAs_Click);
    connect(ui_->CmdCloseAll, &QPushButton::clicked, this, &FrmConversion::CmdCloseAll_Click);
    connect(ui_->LblOpenExcelFile, &ClickLabel::clicked, this, &FrmConversion::LblOpenExcelFile_Click);
    connect(&run_, &RunThread::progress, this, &FrmConversion::ShowProgress);
}

FrmConversion::~FrmConversion() = default;

void FrmConversion::ApplyLook() {
    setWindowIcon(ConversionIcon());
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->LblHeading->setFont(UiFont(QStringLiteral("Verdana"), 10, true));
    ui_->LblOpenExcelFile->setFont(UiFont(QStringLiteral("Verdana"), 8.25, true));
    ui_->LblDoneTitle->setFont(UiFont(QStringLiteral("Verdana"), 13, true));
    ui_->txtTarget->setAccessibleName(QStringLiteral("File"));
    // The completion panel: the colours of the palette's text boxes.
    ui_->Shape2->setBackgroundRole(QPalette::Base);
    for (QWidget* text : {static_cast<QWidget*>(ui_->LblDoneTitle), static_cast<QWidget*>(ui_->LblDoneSubtitle),
                          static_cast<QWidget*>(ui_->LblDoneFile)})
        text->setForegroundRole(QPalette::Text);
    ShowPicture(ui_->Image3, QStringLiteral("conversion"));
    ShowPicture(ui_->Image1, QStringLiteral("tallowby"));
    ShowPicture(ui_->Image2, QStringLiteral("worksheet"));
    ShowPicture(ui_->ImageStrip, QStringLiteral("banner-strip"));
    for (QWidget* decoration : {static_cast<QWidget*>(ui_->Image1), static_cast<QWidget*>(ui_->Image2),
                                static_cast<QWidget*>(ui_->Image3), static_cast<QWidget*>(ui_->ImageStrip),
                                static_cast<QWidget*>(ui_->Line1)})
        MarkDecorative(decoration);
    // As large as its contents need, no larger than the screen: on a small screen the
    // picture goes first.
    adjustSize();
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen && frameGeometry().height() + 40 > screen->availableGeometry().height()) {
        ui_->Image3->hide();
        adjustSize();
    }
    setFixedSize(size().boundedTo(screen ? screen->availableGeometry().size() : size()));
    ui_->FrameConversionDone->setGeometry(rect());
    ui_->FrameConversionDone->raise();
}

void FrmConversion::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ui_->FrameConversionDone->setGeometry(rect());  // the completion panel covers the window
}

const ExportChoice& FrmConversion::Chosen() const {
    for (std::size_t i = 0; i < choices_.size(); ++i)
        if (choices_[i]->isChecked()) return ExportChoices()[i];
    return ExportChoices().front();
}

std::string FrmConversion::Target() const {
    const ExportChoice& choice = Chosen();
    return savedAs_.empty() ? OutputPathFor(book_.toStdString(), choice.format, choice.layout)
                            : PathForFormat(savedAs_, choice.format);
}

// The file shown for the choice, and the CSV option only for CSV; Tab reaches the
// chosen format, not the others.
void FrmConversion::ChoiceChanged() {
    const ExportChoice& choice = Chosen();
    ui_->chkCsvFormulas->setEnabled(choice.format == ExportFormat::Csv);
    for (QRadioButton* button : choices_)
        button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    const QString target = QFileInfo(QString::fromStdString(Target())).absoluteFilePath();
    ui_->txtTarget->setText(target);
    ui_->txtTarget->setCursorPosition(static_cast<int>(target.size()));  // the file's name in view
    ui_->txtTarget->setToolTip(target);
}

void FrmConversion::CmdSaveAs_Click() {
    const ExportChoice& choice = Chosen();
    const QFileInfo proposed(QString::fromStdString(Target()));
    const QString filter = QString::fromStdString(SaveFilter(choice.format));
    const OpenFileRequest request{proposed.absolutePath(), proposed.fileName(), {filter}, filter};
    const auto chosen = services_.files.ShowSave(this, request);
    if (!chosen) return;
    savedAs_ = PathForFormat(chosen->toStdString(), choice.format);
    ChoiceChanged();
}

void FrmConversion::CmdConversion_Click() {
    if (run_.Running()) return;
    // The export runs on a thread of its own; the window stays alive meanwhile. Neither
    // the start button nor the choice can be used until it has ended.
    for (QWidget* control : {static_cast<QWidget*>(ui_->FrameFormat), static_cast<QWidget*>(ui_->CmdConversion),
                             static_cast<QWidget*>(ui_->CmdSaveAs), static_cast<QWidget*>(ui_->chkCsvFormulas)})
        control->setEnabled(false);
    const ExportChoice& choice = Chosen();
    ExportRequest request;
    request.bookPath = book_.toStdString();
    request.format = choice.format;
    request.layout = choice.layout;
    request.outputPath = savedAs_.empty() ? std::string() : Target();
    if (choice.vcardVersion != 0) request.vcard.version = choice.vcardVersion;
    if (choice.format == ExportFormat::Csv && ui_->chkCsvFormulas->isChecked())
        request.csvFormulas = CsvFormulas::Guard;
    request.expectedContacts = state_.ContactCount;
    request.scannedBook = scanned_;
    ui_->ProgBarSave->setMinimum(0);
    if (state_.ContactCount > 0) ui_->ProgBarSave->setMaximum(state_.ContactCount);
    state_.ExportFilePath = Target();
    auto result = std::make_shared<ExportResult>();
    const bool started = run_.Start(
        [request, result](const RunCallback& callback) { *result = ExportBook(request, callback); },
        [this, result] {
            if (std::exchange(closeAfterRun_, false)) return QDialog::reject();
            Ended(*result);
        },
        [this](const QString& failure) {
            services_.messages.Show("The export stopped on an unexpected error: " + failure.toStdString() + ".",
                                    kCompanyTitle);
            Ended(StoppedRun());
        });
    if (!started) Ended(StoppedRun());
}

void FrmConversion::Ended(const ExportResult& result) {
    if (result.outcome == ExportOutcome::Completed) {
        if (!result.files.empty()) state_.ExportFilePath = result.files.front();
        const std::string file = QFileInfo(QString::fromStdString(state_.ExportFilePath)).absoluteFilePath().toStdString();
        exported_ = true;
        CmdContactsCreate_->setEnabled(false);
        services_.messages.Show(CompletionMessage(result.message, file), result.title);
        ui_->LblDoneFile->setText(QString::fromStdString(file));
        return ShowDone();
    }
    // Back to Ready: the bar at 0, the start button usable again.
    for (QWidget* control : {static_cast<QWidget*>(ui_->FrameFormat), static_cast<QWidget*>(ui_->CmdConversion),
                             static_cast<QWidget*>(ui_->CmdSaveAs)})
        control->setEnabled(true);
    ChoiceChanged();
    ui_->ProgBarSave->setValue(ui_->ProgBarSave->minimum());
    ui_->CmdConversion->setFocus(Qt::OtherFocusReason);
    if (result.outcome == ExportOutcome::BookChanged) {
        // Another book than the one scanned: scanning it again is the way on.
        if (services_.messages.Ask(result.message, result.title, "Scan Again", "Cancel")) {
            scanAgain_ = true;
            QDialog::reject();
        }
    } else if (result.outcome == ExportOutcome::FileError) {
        if (services_.messages.Ask(result.message + "\r\n\r\nSave the file somewhere else?", result.title,
                                   "Save As...", "Cancel")) {
            const std::string before = Target();
            CmdSaveAs_Click();
            if (Target() != before) CmdConversion_Click();
        }
    } else if (!result.message.empty()) {
        services_.messages.Show(result.message, result.title);
    }
}

void FrmConversion::ShowProgress(RunStage stage, qint64 done, qint64 total) {
    if (stage != RunStage::Contacts) return;
    if (total > ui_->ProgBarSave->maximum()) ui_->ProgBarSave->setMaximum(static_cast<int>(std::min<qint64>(total, INT32_MAX)));
    ui_->ProgBarSave->setValue(static_cast<int>(std::min<qint64>(done, INT32_MAX)));
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
    ui_->FrameConversionDone->setVisible(true);
    ui_->FrameConversionDone->raise();
    // The panel covers the window; what lies under it is put away, so that neither
    // the mouse, Tab nor a screen reader reaches it.
    for (QWidget* under : ui_->FrameConversionDone->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (under != ui_->FrameConversionDone) under->setVisible(false);
    ui_->LblOpenExcelFile->setFocus(Qt::OtherFocusReason);
}

void FrmConversion::CmdCloseAll_Click() {
    done(QDialog::Accepted);  // the window goes first, then the browser opens, if any
    if (!ProductPage().empty()) services_.shell.ShellOpen(ProductPage());
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
