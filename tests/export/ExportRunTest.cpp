// The export: the worksheet's name, the run on small DXL books read back record by
// record, and `tallowby-cli export`'s options. Books, folders and disks that go
// wrong, and what the window and the command line then say, are the bad-input
// matrix's (tests/reliability).
#include "ExportTestSupport.h"

#include "addressbook/Notes.h"

#include <gtest/gtest.h>

#include <set>

#include <unistd.h>

namespace tallowby::test {
namespace {

using namespace std::string_literals;

TEST(OutputPathFor, LowerCasesTheNameAndReplacesItsLastExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"Names.NSF", "names.xls"}, {"names.dxl", "names.xls"}, {"archive.tar.GZ", "archive.tar.xls"},
        {"names.", "names.xls"}, {"./Names.nsf", "./names.xls"},
        // The folders stay as they are, a ".nsf" in a folder's name too.
        {"/Data/Mail/Names.NSF", "/Data/Mail/names.xls"}, {"/srv/Old.NSF/Names.nsf", "/srv/Old.NSF/names.xls"},
        {"rel/v2.0/Book", "rel/v2.0/book.xls"},
        // No extension: ".xls" is appended; leading dots start no extension.
        {"/books/Book", "/books/book.xls"}, {".hidden", ".hidden.xls"}, {".hidden.nsf", ".hidden.xls"},
        {"/books/..Hidden", "/books/..hidden.xls"},
        // Only ASCII letters are lower-cased. The rule alone can name the database
        // itself: the run refuses that.
        {"/b/\xc3\x84" "DRESSEN.NSF", "/b/\xc3\x84" "dressen.xls"}, {"/books/Book.XLS", "/books/book.xls"},
    };
    for (const auto& [database, worksheet] : cases) EXPECT_EQ(OutputPathFor(database), worksheet) << database;
}

std::string Item(const std::string& name, const std::string& values) {
    return "<item name='" + name + "'>" + values + "</item>";
}
std::string Text(const std::string& text) { return "<text>" + text + "</text>"; }

class ExportRunTest : public ::testing::Test {
protected:
    // Exports a book of `documents` from names.dxl into names.xls.
    ExportResult Export(const std::string& documents, const std::string& output = {}) {
        WriteFile(database, DxlBook(documents));
        return window.Export(database, output);
    }
    // The worksheet's cells by row and 0-based column, the header row being row 0.
    std::map<std::pair<unsigned, unsigned>, std::string> Cells() {
        std::map<std::pair<unsigned, unsigned>, std::string> cells;
        for (const Label& label : Labels(Records(ReadFile(dir / "names.xls"))))
            cells[{label.row, label.column}] = label.text;
        return cells;
    }

    TempDir dir;
    const std::string database = dir / "names.dxl";
    RecordingWindow window;
};
using CliExportTest = ExportRunTest;

TEST_F(ExportRunTest, SmallBookGivesExactlyTheRecordsOfTheLayout) {
    std::string named;  // every item holds its own name
    for (const std::string item : kItemNames)
        named += item == "FirstName" || item == "LastName" ? "" : Item(item, Text(item));
    const std::string target = dir / "names.xls";
    WriteFile(target, std::string(100000, 'x'));  // an earlier, longer worksheet
    // The view orders by last name: Ann comes first.
    ASSERT_EQ(Export(Person(1, "FirstName", "LastName", named) + Person(2, "Ann", "")).outcome,
              ExportOutcome::Completed);
    EXPECT_EQ(window.state.ExportFilePath, target);
    const std::string bytes = ReadFile(target);

    const std::vector<Record> records = Records(bytes);
    std::vector<uint16_t> ids, expected = {kBof, kCodePage, kFormatCount};
    for (const auto& [id, n] : {std::pair{kFormat, 24}, {kFont, 4}, {kXf, 2}, {kHeaderRecord, 1}, {kLabel, 117}})
        expected.insert(expected.end(), n, id);
    expected.push_back(kEof);
    for (const Record& record : records) ids.push_back(record.id);
    ASSERT_EQ(ids, expected);
    // Verdana 10 plain, bold, bold underlined; Courier 14 bold italic. Style 0 takes
    // font 0, style 1 the bold font 1, both General and left-aligned. The page header.
    std::vector<std::string> bodies;
    for (int i = 27; i < 34; ++i) bodies.emplace_back(records[i].body);
    EXPECT_EQ(bodies, (std::vector<std::string>{"\xc8\0\0\0\x07Verdana"s, "\xc8\0\x01\0\x07Verdana"s,
                                                "\xc8\0\x05\0\x07Verdana"s, "\x18\x01\x03\0\x07" "Courier"s,
                                                "\0\0\0\x01"s, "\x01\0\0\x01"s, "\x0c" "BIFF 2.1 API"s}));
    // The header row in column order, bold (style 1, font 1); then each document's
    // 39 cells in write order, style 0; a missing item gives an empty cell.
    const std::vector<Label> labels = Labels(records);
    for (unsigned i = 0; i < labels.size(); ++i) {
        const unsigned row = i / 39, column = row == 0 ? i % 39 : kColumnsInWriteOrder[i % 39] - 1;
        EXPECT_EQ(labels[i].row, row) << "cell " << i;
        EXPECT_EQ(labels[i].column, column) << "cell " << i;
        EXPECT_EQ(labels[i].attributes, row == 0 ? "\x01\x40\x01"s : "\0\0\x01"s) << "cell " << i;
        EXPECT_EQ(labels[i].text, row == 0 ? kHeaderTexts[column] : row == 2 ? kItemNames[column]
                                  : column == 0 ? "Ann" : "") << "cell " << i;
    }
}

