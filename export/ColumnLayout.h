// The 39 worksheet columns: header text, Notes item and the order in which a data
// row's cells are written.
#pragma once

#include <array>
#include <string_view>

namespace tallowby {

struct ExportColumn {
    int column;                  // 1-based worksheet column
    std::string_view header;     // header cell text
    std::string_view item;       // Notes item that fills it
    int order;                   // position among a data row's 39 WriteValue calls
    bool zeroIsEmpty;            // the text "0" gives an empty cell (Suffix, Title)
};

inline constexpr std::size_t kExportColumnCount = 39;

// In column order 1..39.
extern const std::array<ExportColumn, kExportColumnCount> kExportColumns;

// Indexes into kExportColumns in write order (Order column 1..39).
const std::array<std::size_t, kExportColumnCount>& ColumnsInWriteOrder();

} // namespace tallowby
