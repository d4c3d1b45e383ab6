// The three formats: how they are told from names, what a workbook cell can hold,
// the sample book and a book in many scripts read back by independent readers, and
// full or read-only folders.
#include "ExportTestSupport.h"

#include "addressbook/Notes.h"
#include "export/ExportMessages.h"
#include "export/XlsxText.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace tallowby::test {
namespace {

using namespace std::string_literals;

TEST(ExportFormat, IsToldFromItsNameAndFromAnExtensionInAnyCase) {
    const struct { const char* text; std::optional<ExportFormat> byName, byExtension; } cases[] = {
        {"xls", ExportFormat::Xls, std::nullopt},      {"XLSX", ExportFormat::Xlsx, std::nullopt},
        {"Csv", ExportFormat::Csv, std::nullopt},      {"ods", std::nullopt, std::nullopt},
        {"out.xls", std::nullopt, ExportFormat::Xls},  {"/a/B.XLSX", std::nullopt, ExportFormat::Xlsx},
        {"dir.csv/x.Csv", std::nullopt, ExportFormat::Csv}, {"dir.csv/x", std::nullopt, std::nullopt},
        {"x.xlsx.txt", std::nullopt, std::nullopt},    {".csv", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFromName(c.text), c.byName) << c.text;
        EXPECT_EQ(FormatFromExtension(c.text), c.byExtension) << c.text;
    }
    for (const ExportFormat format : kExportFormats) {
        EXPECT_EQ(FormatFromName(FormatName(format)), format);
        EXPECT_EQ(FormatFromExtension(OutputPathFor("Mail/Names.NSF", format)), format);
    }
    EXPECT_EQ(OutputPathFor("Mail/Names.NSF", ExportFormat::Xlsx), "Mail/names.xlsx");
    EXPECT_EQ(OutputPathFor("names", ExportFormat::Csv), "names.csv");
}

TEST(CompletionMessage, SaysWhatEachFormatDidToTheContacts) {
    const auto result = [](int32_t written, int32_t shortened, int32_t dropped, int32_t lossy, int32_t leftOut) {
        ExportResult r;
        std::tie(r.contactsWritten, r.valuesShortened, r.valuesWithDroppedCharacters, r.valuesWithLostCharacters,
                 r.contactsLeftOut) = std::tuple{written, shortened, dropped, lossy, leftOut};
        return r;
    };
    const std::string rows16k = "\r\n\r\nSome programs (Gnumeric, Python's xlrd, Excel before 97) read only the first "
                                "16,384 rows of a worksheet like this one: the header and 16,383 contacts. An .xlsx "
                                "workbook keeps every row readable.";
    const struct { ExportFormat format; ExportResult result; std::string text; } cases[] = {
        {ExportFormat::Xls, result(16383, 0, 0, 0, 0), "16383 Contacts Saved Successfully"},
        {ExportFormat::Xls, result(16384, 0, 0, 0, 0), "16384 Contacts Saved Successfully" + rows16k},
        {ExportFormat::Xls, result(2, 1, 0, 1, 0), "2 Contacts Saved Successfully\r\n\r\n1 value was longer than 255 "
         "characters and was shortened.\r\n\r\n1 value holds characters that an Excel 2.1 worksheet cannot store; "
         "they were written as \"?\". An .xlsx workbook keeps them."},
        {ExportFormat::Xlsx, result(1048575, 0, 0, 3, 2), "1048575 Contacts Saved Successfully\r\n\r\n2 contacts were "
         "left out: a workbook sheet holds at most 1,048,575 contacts. Export as CSV, or split the address book, to "
         "keep the rest."},
        {ExportFormat::Xlsx, result(1, 1, 1, 0, 0), "1 Contacts Saved Successfully\r\n\r\n1 value was shortened: "
         "longer than 32,767 characters, or holding control characters that a workbook cannot store."},
        {ExportFormat::Csv, result(70000, 5, 5, 5, 5), "70000 Contacts Saved Successfully"},
    };
    for (const auto& c : cases) EXPECT_EQ(CompletionMessage(c.result, c.format), c.text);
}

// 32,767 UTF-16 units: "é" counts once, an emoji twice and is never split.
TEST(XlsxCellText, KeepsWhatAWorkbookCanHoldAndCountsTheRest) {
    const std::string e = "\xC3\xA9", emoji = "\xF0\x9F\x98\x80";
    std::string e32767, e40000;
    for (int i = 0; i < 32767; ++i) e32767 += e;
    e40000 = e32767;
    for (int i = 32767; i < 40000; ++i) e40000 += e;
    const struct { std::string in, out; bool shortened, dropped, wraps; std::size_t widest; } cases[] = {
        {"plain", "plain", false, false, false, 5},
        {"tab\there", "tab\there", false, false, false, 8},
        {"one\ntwo\r\nthree\rfour", "one\ntwo\nthree\nfour", false, false, true, 5},
        {"a\x01" "b\x1F\x7F", "ab\x7F", false, true, false, 3},
        {"x\xEF\xBF\xBEy\xEF\xBF\xBF", "xy", false, true, false, 2},
        {"bad\xC3(", "bad\xEF\xBF\xBD(", false, true, false, 5},
        {e40000, e32767, true, false, false, 32767},
        {std::string(32766, 'x') + emoji, std::string(32766, 'x'), true, false, false, 32766},
        {std::string(32765, 'x') + emoji, std::string(32765, 'x') + emoji, false, false, false, 32766},
    };
    for (const auto& c : cases) {
        std::string scratch;
        XlsxCell cell;
        const std::string& out = PrepareXlsxText(c.in, scratch, cell);
        EXPECT_EQ(out, c.out) << c.in.substr(0, 40);
        EXPECT_EQ((std::tuple{cell.shortened, cell.dropped, cell.wraps, cell.widest}),
                  (std::tuple{c.shortened, c.dropped, c.wraps, c.widest})) << c.in.substr(0, 40);
    }
}

// ------------------------------------------------------------- a book in many scripts

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '\r' ? "&#13;" : std::string(1, c);
    return out;
}