TEST_F(ExportRunTest, SuffixAndTitleDropAZeroAndOnlyTheFirstValueIsWritten) {
    const std::string first = Item("Suffix", Text("0")) + Item("Title", Text("0")) + Item("Comment", Text("0")) +
                              Item("Categories", "<textlist>" + Text("A") + Text("B") + "</textlist>") +
                              Item("Children", "<textlist><text/>" + Text("B") + "</textlist>") +
                              Item("Zip", "<numberlist><number>12345</number><number>1</number></numberlist>") +
                              Item("Birthday", "<datetime>19700315</datetime>");
    ASSERT_EQ(Export(Person(1, "0", "A", first) +
                     Person(2, "", "B", Item("Suffix", Text("00")) + Item("Title", Text(" 0"))) +
                     Person(3, "", "C", Item("Suffix", Text("0 ")) + Item("Title", "<number>0</number>"))).outcome,
              ExportOutcome::Completed);
    const auto cells = Cells();
    const struct { unsigned row, column; std::string text; } expected[] = {
        // Only Suffix and Title drop a "0", and only the text "0" (a number 0 reads so).
        {1, 4, ""}, {1, 5, ""}, {1, 0, "0"}, {1, 38, "0"}, {2, 4, "00"}, {2, 5, " 0"}, {3, 4, "0 "}, {3, 5, ""},
        // The first value of an item, as text; an empty first value stays empty.
        {1, 37, "A"}, {1, 36, ""}, {1, 27, ValueToText(NotesValue(12345.0))},
        {1, 33, ValueToText(NotesValue(NotesDateTime{1970, 3, 15, 0, 0, 0, false}))},
    };
    for (const auto& cell : expected)
        EXPECT_EQ(cells.at({cell.row, cell.column}), cell.text) << cell.row << "," << cell.column;
}

TEST_F(ExportRunTest, ValuesAreCutAt255CharactersNotBytes) {
    std::string e300;
    for (int i = 0; i < 300; ++i) e300 += "\xc3\xa9";  // é: two bytes, one character
    ASSERT_EQ(Export(Person(1, std::string(255, 'a'), std::string(256, 'b'), Item("Comment", Text(e300)) +
                            Item("City", Text(e300.substr(0, 400)))) +
                     Person(2, "", "c", Item("Comment", Text(std::string(1000, 'c'))))).outcome,
              ExportOutcome::Completed);
    auto cells = Cells();
    EXPECT_EQ((cells[{1, 0}]), std::string(255, 'a')) << "255 characters are kept whole";
    EXPECT_EQ((cells[{1, 2}]), std::string(255, 'b'));
    EXPECT_EQ((cells[{1, 38}]), std::string(255, '\xe9')) << "cut between characters, not bytes";
    EXPECT_EQ((cells[{1, 26}]), std::string(200, '\xe9')) << "400 bytes but 200 characters";
    EXPECT_EQ((cells[{2, 38}]), std::string(255, 'c'));
    EXPECT_EQ(window.messages.texts.back(),
              "2 Contacts Saved Successfully\r\n\r\n3 values were longer than 255 characters and were shortened.");
    ASSERT_EQ(Export(Person(1, "", std::string(256, 'b'))).outcome, ExportOutcome::Completed);
    EXPECT_EQ(window.messages.texts.back(),
              "1 Contacts Saved Successfully\r\n\r\n1 value was longer than 255 characters and was shortened.");
}

