// The address-book scan: backup copy, open the book, walk the $People view and add
// one contact node per person document.
#pragma once

#include "addressbook/Backup.h"
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
    NotAddressBook,   // no first entry: the not-an-address-book message shown, with the reason
    OutOfMemory,      // the memory ran out: the not-an-address-book message with that reason
    Stopped,          // stopped from outside (RunControl.h): no message, nothing left behind
};

// What a scan did besides its message, for callers that report it their own way.
struct ScanReport {
    std::string backupPath;     // the backup copy's path ("" when the book's path names no file)
    std::string backupProblem;  // why no backup copy was made; "" when it was
};

// The scan. Its message boxes say everything a user needs; `report`, when given,
// receives the same facts for a caller without boxes. Every person document gets a
// node of its own: a key that would repeat within one scan gets "#2", "#3" ... in
// the view's order, so that a rescan of the same book refreshes the same nodes.
ScanOutcome CmdEnumerateNotes_Click(ScanWindow& window, ModuleState& state, ScanReport* report = nullptr);

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
