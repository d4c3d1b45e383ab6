// Outlook's CSV: the header of Outlook's own export, each item in its column, what has
// no column left in Notes after its name, read back with Python's csv module.
#include "ContactBook.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

// The 92 columns of the English Outlook's CSV export, in its order.
const std::vector<std::string> kOutlookHeader = {
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3", "Home City",
    "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2", "Other Street 3",
    "Other City", "Other State", "Other Postal Code", "Other Country/Region", "Assistant's Phone", "Business Fax",
    "Business Phone", "Business Phone 2", "Callback", "Car Phone", "Company Main Phone", "Home Fax", "Home Phone",
    "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax", "Other Phone", "Pager", "Primary Phone", "Radio Phone",
    "TTY/TDD Phone", "Telex", "Account", "Anniversary", "Assistant's Name", "Billing Information", "Birthday",
    "Business Address PO Box", "Categories", "Children", "Directory Server", "E-mail Address", "E-mail Type",
    "E-mail Display Name", "E-mail 2 Address", "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address",
    "E-mail 3 Type", "E-mail 3 Display Name", "Gender", "Government ID Number", "Hobby", "Home Address PO Box",
    "Initials", "Internet Free Busy", "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes",
    "Office Location", "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession",
    "Referred By", "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page"};

using Cells = std::vector<std::pair<std::string, std::string>>;
std::string JsonCells(const Cells& cells) {
    std::string out = "{";
    for (const auto& [column, value] : cells) out += (out.size() > 1 ? "," : "") + Json(column) + ":" + Json(value);
    return out + "}";
}

TEST(OutlookTest, OutlooksColumnsAndNothingLostInNotes) {
    TempDir dir;
    const std::string database = dir / "names.dxl";
    WriteFile(database, DxlBook(Ann(TextList({"A", "B, with comma"})) + Bob() + BookGroups()));
    const ExportResult result = Export(database, {}, ExportFormat::Csv, ExportLayout::Outlook);
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    EXPECT_EQ(result.files, std::vector<std::string>{dir / "names-outlook.csv"});
    // Ann: a third office number, a phone number in an e-mail item, a fourth address and
    // five values of items Outlook has no column for; Bob: a second department, a Notes
    // mail address, his FullName.
    EXPECT_EQ(result.message, "2 Contacts Saved Successfully\r\n\r\n11 values have no Outlook column of their own (a "
                              "fourth e-mail address, items Outlook does not know) and were added to Notes, each after "
                              "its name.\r\n\r\nOutlook's CSV has no place for groups: they are not in this file. The "
                              "full layout and the vCard file keep them.");
    std::string tokyo;
    for (int i = 0; i < 40; ++i) tokyo += "東京";
    const Cells ann = {
        {"Title", "Dr."}, {"First Name", "Ann"}, {"Middle Name", "B."}, {"Last Name", "Able"}, {"Company", "Able & Co"},
        {"Department", "Sales"}, {"Job Title", "Director"}, {"Business Street", "1 Main St"},
        {"Business City", "Springfield"}, {"Business State", "IL"}, {"Business Postal Code", "62701"},
        {"Business Country/Region", "USA"}, {"Business Fax", "+1 555 0109"}, {"Business Phone", "+1 555 0100"},
        {"Business Phone 2", "+1 555 0101"}, {"Anniversary", "6/20/1990"}, {"Assistant's Name", "Fay"},
        {"Birthday", "8/11/1962"}, {"Categories", "A;B, with comma"}, {"Children", "Di;Ed"},
        {"E-mail Address", "ann@able.example"}, {"E-mail Type", "SMTP"},
        {"E-mail Display Name", "Ann B. Able (ann@able.example)"}, {"E-mail 2 Address", "ann.able@home.example"},
        {"E-mail 2 Type", "SMTP"}, {"E-mail 2 Display Name", "Ann B. Able (ann.able@home.example)"},
        {"E-mail 3 Address", "a.able@mail.example"}, {"E-mail 3 Type", "SMTP"},
        {"E-mail 3 Display Name", "Ann B. Able (a.able@mail.example)"}, {"Manager's Name", "Bob Baker/Sales/Acme"},
        {"Office Location", "Building 7"}, {"Spouse", "Cy Able"}, {"Web Page", "https://able.example/a?b=c"},
        {"Notes", "one; two, three \\ four\nline two\nBusiness Phone 3: +1 555 0199\nMiscPhone2: +1 555 0102\n"
                  "E-mail 4: ann4@four.example\nAltFullNameSort: Able Ann\nShortName: aable\nHobby_Main: chess\n"
                  "FullName: Ann Able/Acme\nFullName: Ann Able"}};
    const Cells bob = {
        {"First Name", "Bob"}, {"Last Name", "Baker"}, {"Company", "Рога и копыта"}, {"Department", "Отдел"},
        {"Home Street", "Hauptstraße 1"}, {"Home Street 2", "Hinterhaus"}, {"Home City", "Berlin"},
        {"Home Postal Code", "10115"}, {"Home Country/Region", "Deutschland"}, {"Home Phone", "+49 30 1234"},
        {"Home Fax", "+49 30 1235"}, {"Other Phone", "+49 170 1"}, {"Pager", "+49 171 2"},
        {"Mobile Phone", "bob@cell.example"}, {"Birthday", "3/15/1970"}, {"E-mail Address", "bob@baker.example"},
        {"E-mail Type", "SMTP"}, {"E-mail Display Name", "Bob Baker (bob@baker.example)"},
        {"Notes", tokyo + "\nDepartment 2: Группа\nMailAddress: Bob Baker/Acme@Acme\nFullName: Bob Baker/Acme"}};
    WriteFile(dir / "expected.json", "{\"header\":" + Json(kOutlookHeader) + ",\"rows\":[" + JsonCells(ann) + "," + JsonCells(bob) + "]}");
    const ChildRun run = RunProgram({"/usr/bin/python3", TALLOWBY_READ_OUTLOOK_PY, dir / "expected.json",
                                     dir / "names-outlook.csv"}, dir.path());
    EXPECT_EQ(run.out, "2 rows agree\n") << run.err;
    EXPECT_EQ(run.status, 0);
}

} // namespace
} // namespace tallowby::test
