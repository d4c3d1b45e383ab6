// The texts an export run shows: the completion message with what the user needs to
// know about the chosen format, and the messages of a run that wrote nothing.
#pragma once

#include "export/ExportFormat.h"

#include <cstdint>
#include <string>

namespace tallowby {

struct ExportResult;

// "N Contacts Saved Successfully", then a paragraph for each thing the format did to
// the contacts: values shortened, characters written as "?", contacts left out, and
// for the Excel 2.1 worksheet past 16,383 contacts, the readers that stop there.
std::string CompletionMessage(const ExportResult& result, ExportFormat format);

// The output would replace the address book. `named`: the caller chose the target
// (tallowby-cli --output) rather than taking the book's name with the format's extension.
std::string RefusalMessage(const std::string& target, ExportFormat format, bool named = false);

// The file could not be written. `inPlace`: the target is a device or a pipe that the
// run wrote to directly, so part of the export may have reached it.
std::string FileFailureMessage(const std::string& target, ExportFormat format, const std::string& reason,
                               bool inPlace);

// The run ran out of memory.
std::string OutOfMemoryMessage(const std::string& database, ExportFormat format);

} // namespace tallowby
