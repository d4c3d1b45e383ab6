// The .xlsx workbook and the CSV file: how formats are told from names, what a
// workbook cell can hold, a book in many scripts read back by independent readers,
// the command line's format rules, and full or read-only folders.
#include "ExportTestSupport.h"

#include "addressbook/Notes.h"
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
    TempDir dir;
    const std::string database = dir / "names.dxl";
    RecordingWindow window;
};

// The cells each reader must show: the header row, then each person's values in the
// view's order (found through the Notes layer), in RS/US-separated UTF-8.
std::string ExpectedCells(const std::string& database, const std::vector<Items>& persons, ExportFormat format) {
    std::string expected;
    for (const char* header : kHeaderTexts) expected += header + "\x1f"s;
    const auto navigator = CreateObject(kDominoProgID)->GetDatabase("", database)->GetView("$People")->CreateViewNav();
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
        const std::string first = ValueToText(entry->Document()->GetItemValue("FirstName").front());
        const Items& items = *std::find_if(persons.begin(), persons.end(),
                                           [&](const Items& p) { return p.at("FirstName") == first; });
        expected.back() = '\x1e';
        for (const char* item : kItemNames) {
            std::string value = items.count(item) ? items.at(item) : "";
            if (format == ExportFormat::Xlsx) {  // a cell's line break is LF; 32,767 characters at most
                for (std::size_t at; (at = value.find("\r\n")) != std::string::npos;) value.erase(at, 1);
                if (value.size() == 80000) value.resize(2 * 32767);
            }
            expected += value + "\x1f";
        }
    }
    expected.pop_back();
    return expected;
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
    WriteFile(dir / "expected.txt", ExpectedCells(database, persons, GetParam()));

    const ExportResult result = window.Export(database, {}, GetParam());
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    EXPECT_EQ(result.message, GetParam() == ExportFormat::Csv ? "6 Contacts Saved Successfully"
              : "6 Contacts Saved Successfully\r\n\r\n1 value was longer than 32,767 characters and was shortened.");
    const std::string file = OutputPathFor(database, GetParam());
    EXPECT_EQ(window.state.ExportFilePath, file);
    const ChildRun run = RunProgram({"/usr/bin/python3", TALLOWBY_READ_FORMATS_PY, std::string(FormatName(GetParam())),
                                     file, dir / "expected.txt", dir.path(), "Test Directory"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "7 rows agree\n");
    for (const auto& [name, kind] : TakeSnapshot(dir.path())) EXPECT_NE(name[0], '.') << "a temporary file is left";
}

// A folder that refuses the file: the message names it and the reason; nothing is
// left, and an earlier file of that name is as it was.
TEST_P(FormatsTest, AFullDiskOrAReadOnlyFolderLeavesEverythingAsItWas) {
    const std::string folder = dir / "disk", earlier = "an earlier file\n";
    const struct { const char* name; std::function<std::string()> setup; const char* reason; } cases[] = {
        {"read-only", [&] { return dir.MountReadOnly(folder); }, "permission was denied"},
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

INSTANTIATE_TEST_SUITE_P(Formats, FormatsTest, ::testing::Values(ExportFormat::Xlsx, ExportFormat::Csv),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

} // namespace
} // namespace tallowby::test
