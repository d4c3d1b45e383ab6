// The texts an export run shows: the completion message with what the user needs to
// know about the chosen format, and the messages of a run that wrote nothing. Every
// path in them is shown with its control characters escaped.
#pragma once

#include "export/ExportRequest.h"
#include "files/Problem.h"

#include <string>

namespace tallowby {

// "N Contacts Saved Successfully", then a paragraph for each thing the format did to
// the contacts: values shortened, characters written as "?", contacts left out, values
// a spreadsheet program would read as formulas; for the whole book the groups, values
// and binary items; for vCards the cards, group cards and files, the values kept in
// X-NOTES- properties and where the groups go; for Outlook's CSV the values added to
// Notes and the groups it has no place for; for the Excel 2.1 worksheet past 16,383
// contacts, the readers that stop there.
std::string CompletionMessage(const ExportResult& result, const ExportRequest& request);

// The output would replace the address book. `named`: the caller chose the target
// (tallowby-cli --output) rather than taking the book's name with the format's extension.
std::string RefusalMessage(const std::string& target, ExportFormat format, bool named = false);

// The file could not be written. `inPlace`: the target is a device or a pipe that the
// run wrote to directly, so part of the export may have reached it.
std::string FileFailureMessage(const std::string& target, ExportFormat format, const files::Problem& problem,
                               bool inPlace);

// The run ran out of memory.
std::string OutOfMemoryMessage(const std::string& database, ExportFormat format);

// The book is not the one the scan read (changed or replaced since).
std::string BookChangedMessage(const std::string& database);
inline constexpr const char* kBookChanged = "The address book has changed since it was scanned:";

} // namespace tallowby
