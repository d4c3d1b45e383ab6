// A file of rows in one format: a header row, then one row per contact (and, in a
// workbook, a second sheet). Each format has its own (one file each); the layouts
// (ColumnLayout.h, FullLayout.h) decide what goes into the rows, the sheet how the
// rows are stored. A sheet writes into a files::Output that the export opened; it
// never opens, renames or removes a file itself.
#pragma once

#include "export/ExportFormat.h"
#include "export/ExportRequest.h"
#include "files/Output.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tallowby {

// A row's values by column (index 0 is column 1), as text. A sheet may change them in
// place.
using Row = std::vector<std::string>;

struct SheetColumns {
    std::vector<std::string> headers;
    // The order in which a row's cells are written (the Excel 2.1 worksheet keeps the
    // order it was always written in); empty: column order.
    std::vector<std::size_t> writeOrder;
};

// What the run knows of the book when the sheet is created.
struct SheetInfo {
    std::string title;       // the database's title, "" when it has none
    int64_t contacts = 0;    // person documents the view holds
    int64_t bookBytes = 0;   // size of the address-book file
    CsvFormulas formulas = CsvFormulas::Keep;
};

// What a sheet did to the values it was given, for the completion message.
struct SheetCounts {
    int32_t shortened = 0;        // cut to the format's cell limit, or characters dropped
    int32_t controlsDropped = 0;  // of those: values that lost characters the format cannot carry
    int32_t lossy = 0;            // values whose characters the format holds only as "?"
    int32_t formulas = 0;         // CSV: values a spreadsheet program would read as formulas
};

class ContactSheet {
public:
    virtual ~ContactSheet() = default;

    // Starts the file in `output` (which outlives the sheet's writing) with the header
    // row. Every step returns false once the file failed; problem() then says why.
    virtual bool Begin(files::Output& output, const SheetInfo& info, const SheetColumns& columns) = 0;
    virtual bool WriteRow(Row& values) = 0;
    // Starts a second sheet of the same file (a workbook's "Groups"); false, doing
    // nothing, for a format of one table only.
    virtual bool StartSheet(const std::string& /*name*/, const SheetColumns& /*columns*/) { return false; }
    // Completes and closes the file; the export then puts it in place.
    virtual bool Finish() = 0;

    // Most data rows the format holds; the run leaves out and counts the rest.
    virtual int32_t MaxContacts() const = 0;
    // True for a writer that opens its file by name (files::OutputOptions::staged).
    virtual bool Staged() const { return false; }
    // The check the complete file must pass before it takes the target's place.
    virtual std::function<bool(int, files::Problem&)> Verifier() const { return {}; }

    const files::Problem& problem() const { return problem_; }
    const SheetCounts& counts() const { return counts_; }

protected:
    bool Fail(files::Problem problem) {
        problem_ = std::move(problem);
        return false;
    }
    files::Problem problem_;
    SheetCounts counts_;
};

std::unique_ptr<ContactSheet> MakeContactSheet(ExportFormat format);
std::unique_ptr<ContactSheet> MakeXlsSheet();
std::unique_ptr<ContactSheet> MakeXlsxSheet();
std::unique_ptr<ContactSheet> MakeCsvSheet();

} // namespace tallowby
