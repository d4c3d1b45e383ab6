// The export run: one worksheet row per person document of the address book.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/ModuleState.h"

#include <string>

namespace tallowby {

// What the run touches: the main window's path box and export button, and the
// conversion window's progress bar, start button and completion panel.
struct ConversionWindow {
    const TextSource& txtNotesDatabaseFile;
    Control& CmdContactsCreate;
    ProgressBar& ProgBarSave;
    Control& CmdConversion;
    Control& FrameConversionDone;
    MessageBoxes& messages;
};

enum class ExportOutcome {
    Completed,       // worksheet written, completion message shown, panel visible
    Refused,         // output would replace the address book: nothing written
    FileError,       // the worksheet could not be written: message names file and reason
    NotInstalled,    // no session could be created / database not opened on the second path
    NotAddressBook,  // no first entry
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Completed;
    int32_t contactsWritten = 0;
    int32_t valuesShortened = 0;
    int32_t contactsLeftOut = 0;  // beyond the 65,535 rows a worksheet holds
    std::string message;          // the text of the message box shown last
};

// The worksheet name for a database: same folder, file name lower-cased with its last
// extension replaced by ".xls" (appended when there is none; a name that only starts
// with a dot, ".hidden", has none). Only ASCII letters are lower-cased; other
// characters of the name are kept as they are.
std::string OutputPathFor(const std::string& databasePath);

// CmdConversion_Click. outputPath overrides the formed name (command line --output).
// The worksheet is written to a temporary file beside the target and renamed over it
// only when complete; a run that fails or ends early leaves the target untouched.
ExportResult CmdConversion_Click(ConversionWindow& window, ModuleState& state,
                                 const std::string& outputPath = std::string());

// The temporary worksheet a run is writing, or "" when none: a signal handler may
// unlink it (the text lives in static storage and is safe to read there).
const char* ExportTempFileInProgress() noexcept;

} // namespace tallowby
