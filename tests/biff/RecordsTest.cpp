// Byte-exact tests of every record the writer appends: cells, fonts, styles and
// sheet settings, and the range checks that must leave the file unchanged.
#include "BiffTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <cmath>
#include <limits>

namespace tallowby::testing {
namespace {

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("sheet.xls");
        ASSERT_EQ(xl_.CreateFile(path_), 0);
    }

    // Closes the file and returns what the calls appended between the fixed
    // start of the file and EOF.
    Bytes Records() {
        EXPECT_EQ(xl_.CloseFile(), 0);
        Bytes file = ReadBytes(path_);
        const Bytes start = ExpectedFileStart();
        if (file.size() < start.size() + kEof.size()) {
            ADD_FAILURE() << "file too short: " << file.size() << " bytes";
            return {};
        }
        EXPECT_TRUE(std::equal(start.begin(), start.end(), file.begin()));
        EXPECT_TRUE(std::equal(kEof.begin(), kEof.end(), file.end() - 4));
        return Bytes(file.begin() + static_cast<long>(start.size()), file.end() - 4);
    }

    TempDir dir_;
    std::string path_;
    ExcelFile xl_;
};

// --- Cells -----------------------------------------------------------------

TEST_F(RecordsTest, FirstHeaderCellOfTheExport) {
    EXPECT_EQ(xl_.WriteValue(2, 64, 1, 0, 1, 1, std::string("First Name"), 0), 0);
    EXPECT_EQ(Records(), Hex("04 00 12 00 00 00 00 00 00 40 01 0A") + Raw("First Name"));
}

TEST_F(RecordsTest, EmptyTextIsA12ByteLabel) {
    EXPECT_EQ(xl_.WriteValue(2, 0, 3, 192, 2, 5, std::string(), 7), 0);
    EXPECT_EQ(Records(), Hex("04 00 08 00 01 00 04 00 C0 07 03 00"));
}

TEST_F(RecordsTest, LabelOf255CharactersFitsAnd256IsRefused) {
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string(255, 'x'), 0), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 2, std::string(256, 'y'), 0), kStatusOutOfRange);
    // The limit counts characters: 255 two-byte characters fit, 256 do not.
    std::string e255, e256;
    for (int i = 0; i < 255; ++i) e255 += "\xC3\xA9";  // é
    e256 = e255 + "\xC3\xA9";
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 3, e255, 0), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 4, e256, 0), kStatusOutOfRange);
    EXPECT_EQ(Records(), Hex("04 00 07 01 00 00 00 00 00 00 00 FF") + Bytes(255, 'x') +
                             Hex("04 00 07 01 00 00 02 00 00 00 00 FF") + Bytes(255, 0xE9));
}

TEST_F(RecordsTest, RowAndColumnNumbersBecomeUnsignedIndexes) {
    const std::pair<int32_t, const char*> rows[] = {
        {1, "00 00"}, {300, "2B 01"}, {32768, "FF 7F"}, {32769, "00 80"}, {65536, "FF FF"}};
    Bytes expected;
    for (auto [row, hex] : rows) {
        EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, row, row, std::string(), 0), 0) << row;
        expected = expected + Hex("04 00 08 00") + Hex(hex) + Hex(hex) + Hex("00 00 00 00");
    }
    EXPECT_EQ(Records(), expected);
}

TEST_F(RecordsTest, RowOrColumnOutside1To65536IsRefusedForEveryType) {
    for (int32_t type : {0, 1, 2, 3, -1}) {
        for (int32_t bad : {0, -1, 65537, std::numeric_limits<int32_t>::min()}) {
            EXPECT_EQ(xl_.WriteValue(type, 0, 0, 0, bad, 1, 1.0, 0), kStatusOutOfRange);
            EXPECT_EQ(xl_.WriteValue(type, 0, 0, 0, 1, bad, 1.0, 0), kStatusOutOfRange);
        }
    }
    EXPECT_EQ(xl_.SetRowHeight(0, 10), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetRowHeight(65537, 10), kStatusOutOfRange);
    EXPECT_TRUE(Records().empty());
}

