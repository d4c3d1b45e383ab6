// The Excel 2.1 worksheet writer: every record it appends compared byte for byte,
// the range checks that must leave the file unchanged, the Windows-1252 conversion of
// texts, the file's frame and lifecycle (page breaks, EOF, the states no file / open /
// closed), and python3-xlrd reading a worksheet back (read_back.py prints what xlrd
// makes of it). The file-system failures are the bad-input matrix's, through the
// export; files far larger than the output buffer are the export read-backs'.
#include "ExportTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace tallowby::test {
namespace {

// A writer and a private temporary folder per test.
class BiffTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_ / name; }
    std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }
    // Closes the writer and returns the file it wrote.
    std::string Closed(const std::string& name = "sheet.xls") {
        EXPECT_EQ(xl_.CloseFile(), 0);
        return Read(name);
    }

    TempDir dir_;
    ExcelFile xl_;  // closed before the folder goes
};

class RecordsTest : public BiffTest {
    void SetUp() override { ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0); }
};
using LifecycleTest = BiffTest;
using Interop = BiffTest;

// Rows and columns above 32768 are stored as unsigned indexes; a number given for a
// text cell is written as printf's %.15g writes it; the length limit counts converted
// characters: 255 fit, 256 do not.
TEST_F(RecordsTest, LabelCells) {
    std::string e255;
    for (int i = 0; i < 255; ++i) e255 += "é";
    const std::vector<int> statuses = {
        xl_.WriteValue(2, 64, 1, 0, 1, 1, std::string("First Name"), 0),
        xl_.WriteValue(2, 0, 3, 192, 2, 5, std::string(), 7), xl_.WriteValue(2, 0, 0, 0, 65536, 32769, std::string("z")),
        xl_.WriteValue(2, 0, 0, 0, 1, 1, 1e20, 0), xl_.WriteValue(2, 0, 0, 0, 1, 1, 0.1 + 0.2, 0),
        xl_.WriteValue(2, 0, 0, 0, 1, 2, e255, 0), xl_.WriteValue(2, 0, 0, 0, 1, 2, e255 + "é", 0)};
    EXPECT_EQ(statuses, (std::vector<int>{0, 0, 0, 0, 0, 0, kStatusOutOfRange}));
    EXPECT_EQ(Closed(), Sheet(Hex("04 00 12 00 00 00 00 00 00 40 01 0A 'First Name'") +
                              Hex("04 00 08 00 01 00 04 00 C0 07 03 00") +
                              Hex("04 00 09 00 FF FF 00 80 00 00 00 01 'z'") +
                              Hex("04 00 0D 00 00 00 00 00 00 00 00 05 '1e+20'") +
                              Hex("04 00 0B 00 00 00 00 00 00 00 00 03 '0.3'") +
                              Hex("04 00 07 01 00 00 01 00 00 00 00 FF") + std::string(255, '\xE9')));
}

// NUMBER takes a double or a decimal text. INTEGER rounds half to even; readers take
// INTEGER as unsigned, so a negative whole number goes into a NUMBER record.
TEST_F(RecordsTest, NumberAndIntegerCells) {
    const std::string number = "03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ";
    const std::string integer = "02 00 09 00 00 00 00 00 00 00 00 ";
    const std::tuple<int32_t, CellValue, std::string> cases[] = {
        {1, 1.5, number + "F8 3F"},        {1, std::string(" -2.5e1 "), number + "39 C0"},
        {0, 2.5, integer + "02 00"},       {0, 3.5, integer + "04 00"},
        {0, std::string(" 32767 "), integer + "FF 7F"},
        {0, -1.0, number + "F0 BF"},       {0, -32768.5, number + "E0 C0"},
        {0, std::string("-7"), number + "1C C0"}};
    std::string expected;
    for (const auto& [type, value, hex] : cases) {
        EXPECT_EQ(xl_.WriteValue(type, 0, 0, 0, 1, 1, value, 0), 0) << hex;
        expected += Hex(hex);
    }
    EXPECT_EQ(xl_.WriteValue(1, 64, 2, 64, 3, 2, 1.5, 2), 0);  // every attribute byte
    EXPECT_EQ(Closed(), Sheet(expected + Hex("03 00 0F 00 02 00 01 00 40 42 02 00 00 00 00 00 00 F8 3F")));
}

