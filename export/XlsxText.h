// What a workbook cell can hold: at most 32,767 characters as Excel counts them (in
// UTF-16 units, so a character beyond U+FFFF counts twice), and only characters XML
// 1.0 allows. Tab and line feed stay; a CR LF pair or a lone CR becomes one line
// feed, the line break of a cell. Other C0 controls, U+FFFE and U+FFFF cannot be
// stored: the readers tried (openpyxl, Gnumeric) do not turn their escaped form
// _xHHHH_ back into the character, so they are dropped. A byte of invalid UTF-8
// becomes U+FFFD.
//
// Some readers (LibreOffice, Excel) turn "_xHHHH_" in a cell's text into the
// character U+HHHH, others (openpyxl, Gnumeric) do not, so no escape of it reads the
// same everywhere. A value holding that pattern is written as a rich string instead,
// split after the underscore of each occurrence: no run holds the pattern whole, and
// every reader joins the runs into the text as written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

inline constexpr std::size_t kXlsxCellUnits = 32767;

struct XlsxCell {
    bool shortened = false;  // cut at the cell limit
    bool dropped = false;    // characters dropped or replaced
    bool wraps = false;      // holds a line break
    std::size_t widest = 0;  // characters of its longest line, for the column width
};

// The text to write for `value`: `value` itself when it can be stored as it is, else
// `scratch` holding the stored form.
const std::string& PrepareXlsxText(const std::string& value, std::string& scratch, XlsxCell& cell);

// The runs a text is written in: none (write it as one string) when it holds no
// "_xHHHH_"; else the pieces, each ending after the underscore of an occurrence.
std::vector<std::string_view> XlsxRuns(std::string_view text);

} // namespace tallowby
