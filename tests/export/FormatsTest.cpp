// The three formats: the sample book and a book in many scripts read back by
// independent readers, and where a file goes when the target is not a plain new file:
// a symbolic link (to a file, through another link, to nothing yet), a pipe. A full
// disk and a read-only folder are the bad-input matrix's.
#include "ExportTestSupport.h"

#include "addressbook/Notes.h"
#include "export/ColumnLayout.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tallowby::test {
namespace {

// An item holding a text, or the DXL of its values when `value` starts with "<".
std::string Item(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'>" + (value[0] == '<' ? value : "<text>" + value + "</text>") + "</item>";
}

class FormatsTest : public ::testing::TestWithParam<ExportFormat> {
protected:
    void SetUp() override {
        for (const char* folder : {"out", "elsewhere", "tmp"}) fs::create_directories(dir / folder);
        WriteFile(database, SmallBook());
        // A workbook for a device is built in $TMPDIR first: keep it in the test's folder.
        const char* tmp = std::getenv("TMPDIR");
        savedTmp = tmp ? tmp : "";
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (savedTmp.empty()) ::unsetenv("TMPDIR");
        else ::setenv("TMPDIR", savedTmp.c_str(), 1);
        for (const auto& [name, kind] : TakeSnapshot(dir.path()))
            EXPECT_NE(fs::path(name).filename().string()[0], '.') << "left behind: " << name;
    }
    ExportResult Export(const std::string& output, const std::string& book = {}) {
        return tallowby::test::Export(book.empty() ? database : book, output, GetParam());
    }
    std::string Ext() const { return std::string(FormatExtension(GetParam())); }
    // True when `bytes` start as a complete file of the format does.
    bool IsComplete(const std::string& bytes) const {
        const std::string starts[] = {std::string("\x09\x00\x04\x00", 4), "PK\x03\x04", "\xEF\xBB\xBF" "First Name,"};
        return bytes.starts_with(starts[int(GetParam())]);
    }

    // Exports the book at `database` in the test's format and has read_formats.py read
    // the file back. The cells are worked out here through the Notes layer (the first
    // value as text; Suffix and Title, stated here, without a lone "0"); what the format
    // keeps of them, the script works out itself.
    void ExportAndReadBack(const std::string& expectedMessage) {
        std::string expected;
        for (const ExportColumn& column : kExportColumns) expected += std::string(column.header) + "\x1f";
        const auto book = CreateObject(kDominoProgID)->GetDatabase("", database);
        const auto navigator = book->GetView("$People")->CreateViewNav();
        for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
            expected.back() = '\x1e';
            for (const ExportColumn& column : kExportColumns) {
                const std::string text = ValueToText(entry->Document()->GetItemValue(std::string(column.item())).front());
                const bool zeroIsEmpty = column.item() == "Suffix" || column.item() == "Title";
                expected += (zeroIsEmpty && text == "0" ? "" : text) + "\x1f";
            }
        }
        expected.pop_back();
        WriteFile(dir / "expected.txt", expected);
        const ExportResult result = Export({});
        ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
        EXPECT_EQ(result.message, expectedMessage);
        const std::string file = OutputPathFor(database, GetParam());
        const ChildRun run = RunProgram({"/usr/bin/python3", TALLOWBY_READ_FORMATS_PY, std::string(FormatName(GetParam())),
                                         file, dir / "expected.txt", dir.path(), book->Title()}, dir.path());
        EXPECT_EQ(run.status, 0) << run.out << run.err;  // it prints "N rows agree" when all do
    }
    std::string Paragraphs(const std::string& xls, const std::string& xlsx, int formulas) const {
        if (GetParam() == ExportFormat::Csv)
            return "\r\n\r\n" + std::to_string(formulas) +
                   " values begin like a formula (=, +, -, @, a tab): a spreadsheet program that opens this CSV "
                   "file would run it as one. The values are written exactly, for programs that read the file; to "
                   "open it in a spreadsheet, export an .xlsx workbook instead, or guard the formulas "
                   "(--csv-formulas=guard, or the choice in the conversion window).";
        return GetParam() == ExportFormat::Xls ? xls : xlsx;
    }

    TempDir dir;
    const std::string database = dir / "names.dxl";
    std::string savedTmp;
};

TEST_P(FormatsTest, TheSampleBookReadsBackCellForCell) {
    fs::copy_file(fs::path(TALLOWBY_EXAMPLES_DIR) / "names.dxl", database, fs::copy_options::overwrite_existing);
    ExportAndReadBack("215 Contacts Saved Successfully" +
                      Paragraphs("\r\n\r\n3 values were longer than 255 characters and were shortened.\r\n\r\n35 "
                                 "values hold characters that an Excel 2.1 worksheet cannot store; they were written "
                                 "as \"?\". An .xlsx workbook keeps them.", "", 12));
}

