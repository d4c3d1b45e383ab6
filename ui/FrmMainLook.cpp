// FrmMain's look: fonts, colours, pictures, the fixed border and where it opens. The
// pictures that are only decoration are hidden from assistive technology.
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Placement.h"
#include "ui/WebLinks.h"
#include "ui_FrmMain.h"

namespace tallowby {

namespace {

void KeepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

void FrmMain::ApplyLook() {
    // A fixed border without minimise and maximise buttons: the user cannot resize it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(ApplicationIcon());
    setFixedSize(712, 644);
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->Label4->setFont(UiFont(QStringLiteral("Verdana"), 8.25, true));
    ui_->Label1->setFont(UiFont(QStringLiteral("Verdana"), 14.25, true));
    ui_->Label49->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->LblTopName->setFont(UiFont(QStringLiteral("Trebuchet MS"), 11.25, true));
    // The web address only when the build names one.
    ui_->LabelSiteFooter->setText(QString::fromStdString(HomePageAddress()));
    ui_->LabelSiteFooter->setVisible(!HomePageAddress().empty());
    ui_->mnuWebsite->setVisible(!ProductPage().empty());

    QPalette banner = ui_->Picture1->palette();
    banner.setColor(QPalette::Window, Qt::white);
    banner.setColor(QPalette::WindowText, QColor(0x1f, 0x2a, 0x44));
    ui_->Picture1->setPalette(banner);
    QPalette footer = ui_->Shape1->palette();
    footer.setColor(QPalette::Window, QColor(0xdc, 0xe3, 0xee));
    footer.setColor(QPalette::WindowText, QColor(0x1f, 0x2a, 0x44));
    ui_->Shape1->setPalette(footer);
    QPalette link = ui_->LabelSiteFooter->palette();
    link.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xee));
    ui_->LabelSiteFooter->setPalette(link);

    ui_->Image2->setPixmap(Picture(QStringLiteral("logo")));
    ui_->Image1->setPixmap(Picture(QStringLiteral("banner-strip")));
    ui_->ImgContact->setPixmap(Picture(QStringLiteral("contact")));
    ui_->ImgContact->setVisible(false);
    ui_->ContactsTreeView->setIconSize(QSize(16, 16));
    ui_->TabStrip1->setExpanding(false);
    ui_->TabStrip1->setDrawBase(false);
    ui_->TabStrip1->setUsesScrollButtons(false);
    // Five captions side by side: keep the tabs' padding small so that all of them fit.
    ui_->TabStrip1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 7px; }"));
    for (QWidget* widget : {static_cast<QWidget*>(ui_->ImgContact),
                            static_cast<QWidget*>(ui_->LblRead),
                            static_cast<QWidget*>(ui_->ProgBarScanNotes)}) {
        KeepPlaceWhenHidden(widget);
    }

    HideDecoration();
    CentreOver(this, nullptr);  // centred on the screen
}

void FrmMain::HideDecoration() {
    for (QWidget* picture : {static_cast<QWidget*>(ui_->Image1), static_cast<QWidget*>(ui_->Image2)})
        MarkDecorative(picture);
}

} // namespace tallowby
