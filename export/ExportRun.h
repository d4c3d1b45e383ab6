// The export run: one row per person document of the address book, in the chosen
// format (the Excel 2.1 worksheet by default, an .xlsx workbook or CSV).
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/ModuleState.h"
#include "export/ExportFormat.h"
#include "export/TargetFile.h"

#include <cstdint>
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
    Completed,       // file written, completion message shown, panel visible
    Refused,         // output would replace the address book: nothing written
    FileError,       // the file could not be written: message names file and reason
    NotInstalled,    // no session could be created / database not opened on the second path
    NotAddressBook,  // no first entry
    OutOfMemory,     // memory ran out: nothing written
    Stopped,         // stopped from outside (RunControl.h): no message, nothing written
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Completed;
    ExportFormat format = ExportFormat::Xls;
    int32_t contactsWritten = 0;
    int32_t valuesShortened = 0;             // cut to the format's cell limit (or characters dropped)
    int32_t valuesWithDroppedCharacters = 0;  // of those, values that lost characters the format cannot carry
    int32_t valuesWithLostCharacters = 0;    // .xls: values with characters written as "?"
    int32_t contactsLeftOut = 0;             // beyond the rows the format holds
    std::string message;                     // the text of the message box shown last
};

// CmdConversion_Click. outputPath overrides the formed name (command line --output).
// The address book is opened and checked before anything is written. The file is
// written to a temporary file beside the target and renamed over it only when
// complete; a run that fails or ends early leaves the target untouched (a device or
// a pipe as target is written in place, once the book has been read).
ExportResult CmdConversion_Click(ConversionWindow& window, ModuleState& state,
                                 const std::string& outputPath = std::string(),
                                 ExportFormat format = ExportFormat::Xls);
inline ExportResult CmdConversion_Click(ConversionWindow& window, ModuleState& state, ExportFormat format) {
    return CmdConversion_Click(window, state, std::string(), format);
}

} // namespace tallowby
