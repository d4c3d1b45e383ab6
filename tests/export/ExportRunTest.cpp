// The export: the Excel 2.1 worksheet of a small book compared byte for byte, a
// refused output, and `tallowby-cli export`'s options. Books, folders and disks that
// go wrong, and what the window and the command line then say, are the bad-input
// matrix's (tests/reliability).
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

// The 39 columns, stated here apart from the code: the header texts (the support
// header's kClassicHeaders), the Notes item of columns 1..39, and the column of each
// of a row's cells in write order (Suffix and Title come before Email, the office
// address before Location, Spouse and Children before the personal phones, Comments
// before Category).
const char* const kItemNames[39] = {
    "FirstName", "MiddleInitial", "LastName", "MailAddress", "Suffix", "Title", "CompanyName", "JobTitle",
    "Location", "WebSite", "Department", "Manager", "Assistant", "OfficeStreetAddress", "OfficeCity", "OfficeZip",
    "OfficeState", "OfficeCountry", "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6",
    "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City", "Zip", "State", "Country", "PhoneNumber",
    "HomeFAXPhoneNumber", "PersPager", "Birthday", "Anniversary", "Spouse", "Children", "Categories", "Comment"};
const unsigned kColumnsInWriteOrder[39] = {1,  2,  3,  5,  6,  4,  7,  8,  14, 15, 16, 17, 18, 9,  10, 11, 12, 13,
                                           19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 36, 37, 31, 32, 33, 34,
                                           35, 39, 38};

class ExportRunTest : public ::testing::Test {
protected:
    TempDir dir;
    const std::string database = dir / "names.dxl";
};

TEST_F(ExportRunTest, SmallBookGivesExactlyTheBytesOfTheLayout) {
    std::string named;  // every item holds its own name
    for (const std::string item : kItemNames)
        if (item != "FirstName" && item != "LastName")
            named += "<item name='" + item + "'><text>" + item + "</text></item>";
    const std::string target = dir / "names.xls";
    WriteFile(target, std::string(100000, 'x'));  // an earlier, longer worksheet
    // The view orders by last name: Ann comes first.
    WriteFile(database, DxlBook(Person(1, "FirstName", "LastName", named) + Person(2, "Ann", "")));
    const ExportResult result = Export(database);
    ASSERT_EQ(result.outcome, ExportOutcome::Completed);
    EXPECT_EQ(result.files, std::vector<std::string>{target});
    // Verdana 10 plain, bold, bold underlined; Courier 14 bold italic. Style 0 takes
    // font 0, style 1 the bold font 1, both General and left-aligned. The page header.
    std::string records = Hex("31 00 0C 00 C8 00 00 00 07 'Verdana' 31 00 0C 00 C8 00 01 00 07 'Verdana' "
                              "31 00 0C 00 C8 00 05 00 07 'Verdana' 31 00 0C 00 18 01 03 00 07 'Courier' "
                              "43 00 04 00 00 00 00 01 43 00 04 00 01 00 00 01 14 00 0D 00 0C 'BIFF 2.1 API'");
    // The header row in column order, bold (style 1, font 1); then each document's
    // 39 cells in write order, style 0; a missing item gives an empty cell.
    for (unsigned i = 0; i < 117; ++i) {
        const unsigned row = i / 39, column = row == 0 ? i % 39 : kColumnsInWriteOrder[i % 39] - 1;
        const std::string text = row == 0 ? kClassicHeaders[column] : row == 2 ? kItemNames[column] : column ? "" : "Ann";
        records += Hex("04 00") + char(8 + text.size()) + '\0' + char(row) + '\0' + char(column) + '\0' +
                   Hex(row == 0 ? "01 40 01" : "00 00 01") + char(text.size()) + text;
    }
    EXPECT_EQ(ReadFile(target), Sheet(records));
}

TEST_F(ExportRunTest, AnOutputThatIsTheBookUnderAnyNameIsRefused) {
    WriteFile(database, SmallBook());
    fs::create_directories(dir / "sub");
    fs::create_symlink(database, dir / "link.xls");
    fs::create_hard_link(database, dir / "hard.xls");
    const Snapshot before = TakeSnapshot(dir.path());
    for (const std::string& output : {database, dir / "sub/../names.dxl", dir / "link.xls", dir / "hard.xls"}) {
        const ExportResult result = Export(database, output);
        EXPECT_EQ(result.outcome, ExportOutcome::Refused) << output;
        EXPECT_NE(result.message.find(output), std::string::npos) << output;
    }
    EXPECT_EQ(TakeSnapshot(dir.path()), before) << "the book and its folder as they were";
}