using Items = std::map<std::string, std::string>;  // item -> value

// Names in Greek, Cyrillic, Japanese and with emoji, values that look like formulas,
// numbers, dates and booleans, separators, quotes, line breaks, long values.
std::vector<Items> ManyScripts() {
    std::string e40000;
    for (int i = 0; i < 40000; ++i) e40000 += "\xC3\xA9";
    return {
        {{"FirstName", "Αλέξανδρος"}, {"LastName", "Παπαδόπουλος"}, {"City", "Αθήνα"}},
        {{"FirstName", "Фёдор"}, {"LastName", "Достоевский"}, {"CompanyName", "Рога и копыта"}},
        {{"FirstName", "太郎"}, {"LastName", "山田"}, {"CompanyName", "東京商事株式会社"}},
        {{"FirstName", "Zoë 😀👍🏽"}, {"LastName", "Smith, \"Jr\" & Co"}, {"Location", "a|b|c"}},
        {{"FirstName", "Values"}, {"LastName", "Zed"}, {"CompanyName", "=1+1"}, {"JobTitle", "="},
         {"OfficePhoneNumber", "+49 30 1234"}, {"OfficeZip", "007"}, {"Birthday", "2024-01-31"},
         {"Department", "TRUE"}, {"Manager", "-5"}, {"Assistant", "@home"},
         {"Comment", "line one\nline two\r\nline three"}, {"StreetAddress", std::string(300, 's') + "\xC3\xA9"},
         {"Spouse", "_x0041_ stays"}, {"Children", "  spaced  "}},
        {{"FirstName", "Long"}, {"LastName", "Value"}, {"Comment", e40000}},
    };
}

class FormatsTest : public ::testing::TestWithParam<ExportFormat> {
protected:
    // Exports the book at `database` in the test's format and has read_formats.py read
    // the file back. The cells are worked out here through the Notes layer (the first
    // value as text; Suffix and Title without a lone "0"); what the format keeps of
    // them, the script works out itself.
    void ExportAndReadBack(const std::string& expectedMessage) {
        std::string expected;
        for (const char* header : kHeaderTexts) expected += header + "\x1f"s;
        const auto book = CreateObject(kDominoProgID)->GetDatabase("", database);
        const auto navigator = book->GetView("$People")->CreateViewNav();
        for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
            expected.back() = '\x1e';
            for (int c = 0; c < 39; ++c) {
                const std::string text = ValueToText(entry->Document()->GetItemValue(kItemNames[c]).front());
                expected += ((c == 4 || c == 5) && text == "0" ? "" : text) + "\x1f";
            }
        }
        expected.pop_back();
        WriteFile(dir / "expected.txt", expected);
        const ExportResult result = window.Export(database, {}, GetParam());
        ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
        EXPECT_EQ(result.message, expectedMessage);
        const std::string file = OutputPathFor(database, GetParam());
        EXPECT_EQ(window.state.ExportFilePath, file);
        const ChildRun run = RunProgram({"/usr/bin/python3", TALLOWBY_READ_FORMATS_PY, std::string(FormatName(GetParam())),
                                         file, dir / "expected.txt", dir.path(), book->Title()}, dir.path());
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find(" rows agree\n"), std::string::npos) << run.out;
        for (const auto& [name, kind] : TakeSnapshot(dir.path())) EXPECT_NE(name[0], '.') << "left behind: " << name;
    }
    std::string Paragraphs(const std::string& xls, const std::string& xlsx) const {
        return GetParam() == ExportFormat::Xls ? xls : GetParam() == ExportFormat::Xlsx ? xlsx : "";
    }

    TempDir dir;
    const std::string database = dir / "names.dxl";
    RecordingWindow window;
};

