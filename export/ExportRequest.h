// What an export is asked to do, and what it did.
#pragma once

#include "addressbook/BookFile.h"
#include "export/ExportFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallowby {

// A CSV value that a spreadsheet program would take for a formula: kept exactly
// (programs read the CSV), or written with a leading apostrophe.
enum class CsvFormulas { Keep, Guard };

struct VCardOptions {
    int version = 3;                  // 3 (RFC 2426) or 4 (RFC 6350)
    bool groupsAsCategories = false;  // each person's groups also in its CATEGORIES
    int32_t split = 0;                // at most this many cards a file (numbered files); 0: one file
};

struct ExportRequest {
    std::string bookPath;
    ExportFormat format = ExportFormat::Xls;
    ExportLayout layout = ExportLayout::Classic;
    // Where the file goes: "" beside the book, named after it (OutputPathFor); "-" (or
    // /dev/stdout) the program's standard output.
    std::string outputPath;
    // The scan's entry count, the progress total until the book says how many it holds.
    int32_t expectedContacts = 0;
    // The book as the scan read it: a book changed since is not exported.
    std::optional<BookStamp> scannedBook;
    CsvFormulas csvFormulas = CsvFormulas::Keep;
    VCardOptions vcard;
};

enum class ExportOutcome {
    Completed,       // the file written; `message` says how it went
    Refused,         // the output would replace the address book, or the request does not fit: nothing written
    FileError,       // the file could not be written: the message names file and reason
    NotInstalled,    // no session could be created / the book not opened on the second path
    NotAddressBook,  // no first entry
    BookChanged,     // the book is not the one that was scanned
    OutOfMemory,     // memory ran out: nothing written
    Stopped,         // stopped by the run's callback: no message, nothing written
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Completed;
    ExportFormat format = ExportFormat::Xls;
    ExportLayout layout = ExportLayout::Classic;
    std::string message, title;        // the message box to show
    std::vector<std::string> files;    // written, the main file first
    bool toStandardOutput = false;     // the file went to standard output
    int32_t contactsWritten = 0;
    int32_t groupsWritten = 0;
    int32_t contactsLeftOut = 0;             // beyond the rows the format holds
    int64_t valuesWritten = 0;               // non-empty values, every value of a multi-value item counted
    int64_t binaryItems = 0;                 // items of binary data (and Notes' "$" items) not exported
    int32_t valuesShortened = 0;             // cut to the format's cell limit (or characters dropped)
    int32_t valuesWithDroppedCharacters = 0;  // of those, values that lost characters the format cannot carry
    int32_t valuesWithLostCharacters = 0;    // .xls: values with characters written as "?"
    int32_t formulaValues = 0;               // CSV: values a spreadsheet program would read as formulas
    int64_t valuesAside = 0;                 // values with no field of their own in the format: a vCard's
                                             // X-NOTES- properties, the Notes column of Outlook's CSV
};

} // namespace tallowby