// The opener gets the file as one argument, named absolutely: a name a shell would
// act on, or a relative one starting with '-' (an option to xdg-open), changes nothing.
TEST_F(ExportRunTest, CliOpenHandsTheFileToXdgOpenWithoutAShell) {
    const std::string bin = dir / "bin", odd = "-my book $(touch pwned).csv";
    WriteFile(database, SmallBook());
    fs::create_directories(bin);
    WriteFile(bin + "/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + (dir / "opened") +
                                     "\"\necho 'opener says hello'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const auto exportAndOpen = [&](const std::string& path) {
        return RunInChild([&]() -> std::string {
            if (::chdir(dir.path().c_str()) != 0 || ::setenv("PATH", path.c_str(), 1) != 0) return "no chdir";
            ::execl(TALLOWBY_CLI, TALLOWBY_CLI, "export", "--open", "--output", odd.c_str(), database.c_str(), nullptr);
            ::_exit(127);
        }, dir.path());
    };
    ChildRun run = exportAndOpen(bin);
    EXPECT_EQ(std::to_string(run.status) + "|" + run.out, "0|3 Contacts Saved Successfully\n" + (dir / odd) + "\n")
        << "the opener's own output stays off stdout";
    EXPECT_EQ(ReadFile(dir / "opened"), dir / odd + "\n");
    EXPECT_FALSE(fs::exists(dir / "pwned"));
    run = exportAndOpen(dir / "nothing");
    EXPECT_EQ(run.status, 0) << "a missing opener does not fail the export";
    EXPECT_NE(run.err.find("xdg-open"), std::string::npos) << run.err;
}

// --format decides, in any case, else the last extension of --output's file name,
// else what the other options imply, else the Excel 2.1 worksheet; a --format that the
// extension contradicts, an extension (or none) that names no format without --format,
// an unknown format and a layout the format cannot hold write nothing.
TEST_F(ExportRunTest, CliTakesTheFormatFromFormatElseFromTheOutputsExtension) {
    const std::string xls("\x09\x00\x04\x00", 4), xlsx = "PK\x03\x04", csv = "\xEF\xBB\xBF" "First Name,";
    const std::string usage =
        "\nUsage: tallowby-cli export [--format xls|xlsx|csv|vcf] [--layout classic|full|outlook]\n"
        "                           [--output FILE|-] [--csv-formulas keep|guard] [--vcard 3.0|4.0]\n"
        "                           [--groups-as-categories] [--split N] [--open] DATABASE\n"
        "Run 'tallowby-cli --help' for details.\n";
    const std::string noFormat = "names no format: use .xls, .xlsx, .csv or .vcf, or give --format to write that "
                                 "name anyway" + usage;
    // "@" stands for the test's folder; the book comes first, the options after it.
    const struct { std::vector<std::string> args; int status; std::string file, starts, err; } cases[] = {
        {{"--format", "xlsx"}, 0, "names.xlsx", xlsx, ""},
        {{"--format=CSV", "--output", "@/out.txt"}, 0, "out.txt", csv, ""},
        {{"--output", "@/out.XLSX"}, 0, "out.XLSX", xlsx, ""},
        {{"--output=@/out.Csv"}, 0, "out.Csv", csv, ""},
        {{"--layout", "full"}, 0, "names-full.xlsx", xlsx, ""},
        {{"--layout", "outlook"}, 0, "names-outlook.csv", "\xEF\xBB\xBF", ""},
        {{}, 0, "names.xls", xls, ""},
        {{"--output", "@/out.xlsx.txt"}, 2, "", "",
         "tallowby-cli export: the extension of '@/out.xlsx.txt' (.txt) " + noFormat},
        {{"--output", "@/.csv"}, 2, "", "", "tallowby-cli export: the extension of '@/.csv' (none) " + noFormat},
        {{"--format", "xlsx", "--output", "@/out.csv"}, 2, "", "",
         "tallowby-cli export: --format xlsx does not match the extension of '@/out.csv' (.csv)" + usage},
        {{"--format", "ods"}, 2, "", "",
         "tallowby-cli export: unknown format 'ods': choose xls, xlsx, csv or vcf" + usage},
        {{"--format"}, 2, "", "", "tallowby-cli export: --format needs a value" + usage},
        {{"--format", "xls", "--layout", "full"}, 2, "", "",
         "tallowby-cli export: an Excel 2.1 worksheet holds only the classic layout (255 characters a cell, no "
         "second sheet); choose --format xlsx or csv for the full layout" + usage},
        {{"-rf.dxl"}, 2, "", "",
         "tallowby-cli export: unknown option '-rf.dxl' (use ./-rf.dxl for a file of that name)" + usage},
        {{"--output", "@/folder.csv"}, 1, "", "",
         "The CSV file could not be saved:\n@/folder.csv\n\nReason: it is a folder.\n\nNothing was written; an "
         "earlier file of that name is unchanged. Check the folder and the free disk space, then try again.\n"},
    };
    const auto expand = [&](std::string text) {
        if (const auto at = text.find('@'); at != std::string::npos) text.replace(at, 1, dir.path().string());
        return text;
    };
    for (const auto& c : cases) {
        fs::remove_all(dir.path());
        fs::create_directories(dir / "folder.csv");
        WriteFile(database, SmallBook());
        std::vector<std::string> argv = {TALLOWBY_CLI, "export", database};
        for (const std::string& arg : c.args) argv.push_back(expand(arg));
        const ChildRun run = RunProgram(argv, dir.path());
        // Nothing on stderr, not even a progress bar, when stderr is no terminal.
        EXPECT_EQ(std::to_string(run.status) + "|" + run.err, std::to_string(c.status) + "|" + expand(c.err))
            << argv.back();
        EXPECT_EQ(TakeSnapshot(dir.path()).size(), c.file.empty() ? 2u : 3u) << argv.back();  // the book, the folder
        EXPECT_TRUE(c.file.empty() || ReadFile(dir / c.file).starts_with(c.starts)) << c.file;
    }
}

} // namespace
} // namespace tallowby::test
