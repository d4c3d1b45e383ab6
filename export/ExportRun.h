// The export run: one row (or card) per person document of the address book, in the
// chosen format and layout, to a file that replaces an earlier one only when it is
// complete.
#pragma once

#include "addressbook/RunControl.h"
#include "export/ExportRequest.h"

namespace tallowby {

// The export. The address book is opened and checked before anything is written; a
// run that fails or is stopped leaves every file as it was (a device or pipe written
// in place keeps what reached it). Never throws for a failure of the book, the
// files or the memory: the result says what happened and what to tell the user.
ExportResult ExportBook(const ExportRequest& request, const RunCallback& callback = {});

} // namespace tallowby
