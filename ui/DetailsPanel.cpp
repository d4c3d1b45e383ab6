#include "ui/DetailsPanel.h"

#include "addressbook/ContactRecord.h"
#include "ui/ContactPanel.h"
#include "ui/UiText.h"
#include "ui_FrmMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPlainTextEdit>

namespace tallowby {

namespace {

void SetBoxText(QWidget* box, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(value);
        line->setCursorPosition(0);  // show the start of a long value
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(box)) {
        multi->setPlainText(value);
    }
}

// Read-only, and looking it: the window's colour behind the text instead of the
// colour of a box that takes typing, from the palette in use.
void MakeReadOnly(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) line->setReadOnly(true);
    if (auto* multi = qobject_cast<QPlainTextEdit*>(box)) {
        multi->setReadOnly(true);
        multi->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    QPalette palette = box->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, palette.brush(group, QPalette::Window));
    box->setPalette(palette);
}

} // namespace

DetailsPanel::DetailsPanel(Ui::FrmMain* ui, QObject* parent) : QObject(parent), ui_(ui) {
    boxes_ = {ui->txtFirstName, ui->txtMiddleName, ui->txtLastName, ui->txtSuffix,
              ui->txtTitle, ui->txtEmail, ui->txtCompany, ui->txtJobTitle,
              ui->txtBusinessStreet, ui->txtBusinessCity, ui->txtBusinessZip,
              ui->txtBusinessState, ui->txtBusinessCountry, ui->txtBusinessLocation,
              ui->txtBusinessWebpage, ui->txtBusinessDept, ui->txtBusinessManager,
              ui->txtBusinessAssistant, ui->txtBusinessPhone, ui->txtBusinessFax,
              ui->txtBusinessCellPhone, ui->txtBusinessPager, ui->txtBusinessOtherEmail1,
              ui->txtBusinessOtherEmail2, ui->txtBusinessOtherEmail3, ui->txtHomeStreet,
              ui->txtHomeCity, ui->txtHomeZip, ui->txtHomeState, ui->txtHomeCountry,
              ui->txtSpouse, ui->txtChildren, ui->txtHomePhone, ui->txtHomeFax,
              ui->txtHomeCellPhone, ui->txtBirthday, ui->txtAnniversary, ui->txtComments,
              ui->txtShortName, ui->txtPhoneticName, ui->txtMailDomain, ui->txtCategories};
    pages_ = {ui->FrameBusinessAddress, ui->FrameBusinessContactInfo, ui->FramePersonal,
              ui->FrameBriefcase, ui->FrameAdvanced, ui->FrameAllItems};
    for (const char* caption : {"Business Address", "Business Contact Information", "Personal",
                                "Briefcase", "Advanced", "All Items"}) {
        ui->TabStrip1->addTab(QString::fromLatin1(caption));
    }
    for (QWidget* box : boxes_) MakeReadOnly(box);

    QTreeWidget* items = ui->lstAllItems;
    items->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    items->header()->setStretchLastSection(true);
    items->setUniformRowHeights(false);
    auto* copy = new QAction(QStringLiteral("&Copy"), items);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &DetailsPanel::CopyItems);
    items->addAction(copy);
    items->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void DetailsPanel::Show(NotesDocument& document) {
    const ContactFields fields = ReadContactFields(document);
    const QString heading = QString::fromStdString(PanelHeading(fields));
    ui_->ImgContact->setVisible(true);
    ui_->LblTopName->setText(heading);
    ui_->FrameContacts->setAccessibleDescription(heading);  // which contact the boxes show
    for (std::size_t i = 0; i < boxes_.size(); ++i) SetBoxText(boxes_[i], fields[i]);
    QTreeWidget* items = ui_->lstAllItems;
    items->clear();
    QList<QTreeWidgetItem*> rows;
    for (const auto& [name, values] : AllItemRows(document))
        rows.append(new QTreeWidgetItem(QStringList{QString::fromStdString(name), QString::fromStdString(values)}));
    items->addTopLevelItems(rows);
}

void DetailsPanel::Clear() {
    ui_->ImgContact->setVisible(false);
    ui_->LblTopName->clear();
    ui_->FrameContacts->setAccessibleDescription(QString());
    for (QWidget* box : boxes_) SetBoxText(box, std::string());
    ui_->lstAllItems->clear();
}

void DetailsPanel::ShowSelectedPage() {
    const int selected = ui_->TabStrip1->currentIndex();
    for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->setVisible(static_cast<int>(i) == selected);
}

void DetailsPanel::CopyItems() {
    QStringList lines;
    for (QTreeWidgetItemIterator it(ui_->lstAllItems, QTreeWidgetItemIterator::Selected); *it; ++it) {
        QString values = (*it)->text(1);
        values.replace(QLatin1Char('\n'), QStringLiteral("\n\t"));
        lines << (*it)->text(0) + QLatin1Char('\t') + values;
    }
    if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

} // namespace tallowby
