// A sheet the export run writes rows to: the header row, then one row of the 39
// column values per person document, then Finish. Each format has its own (one
// file each); the run does not know which it writes.
#pragma once

#include "export/ColumnLayout.h"
#include "export/ExportFormat.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tallowby {

// A data row's values, by column (index 0 is column 1), each the item's first value
// as text with the Suffix/Title rule applied. A sheet may change them in place.
using RowValues = std::array<std::string, kExportColumnCount>;

// What the run knows of the book when the sheet is created.
struct SheetInfo {
    std::string title;        // the database's title, "" when it has none
    int64_t contacts = 0;     // person documents the view holds
    int64_t bookBytes = 0;    // size of the address-book file
    std::string tempFolder;   // where a writer may keep temporary files of its own
};

// What a sheet did to the values it was given, for the completion message.
struct SheetCounts {
    int32_t shortened = 0;      // cut to the format's cell limit, or characters dropped
    int32_t controlsDropped = 0;  // of those: values that lost characters the format cannot carry
    int32_t lossy = 0;          // values whose characters the format holds only as "?"
};

class ContactSheet {
public:
    virtual ~ContactSheet() = default;

    // Creates the file at `path` and writes the header row. Every step returns false
    // once the file failed; reason() then says why, in words for the user.
    virtual bool Begin(const std::string& path, const SheetInfo& info) = 0;
    virtual bool WriteRow(RowValues& values) = 0;
    // Completes and closes the file.
    virtual bool Finish() = 0;

    const std::string& reason() const { return reason_; }
    const SheetCounts& counts() const { return counts_; }
    // Most data rows the format holds; the run leaves out and counts the rest.
    virtual int32_t MaxContacts() const = 0;
    // False for a writer that seeks back in its file, which a pipe does not allow.
    virtual bool Streams() const { return true; }

protected:
    std::string reason_;
    SheetCounts counts_;
};

std::unique_ptr<ContactSheet> MakeContactSheet(ExportFormat format);

} // namespace tallowby
