#include "ui/FrmConversion.h"

#include "addressbook/Messages.h"
#include "export/ExportNames.h"
#include "export/ExportRun.h"
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_FrmConversion.h"

#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include <algorithm>
#include <climits>
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

FrmConversion::FrmConversion(QWidget* owner, QString book, QPushButton* cmdContactsCreate, ModuleState& state,
                             std::optional<BookStamp> scanned, UiServices services)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(SetUp(new Ui::FrmConversion, this)),
      book_(std::move(book)),
      CmdContactsCreate_(cmdContactsCreate),
      state_(state),
      scanned_(scanned),
      services_(services) {
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
    // The choices, each with its line, and the one made last time.
    const QString remembered = UserSettings().value(QLatin1String(kFormatKey)).toString();
    const ExportChoice* chosen = ChoiceNamed(remembered.toStdString());
    for (const ExportChoice& choice : ExportChoices()) {
        auto* button = new QRadioButton(QString::fromUtf8(choice.description.data(),
                                                          static_cast<qsizetype>(choice.description.size())),
                                        ui_->FrameFormat);
        QString name = QString::fromLatin1(choice.name.data(), static_cast<qsizetype>(choice.name.size()));
        name[0] = name[0].toUpper();
        button->setObjectName(QStringLiteral("opt") + name);  // optXls, optXlsx, optXlsx-full ...
        ui_->boxFormat->addWidget(button);
        button->setChecked(chosen ? chosen == &choice : &choice == &ExportChoices().front());
        connect(button, &QRadioButton::toggled, this, [name = choice.name](bool checked) {
            if (checked)
                UserSettings().setValue(QLatin1String(kFormatKey),
                                        QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        });
        choices_.push_back(button);
    }
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
    connect(ui_->LblOpenExcelFile, &ClickLabel::clicked, this, &FrmConversion::LblOpenExcelFile_Click);
    connect(&run_, &RunThread::progress, this, &FrmConversion::ShowProgress);
}

FrmConversion::~FrmConversion() = default;

const ExportChoice& FrmConversion::Chosen() const {
    for (std::size_t i = 0; i < choices_.size(); ++i)
        if (choices_[i]->isChecked()) return ExportChoices()[i];
    return ExportChoices().front();
}

void FrmConversion::CmdConversion_Click() {
    if (run_.Running()) return;
    // The export runs on a thread of its own; the window stays alive meanwhile. Neither
    // the start button nor the choice can be used until it has ended.
    ui_->FrameFormat->setEnabled(false);
    ui_->CmdConversion->setEnabled(false);
    const ExportChoice& choice = Chosen();
    ExportRequest request;
    request.bookPath = book_.toStdString();
    request.format = choice.format;
    request.layout = choice.layout;
    if (choice.vcardVersion != 0) request.vcard.version = choice.vcardVersion;
    request.expectedContacts = state_.ContactCount;
    request.scannedBook = scanned_;
    ui_->ProgBarSave->setMinimum(0);
    if (state_.ContactCount > 0) ui_->ProgBarSave->setMaximum(state_.ContactCount);
    state_.ExportFilePath = request.outputPath.empty()
                                ? OutputPathFor(request.bookPath, request.format, request.layout)
                                : request.outputPath;
    auto result = std::make_shared<ExportResult>();
    const auto ready = [this] {
        // Back to Ready: the bar at 0, the start button usable again.
        ui_->FrameFormat->setEnabled(true);
        ui_->CmdConversion->setEnabled(true);
        ui_->ProgBarSave->setValue(ui_->ProgBarSave->minimum());
        ui_->CmdConversion->setFocus(Qt::OtherFocusReason);
    };
    const bool started = run_.Start(
        [request, result](const RunCallback& callback) { *result = ExportBook(request, callback); },
        [this, result, ready] {
            if (std::exchange(closeAfterRun_, false)) return QDialog::reject();
            if (result->outcome != ExportOutcome::Completed) {
                if (!result->message.empty()) services_.messages.Show(result->message, result->title);
                return ready();
            }
            if (!result->files.empty()) state_.ExportFilePath = result->files.front();
            CmdContactsCreate_->setEnabled(false);
            services_.messages.Show(result->message, result->title);
            ShowDone();
        },
        [this, ready](const QString& failure) {
            services_.messages.Show("The export stopped on an unexpected error: " + failure.toStdString() + ".",
                                    kCompanyTitle);
            ready();
        });
    if (!started) ready();
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
    for (QWidget* under : {static_cast<QWidget*>(ui_->Image3), static_cast<QWidget*>(ui_->FrameFormat),
                           static_cast<QWidget*>(ui_->ProgBarSave), static_cast<QWidget*>(ui_->Line1),
                           static_cast<QWidget*>(ui_->CmdConversion)})
        under->setVisible(false);
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