// SetMargin writes the caller's identifier as given, -1 too.
TEST_F(RecordsTest, FontsStylesAndSheetSettings) {
    std::vector<int> statuses = {
        xl_.SetFont("Verdana", 10, 1), xl_.SetFont("Zoë", 1638, 255), xl_.SetFont("", -1638, 0),
        xl_.SetCellStyle(1, 0, 1, 0), xl_.SetCellStyle(255, 63, 255, 192), xl_.SetHeader("€ 日本"),
        xl_.SetFooter(""), xl_.SetColumnWidth(1, 3, 20), xl_.SetColumnWidth(255, 255, -128),
        xl_.SetDefaultRowHeight(12), xl_.SetRowHeight(65536, 1638), xl_.SetMargin(38, 0.5), xl_.SetMargin(-1, -1.0)};
    xl_.PrintGridLines(false);
    xl_.ProtectSpreadsheet(true);
    statuses.insert(statuses.end(), {xl_.SetFilePassword("pässwörd"), xl_.SetFilePassword(std::string(32767, 'p'))});
    EXPECT_EQ(statuses, std::vector<int>(15, 0));
    EXPECT_EQ(Closed(),
              Sheet(Hex("31 00 0C 00 C8 00 01 00 07 'Verdana'") +
                    Hex("31 00 08 00 F8 7F FF 00 03 'Zo' EB 31 00 05 00 08 80 00 00 00") +
                    Hex("43 00 04 00 01 00 00 01 43 00 04 00 FF 00 FF FF") +
                    Hex("14 00 05 00 04 80 20 3F 3F 15 00 01 00 00") +
                    Hex("24 00 04 00 00 02 00 14 24 00 04 00 FE FE 00 80 25 00 02 00 F0 00") +
                    Hex("08 00 10 00 FF FF 00 00 00 01 F8 7F 00 00 00 00 00 00 00 00") +
                    Hex("26 00 08 00 00 00 00 00 00 00 E0 3F FF FF 08 00 00 00 00 00 00 00 F0 BF") +
                    Hex("2B 00 02 00 00 00 12 00 02 00 01 00") +
                    Hex("2F 00 08 00 'p' E4 'ssw' F6 'rd' 2F 00 FF 7F") + std::string(32767, 'p')));
}

// Every value is checked before anything is written: a failing call appends nothing.
TEST_F(RecordsTest, ValuesOutsideTheirFieldsWriteNothing) {
    std::vector<int> refused;  // the statuses of calls that must fail with 6
    for (int32_t bad : {0, -1, 65537, INT32_MIN})
        refused.insert(refused.end(), {xl_.WriteValue(2, 0, 0, 0, bad, 1, std::string("x"), 0),
                                       xl_.WriteValue(0, 0, 0, 0, 1, bad, 1.0, 0),
                                       xl_.SetRowHeight(bad, 10), xl_.InsertHorizPageBreak(bad)});
    for (CellValue v : {CellValue(32767.5), CellValue(-32769.0), CellValue(INFINITY),
                        CellValue(std::nan("")), CellValue(std::string("40000"))})
        refused.push_back(xl_.WriteValue(0, 0, 0, 0, 1, 1, v, 0));
    refused.insert(refused.end(), {
        xl_.WriteValue(1, 0, 0, 0, 1, 1, std::string("1e999"), 0),
        // Font 3 (192) plus format 64 leaves the attribute byte; attribute bytes are
        // checked before the value is converted.
        xl_.WriteValue(2, 192, 0, 0, 1, 1, std::string("a"), 64),
        xl_.WriteValue(1, -64, 0, 0, 1, 1, 1.0, 0), xl_.WriteValue(1, 0, 256, 0, 1, 1, 1.0, 0),
        xl_.WriteValue(0, 0, 0, 256, 1, 1, std::string("x"), 0),
        xl_.SetHeader(std::string(256, 'h')), xl_.SetFooter(std::string(256, 'f')),
        xl_.SetFilePassword(std::string(32768, 'p')), xl_.SetFont(std::string(256, 'F'), 10, 0),
        xl_.SetFont("Verdana", 1639, 0), xl_.SetFont("Verdana", -1639, 0),
        xl_.SetFont("Verdana", 10, 256), xl_.SetCellStyle(256, 0, 0, 0),
        xl_.SetCellStyle(0, 64, 0, 0), xl_.SetCellStyle(0, 1, 0, 255),  // the sum leaves the byte
        xl_.SetColumnWidth(0, 3, 20), xl_.SetColumnWidth(1, 3, 128), xl_.SetColumnWidth(1, 3, -129),
        xl_.SetDefaultRowHeight(1639), xl_.SetRowHeight(2, 1639), xl_.SetMargin(32768, 0.5)});
    EXPECT_EQ(refused, std::vector<int>(refused.size(), kStatusOutOfRange));
    for (const char* text : {"", " ", "abc", "1,5", "12abc", "inf", "nan", "0x10", "--1", "1 2"})
        for (const int32_t type : {0, 1})
            EXPECT_EQ(xl_.WriteValue(type, 0, 0, 0, 1, 1, std::string(text)), kStatusTypeMismatch) << text;
    EXPECT_EQ(xl_.WriteValue(3, 0, 0, 0, 1, 1, std::string("x"), 0), 0);  // other types: nothing
    EXPECT_EQ(Closed(), Sheet(""));
}

