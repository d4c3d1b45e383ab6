// The address-book scan: the backup copy, the book opened and checked, the $People
// view walked, and one contact per person document, filed in the contact tree.
#pragma once

#include "addressbook/BookFile.h"
#include "addressbook/ContactTree.h"
#include "addressbook/Notes.h"
#include "addressbook/RunControl.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallowby {

struct ScanRequest {
    std::string bookPath;  // as typed: no trimming, no check of the extension
};

// One contact as the scan lists it; every item stays readable through its document.
struct ScannedContact {
    std::string key;       // UniversalID "-" NoteID; "#2", "#3"... when it would repeat
    std::string text;      // as listed: ContactListText
    std::string category;  // "A".."Z" or "Other"
    std::string company;   // CompanyName and MailAddress, for finding a contact
    std::string email;
    std::shared_ptr<NotesDocument> document;
};

enum class ScanOutcome {
    Completed,       // "Notes Address Book Scan Completed"
    NotInstalled,    // no session could be created / the book not opened on the second class
    NotAddressBook,  // no first entry: the not-an-address-book message, with the reason
    OutOfMemory,     // the memory ran out: the not-an-address-book message with that reason
    Stopped,         // stopped by the run's callback: no message, nothing left behind
};

struct ScanResult {
    ScanOutcome outcome = ScanOutcome::Stopped;
    // The message box to show, and its title ("" when stopped).
    std::string message, title;
    std::string bookTitle;                 // the database's title ("" when it has none)
    std::vector<ScannedContact> contacts;  // in the view's order
    ContactTree tree;                      // the default tree with the contacts filed in it
    std::optional<int32_t> count;          // the view's entry count (the export's progress total)
    int32_t lastIndex = 0;                 // position of the last contact (ContactIndex)
    std::optional<BookStamp> book;         // the book's file as it was read
    std::string backupProblem;             // why no backup copy was made; "" when it was
};

// The scan. An item that cannot be read leaves its field empty; a document whose
// identity cannot be read ends the walk (on the first entry it is passed over). Every
// person document gets a node of its own: a key that would repeat within one scan gets
// "#2", "#3" ... in the view's order, so that a rescan gives every contact its key again.
// The backup copy replaces an earlier one only when the scan completed.
ScanResult ScanBook(const ScanRequest& request, const RunCallback& callback = {});

} // namespace tallowby
