// The main window's details panel: the heading and the picture of the contact shown,
// its 42 boxes (read-only: what they show can be selected and copied, never edited)
// on the name block and five pages, and a sixth page, "All Items", with every item of
// the contact's document and all its values. What it shows is read from the scan's
// document of the contact (ReadContactFields, AllItemRows); nothing of it is kept.
#pragma once

#include "addressbook/Notes.h"

#include <QObject>

#include <array>

class QWidget;

namespace Ui {
class FrmMain;
}

namespace tallowby {

class DetailsPanel : public QObject {
    Q_OBJECT
public:
    static constexpr int kPageCount = 6;

    explicit DetailsPanel(Ui::FrmMain* ui, QObject* parent = nullptr);

    // Shows the contact of `document` (its heading, boxes and items).
    void Show(NotesDocument& document);
    // Shows no contact: every box empty, no heading, no picture.
    void Clear();
    // Shows the page of the tab strip's selected tab, and no other.
    void ShowSelectedPage();
    // Copies the selected rows of "All Items" ("item<TAB>values", a value a line).
    void CopyItems();

private:
    Ui::FrmMain* ui_;
    std::array<QWidget*, 42> boxes_{};  // in record order
    std::array<QWidget*, kPageCount> pages_{};  // the tab strip's page frames in tab order
};

} // namespace tallowby
