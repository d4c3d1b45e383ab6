#include "export/ColumnLayout.h"

#include "export/RowLayout.h"

#include <algorithm>

namespace tallowby {

// Header texts are fixed: columns 23 to 25 are headed as e-mail columns although
// they hold MiscPhone1..3, column 33 "Personal CellPhone" holds PersPager, and the
// Order column puts Suffix and Title before Email and the office address before
// Location, as the worksheet has always been written.
const std::array<ExportColumn, kExportColumnCount> kExportColumns = {{
    {1, "First Name", RecordFieldOf("FirstName"), 1},
    {2, "Middle Name", RecordFieldOf("MiddleInitial"), 2},
    {3, "Last Name", RecordFieldOf("LastName"), 3},
    {4, "Email", RecordFieldOf("MailAddress"), 6},
    {5, "Suffix", RecordFieldOf("Suffix"), 4},
    {6, "Title", RecordFieldOf("Title"), 5},
    {7, "Company", RecordFieldOf("CompanyName"), 7},
    {8, "Job Title", RecordFieldOf("JobTitle"), 8},
    {9, "Location", RecordFieldOf("Location"), 14},
    {10, "Website", RecordFieldOf("WebSite"), 15},
    {11, "Department", RecordFieldOf("Department"), 16},
    {12, "Manager", RecordFieldOf("Manager"), 17},
    {13, "Assistant", RecordFieldOf("Assistant"), 18},
    {14, "Business Street Address", RecordFieldOf("OfficeStreetAddress"), 9},
    {15, "Business City", RecordFieldOf("OfficeCity"), 10},
    {16, "Business Zip/Postal Code", RecordFieldOf("OfficeZip"), 11},
    {17, "Business State", RecordFieldOf("OfficeState"), 12},
    {18, "Business Country", RecordFieldOf("OfficeCountry"), 13},
    {19, "Business Phone Number", RecordFieldOf("OfficePhoneNumber"), 19},
    {20, "Business FAX", RecordFieldOf("OfficeFAXPhoneNumber"), 20},
    {21, "Business CellPhone", RecordFieldOf("CellPhoneNumber"), 21},
    {22, "Business Pager", RecordFieldOf("PhoneNumber_6"), 22},
    {23, "Business Other Email 1", RecordFieldOf("MiscPhone1"), 23},
    {24, "Business Other Email 2", RecordFieldOf("MiscPhone2"), 24},
    {25, "Business Other Email 3", RecordFieldOf("MiscPhone3"), 25},
    {26, "Personal Street Address", RecordFieldOf("StreetAddress"), 26},
    {27, "Personal City", RecordFieldOf("City"), 27},
    {28, "Personal Zip/Postal Code", RecordFieldOf("Zip"), 28},
    {29, "Personal State", RecordFieldOf("State"), 29},
    {30, "Personal Country", RecordFieldOf("Country"), 30},
    {31, "Personal Phone Number", RecordFieldOf("PhoneNumber"), 33},
    {32, "Personal FAX", RecordFieldOf("HomeFAXPhoneNumber"), 34},
    {33, "Personal CellPhone", RecordFieldOf("PersPager"), 35},
    {34, "Birthday", RecordFieldOf("Birthday"), 36},
    {35, "Anniversary", RecordFieldOf("Anniversary"), 37},
    {36, "Spouse", RecordFieldOf("Spouse"), 31},
    {37, "Children", RecordFieldOf("Children"), 32},
    {38, "Category", RecordFieldOf("Categories"), 39},
    {39, "Comments", RecordFieldOf("Comment"), 38},
}};

const std::array<std::size_t, kExportColumnCount>& ColumnsInWriteOrder() {
    static const std::array<std::size_t, kExportColumnCount> order = [] {
        std::array<std::size_t, kExportColumnCount> indexes{};
        for (std::size_t i = 0; i < kExportColumnCount; ++i) indexes[i] = i;
        std::sort(indexes.begin(), indexes.end(), [](std::size_t a, std::size_t b) {
            return kExportColumns[a].order < kExportColumns[b].order;
        });
        return indexes;
    }();
    return order;
}

namespace {

// One row per person document: the first value of each column's item, as text.
class ClassicLayout final : public RowLayout {
public:
    SheetColumns Columns(const BookOverview*) override {
        SheetColumns columns;
        for (const ExportColumn& column : kExportColumns) columns.headers.emplace_back(column.header);
        const auto& order = ColumnsInWriteOrder();
        columns.writeOrder.assign(order.begin(), order.end());
        return columns;
    }

    // The values are read in the layout's write order, as the worksheet writes them.
    void Fill(ExportContact& contact, Row& row) override {
        for (const std::size_t index : ColumnsInWriteOrder()) {
            row[index] = FieldText(contact.document(), kExportColumns[index].field);
            if (!row[index].empty()) ++values_;
        }
    }
};

} // namespace

std::unique_ptr<RowLayout> MakeClassicLayout() { return std::make_unique<ClassicLayout>(); }

} // namespace tallowby
