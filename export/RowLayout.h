// What goes into the rows of a sheet: the columns, and each contact's cells. The
// classic layout (ColumnLayout.h), the whole book (FullLayout.cpp) and Outlook's own
// columns (OutlookLayout.cpp); a layout may also have a table of the book's groups.
#pragma once

#include "export/ContactSheet.h"
#include "export/ExportSink.h"

#include <cstdint>

namespace tallowby {

class RowLayout {
public:
    virtual ~RowLayout() = default;
    virtual bool NeedsOverview() const { return false; }
    // The columns, once the overview (when asked for) is known.
    virtual SheetColumns Columns(const BookOverview* overview) = 0;
    // The cells of one contact, in column order; `row` has as many as the columns.
    virtual void Fill(ExportContact& contact, Row& row) = 0;
    // The table of groups, for a layout that has one.
    virtual bool HasGroups() const { return false; }
    virtual SheetColumns GroupColumns() const { return {}; }
    virtual void FillGroup(const BookGroup& /*group*/, const BookOverview& /*overview*/, Row& /*row*/) {}

    // Values written so far (every value of a multi-value item counted).
    int64_t values() const { return values_; }
    // Of those, values with no column of their own, written where the layout keeps
    // such values (Outlook's Notes).
    int64_t valuesAside() const { return aside_; }

protected:
    int64_t values_ = 0;
    int64_t aside_ = 0;
};

std::unique_ptr<RowLayout> MakeClassicLayout();
std::unique_ptr<RowLayout> MakeFullLayout();
std::unique_ptr<RowLayout> MakeOutlookLayout();  // Outlook's own CSV columns

} // namespace tallowby