TEST_F(ExportRunTest, ProgressMaximumIsTheScansCountElseTheViewsAndGrowsWithTheWalk) {
    const struct { int32_t contactCount; std::vector<int32_t> maximums; } runs[] = {
        {6, {6}},        // a scan counted more than the view now holds
        {0, {4}},        // no scan: the view's count
        {2, {2, 3, 4}},  // a scan counted fewer: the bar grows with the walk
    };
    for (const auto& run : runs) {
        window.progress = RecordingProgress();
        window.state.ContactCount = run.contactCount;
        ASSERT_EQ(Export(Persons(4)).outcome, ExportOutcome::Completed);
        EXPECT_EQ(window.progress.maximums, run.maximums) << run.contactCount;
        EXPECT_EQ(window.progress.values, (std::vector<int32_t>{2, 3, 4}));
        EXPECT_EQ(window.progress.repainted, 4) << "the last value is shown";
        EXPECT_FALSE(window.progress.outOfRange);
    }
}

TEST_F(ExportRunTest, TheContactAfterRow65535IsLeftOutAndCounted) {
    EXPECT_EQ(Export(Persons(65536)).contactsWritten, 65535);
    EXPECT_EQ(window.messages.texts.back(), "65535 Contacts Saved Successfully\r\n\r\n1 contact was left out: "
              "a worksheet holds at most 65,535 contacts. Export as .xlsx or CSV to keep every contact.\r\n\r\n"
              "Some programs (Gnumeric, Python's xlrd, Excel before 97) read only the first 16,384 rows of a "
              "worksheet like this one: the header and 16,383 contacts. An .xlsx workbook keeps every row readable.");
    EXPECT_FALSE(window.progress.outOfRange);
    const std::string bytes = ReadFile(dir / "names.xls");
    const std::vector<Record> records = Records(bytes);
    ASSERT_EQ(records.size(), 34 + 39u * 65536 + 1);
    EXPECT_EQ(records.back().id, kEof);
    const Label lastRow = ParseLabel(records[records.size() - 40]);
    EXPECT_EQ(lastRow.row, 0xFFFFu);
    EXPECT_EQ(lastRow.text, "P65535") << "the last row holds the 65,535th document";
}

TEST_F(ExportRunTest, AnOutputThatIsTheBookUnderAnyNameIsRefused) {
    WriteFile(database, SmallBook());
    fs::create_directories(dir.path() / "sub");
    fs::create_symlink(database, dir.path() / "link.xls");
    fs::create_hard_link(database, dir.path() / "hard.xls");
    const Snapshot before = TakeSnapshot(dir.path());
    for (const std::string& output : {database, dir / "sub/../names.dxl", dir / "link.xls", dir / "hard.xls"}) {
        EXPECT_EQ(window.Export(database, output).outcome, ExportOutcome::Refused) << output;
        EXPECT_NE(window.messages.texts.back().find(output), std::string::npos) << output;
    }
    EXPECT_EQ(TakeSnapshot(dir.path()), before) << "the book and its folder as they were";
}

TEST_F(CliExportTest, WritesWhereOutputSays) {  // the form "--output FILE" is the matrix's
    WriteFile(database, SmallBook());
    fs::create_directories(dir.path() / "out");
    const ChildRun run = RunProgram({TALLOWBY_CLI, "export", database, "--output=" + (dir / "out/a.xls")}, dir.path());
    // Status | stdout | stderr: no progress bar when stderr is no terminal.
    EXPECT_EQ(std::to_string(run.status) + "|" + run.out + "|" + run.err,
              "0|3 Contacts Saved Successfully\n" + (dir / "out/a.xls") + "\n|");
    EXPECT_EQ(Labels(Records(ReadFile(dir / "out/a.xls"))).size(), 4u * 39u);
    EXPECT_FALSE(fs::exists(dir / "names.xls"));
}