TEST_F(RecordsTest, OtherValueTypesWriteNothing) {
    EXPECT_EQ(xl_.WriteValue(3, 0, 0, 0, 1, 1, std::string("x"), 0), 0);
    EXPECT_EQ(xl_.WriteValue(-1, 999, 999, 999, 1, 1, std::string("x"), 0), 0);
    EXPECT_TRUE(Records().empty());
}

TEST_F(RecordsTest, AttributeBytes) {
    // Font 3 (192) plus format 63 fills byte 2; one more spills out of the byte.
    EXPECT_EQ(xl_.WriteValue(2, 192, 0, 0, 1, 1, std::string("a"), 63), 0);
    EXPECT_EQ(xl_.WriteValue(2, 192, 0, 0, 1, 1, std::string("a"), 64), kStatusOutOfRange);
    EXPECT_EQ(xl_.WriteValue(0, 0, 256, 0, 1, 1, 1.0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.WriteValue(1, 0, -1, 0, 1, 1, 1.0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.WriteValue(1, 0, 0, 256, 1, 1, 1.0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.WriteValue(1, -64, 0, 0, 1, 1, 1.0, 0), kStatusOutOfRange);
    // Attribute bytes are checked before an INTEGER's value is converted.
    EXPECT_EQ(xl_.WriteValue(0, 0, 0, 300, 1, 1, std::string("x"), 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.WriteValue(0, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusTypeMismatch);
    EXPECT_EQ(Records(), Hex("04 00 09 00 00 00 00 00 00 FF 00 01 61"));
}

TEST_F(RecordsTest, NumberCells) {
    EXPECT_EQ(xl_.WriteValue(1, 0, 0, 0, 1, 1, 1.5, 0), 0);
    EXPECT_EQ(xl_.WriteValue(1, 64, 2, 64, 3, 2, std::string(" -2.5e1 "), 2), 0);
    EXPECT_EQ(xl_.WriteValue(1, 0, 0, 0, 1, 1, std::string("+.5"), 0), 0);
    EXPECT_EQ(Records(), Hex("03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F") +
                             Hex("03 00 0F 00 02 00 01 00 40 42 02 00 00 00 00 00 00 39 C0") +
                             Hex("03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 E0 3F"));
}

TEST_F(RecordsTest, TextsThatAreNotNumbersAreRefused) {
    for (const char* text : {"", "  ", "abc", "1,5", "12abc", "inf", "nan", "0x10", "--1",
                             "1 2", "+-1"}) {
        EXPECT_EQ(xl_.WriteValue(1, 0, 0, 0, 1, 1, std::string(text), 0), kStatusTypeMismatch)
            << text;
        EXPECT_EQ(xl_.WriteValue(0, 0, 0, 0, 1, 1, std::string(text), 0), kStatusTypeMismatch)
            << text;
    }
    // A number beyond a double's range does not fit.
    EXPECT_EQ(xl_.WriteValue(1, 0, 0, 0, 1, 1, std::string("1e999"), 0), kStatusOutOfRange);
    EXPECT_TRUE(Records().empty());
}

TEST_F(RecordsTest, IntegerCellsRoundHalfToEven) {
    // Negative whole numbers go into NUMBER records: readers take INTEGER as unsigned.
    const std::pair<CellValue, const char*> cases[] = {
        {-1.0, "03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F0 BF"},
        {2.5, "02 00 09 00 00 00 00 00 00 00 00 02 00"},
        {3.5, "02 00 09 00 00 00 00 00 00 00 00 04 00"},
        {-2.5, "03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C0"},
        {2.4999, "02 00 09 00 00 00 00 00 00 00 00 02 00"},
        {-32768.5, "03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 E0 C0"},
        {32767.0, "02 00 09 00 00 00 00 00 00 00 00 FF 7F"},
        {std::string("12.5"), "02 00 09 00 00 00 00 00 00 00 00 0C 00"},
        {std::string(" 13 "), "02 00 09 00 00 00 00 00 00 00 00 0D 00"},
        {std::string("-7"), "03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 1C C0"},
    };
    Bytes expected;
    for (const auto& [value, hex] : cases) {
        EXPECT_EQ(xl_.WriteValue(0, 0, 0, 0, 1, 1, value, 0), 0) << hex;
        expected = expected + Hex(hex);
    }
    EXPECT_EQ(Records(), expected);
}

TEST_F(RecordsTest, IntegerOutside16BitsIsRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (CellValue v : {CellValue(40000.0), CellValue(32767.5), CellValue(-32769.0),
                        CellValue(nan), CellValue(inf), CellValue(std::string("40000"))}) {
        EXPECT_EQ(xl_.WriteValue(0, 0, 0, 0, 1, 1, v, 0), kStatusOutOfRange);
    }
    EXPECT_TRUE(Records().empty());
}

TEST_F(RecordsTest, NumbersGivenForTextCellsAreWrittenLikePercent15g) {
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, 1.5, 0), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, 1e20, 0), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, 0.1 + 0.2, 0), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, -42.0, 0), 0);
    const Bytes head = Hex("00 00 00 00 00 00 00");
    EXPECT_EQ(Records(), Hex("04 00 0B 00") + head + Hex("03") + Raw("1.5") +
                             Hex("04 00 0D 00") + head + Hex("05") + Raw("1e+20") +
                             Hex("04 00 0B 00") + head + Hex("03") + Raw("0.3") +
                             Hex("04 00 0B 00") + head + Hex("03") + Raw("-42"));
}

