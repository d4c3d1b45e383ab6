#include "export/ColumnLayout.h"

#include <algorithm>

namespace tallowby {

// Header texts are fixed: columns 23 to 25 are headed as e-mail columns although
// they hold MiscPhone1..3, column 33 "Personal CellPhone" holds PersPager, and the
// Order column puts Suffix and Title before Email and the office address before
// Location, as the worksheet has always been written.
const std::array<ExportColumn, kExportColumnCount> kExportColumns = {{
    {1, "First Name", "FirstName", 1, false},
    {2, "Middle Name", "MiddleInitial", 2, false},
    {3, "Last Name", "LastName", 3, false},
    {4, "Email", "MailAddress", 6, false},
    {5, "Suffix", "Suffix", 4, true},
    {6, "Title", "Title", 5, true},
    {7, "Company", "CompanyName", 7, false},
    {8, "Job Title", "JobTitle", 8, false},
    {9, "Location", "Location", 14, false},
    {10, "Website", "WebSite", 15, false},
    {11, "Department", "Department", 16, false},
    {12, "Manager", "Manager", 17, false},
    {13, "Assistant", "Assistant", 18, false},
    {14, "Business Street Address", "OfficeStreetAddress", 9, false},
    {15, "Business City", "OfficeCity", 10, false},
    {16, "Business Zip/Postal Code", "OfficeZip", 11, false},
    {17, "Business State", "OfficeState", 12, false},
    {18, "Business Country", "OfficeCountry", 13, false},
    {19, "Business Phone Number", "OfficePhoneNumber", 19, false},
    {20, "Business FAX", "OfficeFAXPhoneNumber", 20, false},
    {21, "Business CellPhone", "CellPhoneNumber", 21, false},
    {22, "Business Pager", "PhoneNumber_6", 22, false},
    {23, "Business Other Email 1", "MiscPhone1", 23, false},
    {24, "Business Other Email 2", "MiscPhone2", 24, false},
    {25, "Business Other Email 3", "MiscPhone3", 25, false},
    {26, "Personal Street Address", "StreetAddress", 26, false},
    {27, "Personal City", "City", 27, false},
    {28, "Personal Zip/Postal Code", "Zip", 28, false},
    {29, "Personal State", "State", 29, false},
    {30, "Personal Country", "Country", 30, false},
    {31, "Personal Phone Number", "PhoneNumber", 33, false},
    {32, "Personal FAX", "HomeFAXPhoneNumber", 34, false},
    {33, "Personal CellPhone", "PersPager", 35, false},
    {34, "Birthday", "Birthday", 36, false},
    {35, "Anniversary", "Anniversary", 37, false},
    {36, "Spouse", "Spouse", 31, false},
    {37, "Children", "Children", 32, false},
    {38, "Category", "Categories", 39, false},
    {39, "Comments", "Comment", 38, false},
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

} // namespace tallowby