TEST_F(CliExportTest, OpenHandsTheFileToXdgOpenWithoutAShell) {
    // A name a shell would act on: the opener must get it as one argument.
    const std::string odd = dir / "my book $(touch pwned).dxl", worksheet = dir / "my book $(touch pwned).xls";
    const std::string bin = dir / "bin", nothing = dir / "nothing";
    WriteFile(odd, SmallBook());
    fs::create_directories(bin);
    WriteFile(bin + "/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + (dir / "opened") +
                                     "\"\necho 'opener says hello'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    ChildRun run = RunProgram({TALLOWBY_CLI, "export", "--open", odd}, dir.path(), false, bin.c_str());
    EXPECT_EQ(std::to_string(run.status) + "|" + run.out, "0|3 Contacts Saved Successfully\n" + worksheet + "\n")
        << "the opener's own output stays off stdout";
    EXPECT_EQ(ReadFile(dir / "opened"), worksheet + "\n");
    EXPECT_FALSE(fs::exists(dir.path() / "pwned"));
    run = RunProgram({TALLOWBY_CLI, "export", "--open", odd}, dir.path(), false, nothing.c_str());
    EXPECT_EQ(run.status, 0) << "a missing opener does not fail the export";
    EXPECT_NE(run.err.find("xdg-open"), std::string::npos) << run.err;
    // A relative name starting with '-' reaches the opener as a path, not an option, and
    // the path line and the opener name the file absolutely.
    run = RunInChild([&]() -> std::string {
        if (::chdir(dir.path().c_str()) != 0 || ::setenv("PATH", bin.c_str(), 1) != 0) return "no chdir";
        ::execl(TALLOWBY_CLI, TALLOWBY_CLI, "export", "--open", "--output", "-x.csv", odd.c_str(), nullptr);
        ::_exit(127);
    }, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), dir / "-x.csv" + "\n");
    EXPECT_EQ(ReadFile(dir / "opened"), dir / "-x.csv" + "\n");
}

// --format decides, else the extension of --output, else the Excel 2.1 worksheet;
// a --format that the extension contradicts, an unknown format and --output naming
// a folder (checked before the book is even looked at) write nothing.
TEST_F(CliExportTest, TheFormatComesFromFormatElseFromTheOutputsExtension) {
    const std::string xls("\x09\x00\x04\x00", 4), xlsx = "PK\x03\x04", csv = "\xEF\xBB\xBF" "First Name,";
    const std::string usage = "\nUsage: tallowby-cli export [--format xls|xlsx|csv] [--output FILE] [--open] DATABASE\n"
                              "Run 'tallowby-cli --help' for details.\n";
    // "@" stands for the test's folder; the book comes first, the options after it.
    const struct { std::vector<std::string> args; int status; std::string file, starts, err; } cases[] = {
        {{"--format", "xlsx"}, 0, "names.xlsx", xlsx, ""},
        {{"--format=CSV", "--output", "@/out.txt"}, 0, "out.txt", csv, ""},
        {{"--output", "@/out.XLSX"}, 0, "out.XLSX", xlsx, ""},
        {{"--output=@/out.Csv"}, 0, "out.Csv", csv, ""},
        {{"--output", "@/out.txt"}, 0, "out.txt", xls, ""},
        {{"--format", "xls", "--output", "@/out.xls"}, 0, "out.xls", xls, ""},
        {{}, 0, "names.xls", xls, ""},
        {{"--format", "xlsx", "--output", "@/out.csv"}, 2, "", "",
         "tallowby-cli export: --format xlsx does not match the extension of '@/out.csv' (.csv)" + usage},
        {{"--format", "ods"}, 2, "", "", "tallowby-cli export: unknown format 'ods': choose xls, xlsx or csv" + usage},
        {{"--format"}, 2, "", "", "tallowby-cli export: --format needs xls, xlsx or csv" + usage},
        {{"--output", "@/folder"}, 1, "", "", "tallowby-cli: @/folder is a folder; give --output the name of a file.\n"},
    };
    const auto expand = [&](std::string text) {
        if (const auto at = text.find('@'); at != std::string::npos) text.replace(at, 1, dir.path().string());
        return text;
    };
    for (const auto& c : cases) {
        fs::remove_all(dir.path());
        fs::create_directories(dir / "folder");
        WriteFile(database, SmallBook());
        // A book that is not there: the folder is refused before the book is looked at.
        std::vector<std::string> argv = {TALLOWBY_CLI, "export", c.status == 1 ? dir / "missing.dxl" : database};
        for (const std::string& arg : c.args) argv.push_back(expand(arg));
        const ChildRun run = RunProgram(argv, dir.path());
        EXPECT_EQ(std::to_string(run.status) + "|" + run.err, std::to_string(c.status) + "|" + expand(c.err))
            << argv.back();
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(dir.path())) files.insert(entry.path().filename());
        EXPECT_EQ(files, (c.file.empty() ? std::set<std::string>{"names.dxl", "folder"}
                                         : std::set<std::string>{"names.dxl", "folder", c.file})) << argv.back();
        if (!c.file.empty()) {
            EXPECT_EQ(ReadFile(dir / c.file).substr(0, c.starts.size()), c.starts) << c.file;
        }
    }
}

} // namespace
} // namespace tallowby::test
