// FrmMain's look: fonts, colours from the palette in use, pictures drawn for the
// screen's scale, the status line, and its size and place. The pictures that are
// only decoration are hidden from assistive technology.
#include "ui/Accessibility.h"
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Placement.h"
#include "ui/WebLinks.h"
#include "ui_FrmMain.h"

#include <QStatusBar>

namespace tallowby {

namespace {

// A band in the colours of the palette's text boxes: their background, their text.
void BaseColoured(QWidget* band, std::initializer_list<QWidget*> texts) {
    band->setAutoFillBackground(true);
    band->setBackgroundRole(QPalette::Base);
    for (QWidget* text : texts) text->setForegroundRole(QPalette::Text);
}

} // namespace

void FrmMain::ApplyLook() {
    setWindowIcon(ApplicationIcon());
    setFont(UiFont(QStringLiteral("Tahoma"), 8.25));
    ui_->Label4->setFont(UiFont(QStringLiteral("Verdana"), 8.25, true));
    ui_->Label1->setFont(UiFont(QStringLiteral("Verdana"), 14.25, true));
    ui_->Label49->setFont(UiFont(QStringLiteral("Tahoma"), 8.25, true));
    ui_->LblTopName->setFont(UiFont(QStringLiteral("Trebuchet MS"), 11.25, true));
    // The web address only when the build names one.
    ui_->LabelSiteFooter->setText(QString::fromStdString(HomePageAddress()));
    ui_->LabelSiteFooter->setVisible(!HomePageAddress().empty());
    ui_->mnuWebsite->setVisible(!ProductPage().empty());

    BaseColoured(ui_->Picture1, {ui_->Label4, ui_->Label1, ui_->Label2});
    ui_->Shape1->setAutoFillBackground(true);
    ui_->Shape1->setBackgroundRole(QPalette::AlternateBase);
    ui_->Label49->setForegroundRole(QPalette::Text);

    ShowPicture(ui_->Image2, QStringLiteral("tallowby"));
    ShowPicture(ui_->Image1, QStringLiteral("banner-strip"));
    ShowPicture(ui_->ImgContact, QStringLiteral("contact"));
    ui_->ImgContact->setVisible(false);
    QSizePolicy keep = ui_->ImgContact->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the heading keeps its place
    ui_->ImgContact->setSizePolicy(keep);
    ui_->ContactsTreeView->setIconSize(QSize(16, 16));
    ui_->TabStrip1->setExpanding(false);
    ui_->TabStrip1->setDrawBase(false);
    ui_->TabStrip1->setUsesScrollButtons(false);
    // Six captions side by side: keep the tabs' padding small so that all of them fit.
    ui_->TabStrip1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 6px; }"));
    HideDecoration();
    ui_->ScrollDetails->setFocusPolicy(Qt::NoFocus);  // Tab goes to its boxes, which it scrolls into view

    // The status line: what the latest scan found.
    status_ = new QLabel(ui_->statusbar);
    status_->setObjectName(QStringLiteral("LblStatus"));
    ui_->statusbar->addWidget(status_, 1);
    setAcceptDrops(true);

    // Resizable: the tree and the details take what the window gains, and share the
    // width as the user left them.
    ui_->Picture1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ui_->boxMain->setStretchFactor(ui_->boxBody, 1);
    ui_->splitBody->setStretchFactor(0, 0);
    ui_->splitBody->setStretchFactor(1, 1);
    ui_->splitBody->setSizes({220, 480});
    ui_->splitBody->restoreState(UserSettings().value(QStringLiteral("window/splitter")).toByteArray());
    setMinimumSize(minimumSizeHint().boundedTo(QSize(640, 440)).expandedTo(QSize(480, 360)));
    RestorePlacement(this, QStringLiteral("window/geometry"), QSize(880, 644));
}

void FrmMain::HideDecoration() {
    for (QWidget* picture : {static_cast<QWidget*>(ui_->Image1), static_cast<QWidget*>(ui_->Image2)})
        MarkDecorative(picture);
}

} // namespace tallowby