// --- Fonts and styles ---------------------------------------------------------

TEST_F(RecordsTest, FontsOfTheExport) {
    EXPECT_EQ(xl_.SetFont("Verdana", 10, 1), 0);
    EXPECT_EQ(xl_.SetFont("Courier", 14, 3), 0);
    EXPECT_EQ(xl_.SetFont("Verdana", 1638, 255), 0);
    EXPECT_EQ(xl_.SetFont("", -1638, 0), 0);
    EXPECT_EQ(Records(), Hex("31 00 0C 00 C8 00 01 00 07 56 65 72 64 61 6E 61") +
                             Hex("31 00 0C 00 18 01 03 00 07") + Raw("Courier") +
                             Hex("31 00 0C 00 F8 7F FF 00 07") + Raw("Verdana") +
                             Hex("31 00 05 00 08 80 00 00 00"));
}

TEST_F(RecordsTest, FontValuesOutsideTheirFieldsAreRefused) {
    EXPECT_EQ(xl_.SetFont("Verdana", 1639, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetFont("Verdana", -1639, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetFont("Verdana", 10, 256), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetFont("Verdana", 10, -1), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetFont(std::string(256, 'F'), 10, 0), kStatusOutOfRange);
    EXPECT_TRUE(Records().empty());
}

TEST_F(RecordsTest, CellStyles) {
    EXPECT_EQ(xl_.SetCellStyle(0, 0, 0, 0), 0);
    EXPECT_EQ(xl_.SetCellStyle(1, 0, 1, 0), 0);
    EXPECT_EQ(xl_.SetCellStyle(255, 63, 255, 192), 0);
    EXPECT_EQ(xl_.SetCellStyle(0, 64, 0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetCellStyle(256, 0, 0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetCellStyle(0, 0, 256, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetCellStyle(0, 0, 0, 256), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetCellStyle(0, -1, 0, 0), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetCellStyle(0, 1, 0, 255), kStatusOutOfRange);  // sum leaves the byte
    EXPECT_EQ(Records(), Hex("43 00 04 00 00 00 00 00") + Hex("43 00 04 00 01 00 00 01") +
                             Hex("43 00 04 00 FF 00 FF FF"));
}

// --- Sheet settings -----------------------------------------------------------

TEST_F(RecordsTest, HeaderAndFooter) {
    EXPECT_EQ(xl_.SetHeader("BIFF 2.1 API"), 0);
    EXPECT_EQ(xl_.SetHeader(""), 0);
    EXPECT_EQ(xl_.SetFooter("Page &P"), 0);
    EXPECT_EQ(xl_.SetFooter(std::string(255, 'f')), 0);
    EXPECT_EQ(xl_.SetHeader(std::string(256, 'h')), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetFooter(std::string(256, 'f')), kStatusOutOfRange);
    EXPECT_EQ(Records(), Hex("14 00 0D 00 0C") + Raw("BIFF 2.1 API") + Hex("14 00 01 00 00") +
                             Hex("15 00 08 00 07") + Raw("Page &P") + Hex("15 00 00 01 FF") +
                             Bytes(255, 'f'));
}

TEST_F(RecordsTest, ColumnWidths) {
    EXPECT_EQ(xl_.SetColumnWidth(1, 3, 20), 0);
    EXPECT_EQ(xl_.SetColumnWidth(255, 255, -128), 0);
    EXPECT_EQ(xl_.SetColumnWidth(0, 3, 20), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetColumnWidth(1, 0, 20), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetColumnWidth(1, 3, 128), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetColumnWidth(1, 3, -129), kStatusOutOfRange);
    EXPECT_EQ(Records(), Hex("24 00 04 00 00 02 00 14") + Hex("24 00 04 00 FE FE 00 80"));
}

TEST_F(RecordsTest, RowHeights) {
    EXPECT_EQ(xl_.SetDefaultRowHeight(12), 0);
    EXPECT_EQ(xl_.SetDefaultRowHeight(1639), kStatusOutOfRange);
    EXPECT_EQ(xl_.SetRowHeight(1, 15), 0);
    EXPECT_EQ(xl_.SetRowHeight(65536, 1638), 0);
    EXPECT_EQ(xl_.SetRowHeight(2, 1639), kStatusOutOfRange);
    EXPECT_EQ(Records(),
              Hex("25 00 02 00 F0 00") +
                  Hex("08 00 10 00 00 00 00 00 00 01 2C 01 00 00 00 00 00 00 00 00") +
                  Hex("08 00 10 00 FF FF 00 00 00 01 F8 7F 00 00 00 00 00 00 00 00"));
}

TEST_F(RecordsTest, MarginsTakeTheCallersIdentifier) {
    EXPECT_EQ(xl_.SetMargin(38, 0.5), 0);
    EXPECT_EQ(xl_.SetMargin(7, 0.5), 0);
    EXPECT_EQ(xl_.SetMargin(-1, -1.0), 0);
    EXPECT_EQ(xl_.SetMargin(32768, 0.5), kStatusOutOfRange);
    EXPECT_EQ(Records(), Hex("26 00 08 00 00 00 00 00 00 00 E0 3F") +
                             Hex("07 00 08 00 00 00 00 00 00 00 E0 3F") +
                             Hex("FF FF 08 00 00 00 00 00 00 00 F0 BF"));
}

TEST_F(RecordsTest, GridLinesAndProtection) {
    xl_.PrintGridLines(true);
    xl_.PrintGridLines(false);
    xl_.ProtectSpreadsheet(true);
    xl_.ProtectSpreadsheet(false);
    EXPECT_EQ(Records(), Hex("2B 00 02 00 01 00 2B 00 02 00 00 00") +
                             Hex("12 00 02 00 01 00 12 00 02 00 00 00"));
}

TEST_F(RecordsTest, PasswordIsStoredAsGiven) {
    EXPECT_EQ(xl_.SetFilePassword(""), 0);
    EXPECT_EQ(xl_.SetFilePassword("abc"), 0);
    EXPECT_EQ(xl_.SetFilePassword(std::string(32767, 'p')), 0);
    EXPECT_EQ(xl_.SetFilePassword(std::string(32768, 'p')), kStatusOutOfRange);
    EXPECT_EQ(Records(), Hex("2F 00 00 00") + Hex("2F 00 03 00 61 62 63") +
                             Hex("2F 00 FF 7F") + Bytes(32767, 'p'));
}

TEST(Mki, GivesTheLowByteThenTheHighByte) {
    EXPECT_EQ(ExcelFile::MKI(258), std::string("\x02\x01", 2));
    EXPECT_EQ(ExcelFile::MKI(-1), std::string("\xFF\xFF", 2));
    EXPECT_EQ(ExcelFile::MKI(0), std::string("\0\0", 2));
}

}  // namespace
}  // namespace tallowby::testing