TEST(Windows1252, EachCharacterBecomesOneByte) {
    const std::pair<const char*, const char*> cases[] = {
        {"Zoë Müller, ß", "'Zo' EB ' M' FC 'ller, ' DF"},
        {"\u00A0ÿ€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ",
         "A0 FF 80 82 83 84 85 86 87 88 89 8A 8B 8C 8E 91 92 93 94 95 96 97 98 99 9A 9B 9C 9E 9F"},
        {"\u0081\u009F日本 Ł😀\U0010FFFF", "3F 3F 3F 3F 20 3F 3F 3F"},  // no Windows-1252 code
        // Each byte of invalid UTF-8: stray, cut short, overlong, a UTF-16 surrogate,
        // a code above U+10FFFF.
        {"a\x80" "b\xFF\xFE\xE2\x82" "x\xC3", "'a?b' 3F 3F 3F 3F 'x?'"},
        {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "3F 3F 3F 3F 3F 3F 3F 3F 3F"}};
    for (auto [utf8, hex] : cases) EXPECT_EQ(ExcelFile::ToWindows1252(utf8), Hex(hex)) << utf8;
    for (size_t at = 0; at < 17; ++at)  // ASCII is copied eight bytes at a time
        EXPECT_EQ(ExcelFile::ToWindows1252(std::string(17, 'k').replace(at, 1, "\xFF")),
                  std::string(17, 'k').replace(at, 1, "?")) << at;
}

TEST_F(LifecycleTest, PageBreaksAreSortedWithDuplicatesKeptJustBeforeEof) {
    EXPECT_EQ(xl_.InsertHorizPageBreak(5), 0);  // CreateFile empties the list
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    for (int32_t r : {10, 65536, 3, 10, 32769, 32768}) EXPECT_EQ(xl_.InsertHorizPageBreak(r), 0);
    ASSERT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("a"), 0), 0);
    // Indexes above row 32768 sort as unsigned numbers.
    EXPECT_EQ(Closed(), Sheet(Hex("04 00 09 00 00 00 00 00 00 00 00 01 'a'") +
                              Hex("1B 00 0E 00 06 00 02 00 09 00 09 00 FF 7F 00 80 FF FF")));
}

TEST_F(LifecycleTest, PageBreakListStopsWhereItsLengthFieldEnds) {
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    for (int32_t row = 16382; row >= 1; --row) ASSERT_EQ(xl_.InsertHorizPageBreak(row), 0);
    EXPECT_EQ(xl_.InsertHorizPageBreak(1), kStatusOutOfRange);
    std::string breaks = Hex("1B 00 FE 7F FE 3F");  // length 32766, 16382 indexes
    for (int k = 0; k < 16382; ++k) breaks += {char(k), char(k >> 8)};
    EXPECT_TRUE(Closed() == Sheet(breaks));
}

