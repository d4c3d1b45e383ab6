// The address-book scan: backup copy, open the book, walk the $People view and add
// one contact node per person document.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/ContactTree.h"
#include "addressbook/ModuleState.h"

#include <string>

namespace tallowby {

// What the scan touches in the main window.
struct ScanWindow {
    const TextSource& txtNotesDatabaseFile;
    ContactTree& ContactsTreeView;
    ProgressBar& ProgBarScanNotes;
    Control& LblRead;
    Control& CmdContactsCreate;
    Control& CmdEnumerateNotes;
    MessageBoxes& messages;
};

enum class ScanOutcome {
    Completed,        // "Notes Address Book Scan Completed" shown
    NotInstalled,     // the not-installed message shown
    NotAddressBook,   // no first entry: the not-an-address-book message shown
};

ScanOutcome CmdEnumerateNotes_Click(ScanWindow& window, ModuleState& state);

// Copies a file; true on success. Never throws. With failIfExists false an existing
// destination is replaced, atomically: the copy goes to a temporary file beside the
// destination and is renamed over it only when complete.
bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists);

// The backup path: the database path without its last four characters, then ".bak".
// Empty when no backup should be made (path shorter than four characters, or the
// backup would be the database itself).
std::string BackupPathFor(const std::string& databasePath);

// Repaints at most every 100 ms (and always when asked to flush), so that a long
// run on the UI thread shows progress without paying for a repaint per contact.
class RepaintThrottle {
public:
    explicit RepaintThrottle(int intervalMs = 100) : intervalMs_(intervalMs) {}
    // True when the interval has passed since the last time it returned true.
    bool Due();

private:
    int intervalMs_;
    long long lastMs_ = -1;
};

} // namespace tallowby