TEST_P(FormatsTest, TheSampleBookReadsBackCellForCell) {
    fs::copy_file(fs::path(TALLOWBY_EXAMPLES_DIR) / "names.dxl", database);
    ExportAndReadBack("215 Contacts Saved Successfully" +
                      Paragraphs("\r\n\r\n3 values were longer than 255 characters and were shortened.\r\n\r\n35 "
                                 "values hold characters that an Excel 2.1 worksheet cannot store; they were written "
                                 "as \"?\". An .xlsx workbook keeps them.", ""));
}

TEST_P(FormatsTest, ABookInManyScriptsReadsBackWholeInEveryReader) {
    const std::vector<Items> persons = ManyScripts();
    std::string documents;
    for (std::size_t n = 0; n < persons.size(); ++n) {
        std::string more;
        for (const auto& [item, value] : persons[n])
            if (item != "FirstName" && item != "LastName")
                more += "<item name='" + item + "'><text>" + Escaped(value) + "</text></item>";
        documents += Person(int(n + 1), Escaped(persons[n].at("FirstName")), Escaped(persons[n].at("LastName")), more);
    }
    WriteFile(database, DxlBook(documents));
    ExportAndReadBack("6 Contacts Saved Successfully" +
                      Paragraphs("\r\n\r\n2 values were longer than 255 characters and were shortened.\r\n\r\n10 "
                                 "values hold characters that an Excel 2.1 worksheet cannot store; they were written "
                                 "as \"?\". An .xlsx workbook keeps them.",
                                 "\r\n\r\n1 value was longer than 32,767 characters and was shortened."));
}

// A folder that refuses the file: the message names it and the reason; nothing is
// left, and an earlier file of that name is as it was.
// The bad-input matrix has these for the worksheet.
using FailuresTest = FormatsTest;

TEST_P(FailuresTest, AFullDiskOrAReadOnlyFolderLeavesEverythingAsItWas) {
    const std::string folder = dir / "disk", earlier = "an earlier file\n";
    const struct { const char* name; std::function<std::string()> setup; const char* reason; } cases[] = {
        {"read-only", [&] { return dir.MountReadOnly(folder); }, "the disk is read-only"},
        {"full disk", [&] {
             std::string why = dir.MountSmallDisk(folder, "2m");
             if (!why.empty()) return why;
             WriteFile(folder + "/names.dxl", DxlBook(Persons(300, "<item name='Comment'><text>" +
                                                            std::string(300, 'c') + "</text></item>")));
             WriteFile(OutputPathFor(folder + "/names.dxl", GetParam()), earlier);
             struct statvfs disk {};
             if (::statvfs(folder.c_str(), &disk) != 0) return "statvfs failed"s;
             WriteFile(folder + "/filler", std::string(disk.f_bavail * disk.f_frsize - 16 * 1024, 'f'));
             return ""s;
         }, "the disk is full"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(folder);
        WriteFile(folder + "/names.dxl", DxlBook(Persons(300)));
        WriteFile(OutputPathFor(folder + "/names.dxl", GetParam()), earlier);
        if (const std::string why = c.setup(); !why.empty()) GTEST_SKIP() << why;
        const Snapshot before = TakeSnapshot(folder);
        const ExportResult result = window.Export(folder + "/names.dxl", {}, GetParam());
        EXPECT_EQ(result.outcome, ExportOutcome::FileError);
        EXPECT_EQ(result.message, "The " + std::string(FormatNoun(GetParam())) + " could not be saved:\r\n" +
                                      OutputPathFor(folder + "/names.dxl", GetParam()) + "\r\n\r\nReason: " +
                                      c.reason + ".\r\n\r\nNothing was written; an earlier file of that name is "
                                      "unchanged. Check the folder and the free disk space, then try again.");
        EXPECT_EQ(TakeSnapshot(folder), before);
        ::umount2(folder.c_str(), MNT_DETACH);
        fs::remove_all(folder);
    }
}

const auto kFormatName = [](const auto& info) { return std::string(FormatName(info.param)); };
INSTANTIATE_TEST_SUITE_P(Formats, FormatsTest, ::testing::ValuesIn(kExportFormats), kFormatName);
INSTANTIATE_TEST_SUITE_P(Formats, FailuresTest, ::testing::Values(ExportFormat::Xlsx, ExportFormat::Csv), kFormatName);

} // namespace
} // namespace tallowby::test