// Closing before any file is no failure; closing twice, and every record without an
// open file, fail with 52; a value that does not fit is reported as such even then.
TEST_F(LifecycleTest, CloseBeforeCreateCloseTwiceAndWriteAfterClose) {
    EXPECT_EQ(xl_.CloseFile(), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    EXPECT_EQ(Closed(), Sheet(""));
    const std::vector<int> refused = {
        xl_.CloseFile(), xl_.WriteValue(0, 0, 0, 0, 1, 1, 1.0), xl_.SetFont("Verdana", 10, 0),
        xl_.WriteValue(1, 0, 0, 0, 1, 1, 1.0), xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("x")),
        xl_.SetCellStyle(0, 0, 0, 0), xl_.SetHeader("h"), xl_.SetFooter("f"), xl_.SetFilePassword("p"),
        xl_.SetMargin(38, 1.0), xl_.SetColumnWidth(1, 1, 10), xl_.SetDefaultRowHeight(10), xl_.SetRowHeight(1, 10),
        xl_.WriteDefaultFormats()};
    EXPECT_EQ(refused, std::vector<int>(refused.size(), kStatusNoFile));
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 0, 1, std::string("x"), 0), kStatusOutOfRange);
    xl_.PrintGridLines(true);
    xl_.ProtectSpreadsheet(true);
    EXPECT_EQ(Read("sheet.xls"), Sheet(""));
}

TEST_F(Interop, XlrdReadsValuesCodePageAndBoldHeader) {
    // Fonts 0 and 1 plain and bold, style 0 regular, style 1 bold and left-aligned.
    const std::vector<int> statuses = {
        xl_.CreateFile(File("sheet.xls")), xl_.SetFont("Verdana", 10, 0), xl_.SetFont("Verdana", 10, 1),
        xl_.SetFont("Verdana", 10, 5), xl_.SetFont("Courier", 14, 3), xl_.SetCellStyle(0, 0, 0, 0),
        xl_.SetCellStyle(1, 0, 1, 0), xl_.SetHeader("BIFF 2.1 API")};
    ASSERT_EQ(statuses, std::vector<int>(8, 0));
    const CellValue rows[4][4] = {
        {std::string("Name"), std::string("Count"), std::string("Amount"), std::string("Note")},
        {std::string("Zoë Müller"), 42.0, 1234.5, std::string("€5")},
        {std::string("“Quoted” naïve café"), std::string("-7"), -0.25, std::string("日本 ?")},
        {std::string("Łukasz"), 2.5, std::string("3.25"), std::string()}};
    // Row 1 is the bold header (font 1, style 1); columns 2 and 3 are INTEGER and NUMBER.
    for (int32_t i = 0; i < 16; ++i) {
        const int32_t r = i / 4, c = i % 4, type = r == 0 || c % 3 == 0 ? 2 : c - 1;
        EXPECT_EQ(xl_.WriteValue(type, r ? 0 : 64, 1, r ? 0 : 1, r + 1, c + 1, rows[r][c], 0), 0);
    }
    EXPECT_EQ(xl_.CloseFile(), 0);
    const ChildRun run =
        RunProgram({"/usr/bin/python3", BIFF_TEST_SOURCE_DIR "/read_back.py", File("sheet.xls")}, dir_.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "1252 21 2\n"
              "Verdana 200 0 0 0\nVerdana 200 1 0 0\nVerdana 200 1 0 1\nCourier 280 1 1 0\n"
              "'Name' 1 xf1 bold | 'Count' 1 xf1 bold | 'Amount' 1 xf1 bold | 'Note' 1 xf1 bold\n"
              "'Zoë Müller' 1 xf0 | 42.0 2 xf0 | 1234.5 2 xf0 | '€5' 1 xf0\n"
              "'“Quoted” naïve café' 1 xf0 | -7.0 2 xf0 | -0.25 2 xf0 | '?? ?' 1 xf0\n"
              "'?ukasz' 1 xf0 | 2.0 2 xf0 | 3.25 2 xf0 | '' 1 xf0\n");
}

} // namespace
} // namespace tallowby::test
