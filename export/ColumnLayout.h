// The 39 columns of the classic layout: header text, the record field that fills
// each, and the order in which a data row's cells are written. A cell holds the
// first value of its item as text, with the field's rule (Suffix and Title: "0" is
// empty), taken from the contact record's table (ContactRecord.h).
#pragma once

#include "addressbook/ContactRecord.h"

#include <array>
#include <string_view>

namespace tallowby {

struct ExportColumn {
    int column;               // 1-based worksheet column
    std::string_view header;  // header cell text
    std::size_t field;        // index into kRecordFields
    int order;                // position among a data row's 39 cells as they are written

    constexpr std::string_view item() const { return kRecordFields[field].item; }
    constexpr const TextRule& rule() const { return kRecordFields[field].rule; }
};

inline constexpr std::size_t kExportColumnCount = 39;

// In column order 1..39.
extern const std::array<ExportColumn, kExportColumnCount> kExportColumns;

// Indexes into kExportColumns in write order (Order column 1..39).
const std::array<std::size_t, kExportColumnCount>& ColumnsInWriteOrder();

} // namespace tallowby
