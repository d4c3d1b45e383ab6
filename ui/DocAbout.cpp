#include "ui/DocAbout.h"

#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_DocAbout.h"

#include "tallowby/Version.h"

namespace tallowby {

DocAbout::DocAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::DocAbout>()) {
    InstallAccessibility();
    ui_->setupUi(this);
    ui_->Label3->setText(QStringLiteral("Version " TALLOWBY_VERSION_MAJOR_MINOR " Build ") +
                         QString::number(TALLOWBY_VERSION_BUILD));
    setModal(true);
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->Label4->setFont(UiFont(QStringLiteral("Verdana"), 10, true));
    ui_->Label5->setFont(UiFont(QStringLiteral("Verdana"), 18, true));
    // The band at the top in the colours of the palette's text boxes.
    ui_->Picture1->setBackgroundRole(QPalette::Base);
    for (QWidget* text : {ui_->Label4, ui_->Label5, ui_->Label6}) text->setForegroundRole(QPalette::Text);
    ui_->Label1->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->CmdOK->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->Label1->setText(QString::fromStdString(HomePageAddress()));
    ui_->Label1->setVisible(!HomePageAddress().empty());
    ShowPicture(ui_->Image1, QStringLiteral("tallowby"));
    ShowPicture(ui_->Image2, QStringLiteral("banner-strip"));
    MarkDecorative(ui_->Image1);
    MarkDecorative(ui_->Image2);
    MarkDecorative(ui_->Line1);
    setFixedSize(sizeHint().expandedTo(QSize(330, 0)));
    connect(ui_->CmdOK, &QPushButton::clicked, this, &DocAbout::CmdOK_Click);
}

DocAbout::~DocAbout() = default;

void DocAbout::CmdOK_Click() { accept(); }

} // namespace tallowby
