#include "ui/DocAbout.h"

#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/WebLinks.h"
#include "ui_DocAbout.h"

namespace tallowby {

DocAbout::DocAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::DocAbout>()) {
    InstallAccessibility();
    ui_->setupUi(this);
    setModal(true);
    setFixedSize(330, 193);
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->Label1->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->CmdOK->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->Label1->setText(QString::fromStdString(HomePageAddress()));
    ui_->Label1->setVisible(!HomePageAddress().empty());
    ui_->Image1->setPixmap(Picture(QStringLiteral("about-logo")));
    MarkDecorative(ui_->Image1);
    MarkDecorative(ui_->Line1);
    connect(ui_->CmdOK, &QPushButton::clicked, this, &DocAbout::CmdOK_Click);
}

DocAbout::~DocAbout() = default;

void DocAbout::CmdOK_Click() { accept(); }

} // namespace tallowby