// Names in Greek, Cyrillic, Japanese and with emoji, values that look like formulas,
// numbers, dates and booleans, separators, quotes, line breaks, long values; Suffix
// and Title that only look like "0", items of many values or of other types.
TEST_P(FormatsTest, ABookInManyScriptsReadsBackWholeInEveryReader) {
    std::string e40000;
    for (int i = 0; i < 40000; ++i) e40000 += "\xC3\xA9";
    WriteFile(database, DxlBook(
        Person(1, "Αλέξανδρος", "Παπαδόπουλος", Item("City", "Αθήνα")) +
        Person(2, "Фёдор", "Достоевский", Item("CompanyName", "Рога и копыта")) +
        Person(3, "太郎", "山田", Item("CompanyName", "東京商事株式会社")) +
        Person(4, "Zoë 😀👍🏽", "Smith, \"Jr\" &amp; Co", Item("Location", "a|b|c")) +
        Person(5, "Values", "Zed", Item("CompanyName", "=1+1") + Item("JobTitle", "=") +
               Item("OfficePhoneNumber", "+49 30 1234") + Item("OfficeZip", "007") + Item("Birthday", "2024-01-31") +
               Item("Department", "TRUE") + Item("Manager", "-5") + Item("Assistant", "@home") +
               Item("Suffix", "00") + Item("Title", " 0") + Item("Comment", "line one\nline two&#13;\nline three") +
               Item("StreetAddress", std::string(300, 's') + "\xC3\xA9") + Item("Spouse", "_x0041_ stays") +
               Item("Children", "  spaced  ")) +
        Person(6, "0", "Lists", Item("Suffix", "0 ") + Item("Title", "<number>0</number>") + Item("Comment", "0") +
               Item("Categories", "<textlist><text>A</text><text>B</text></textlist>") +
               Item("Children", "<textlist><text/><text>B</text></textlist>") +
               Item("Zip", "<numberlist><number>12345</number><number>1</number></numberlist>") +
               Item("Anniversary", "<datetime>19700315</datetime>")) +
        Person(7, "Long", "Value", Item("Comment", e40000) + Item("JobTitle", std::string(255, 'j')) +
               Item("Department", std::string(32766, 'x') + "😀"))));
    // 255 characters are kept whole; beyond, a value is cut between characters (for a
    // workbook, between UTF-16 units that are not one character's pair).
    ExportAndReadBack("7 Contacts Saved Successfully" +
                      Paragraphs("\r\n\r\n3 values were longer than 255 characters and were shortened.\r\n\r\n10 "
                                 "values hold characters that an Excel 2.1 worksheet cannot store; they were written "
                                 "as \"?\". An .xlsx workbook keeps them.",
                                 "\r\n\r\n2 values were longer than 32,767 characters and were shortened.", 3));
}

// The temporary name beside the file is cut to fit the longest file name (a name of
// 251 bytes here); the file keeps its own.
TEST_P(FormatsTest, ALinkKeepsBeingALinkAndTheFileItNamesIsReplaced) {
    const std::string longName = std::string(251 - Ext().size(), 'n');
    const struct { const char* name; std::vector<std::pair<std::string, std::string>> links; std::string file; } cases[] = {
        {"to a file", {{"out/link", "../elsewhere/kept"}}, "elsewhere/kept"},
        {"through a link", {{"out/link", "second"}, {"out/second", "../elsewhere/kept"}}, "elsewhere/kept"},
        {"to nothing yet", {{"out/link", "../elsewhere/" + longName}}, "elsewhere/" + longName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "elsewhere/kept" + Ext(), "an earlier file\n");
        for (const auto& [link, target] : c.links) fs::create_symlink(target + Ext(), dir / link + Ext());
        ASSERT_EQ(Export(dir / "out/link" + Ext()).outcome, ExportOutcome::Completed);
        for (const auto& [link, target] : c.links) {
            EXPECT_EQ(fs::read_symlink(dir / link + Ext()), target + Ext());
            fs::remove(dir / link + Ext());
        }
        EXPECT_TRUE(IsComplete(ReadFile(dir / c.file + Ext())));
        fs::remove(dir / c.file + Ext());
    }
}

// The book is read before the first byte goes to a pipe: a book that is not one
// sends nothing; one that is sends the whole file.
TEST_P(FormatsTest, APipeGetsNothingUntilTheBookHasBeenRead) {
    const std::string pipe = dir / "out/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // the export's open does not block
    ASSERT_GE(reader, 0);
    const auto drain = [&] {
        std::string bytes(1 << 20, '\0');
        bytes.resize(std::max<ssize_t>(::read(reader, bytes.data(), bytes.size()), 0));
        return bytes;
    };
    WriteFile(dir / "groups.dxl", DxlBook(""));
    EXPECT_EQ(Export(pipe, dir / "groups.dxl").outcome, ExportOutcome::NotAddressBook);
    EXPECT_EQ(drain(), "");
    EXPECT_EQ(Export(pipe).outcome, ExportOutcome::Completed);
    EXPECT_TRUE(IsComplete(drain()));
    ::close(reader);
    EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatsTest,
                         ::testing::Values(ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

} // namespace
} // namespace tallowby::test
