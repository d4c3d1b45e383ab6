// The file's frame and lifecycle: the fixed start, page breaks, EOF, and the
// states no file / open / closed, including the buffered output.
#include "BiffTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <unistd.h>

namespace tallowby::testing {
namespace {

namespace fs = std::filesystem;

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()); }
    TempDir dir_;
};

Bytes Label(uint16_t row, uint16_t col, std::string_view text) {
    auto lo = [](uint16_t v) { return static_cast<uint8_t>(v & 0xFF); };
    auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
    const auto length = static_cast<uint16_t>(8 + text.size());
    return Bytes{0x04, 0x00, lo(length), hi(length), lo(row), hi(row), lo(col), hi(col),
                 0x00, 0x00, 0x00, static_cast<uint8_t>(text.size())} +
           Raw(text);
}

TEST_F(LifecycleTest, CreateThenCloseGivesThe400ByteFile) {
    const std::string path = dir_.File("empty.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    const Bytes file = ReadBytes(path);
    EXPECT_EQ(file.size(), 400u);
    EXPECT_EQ(file, ExpectedFileStart() + kEof);
}

// Walks the written file record by record, so that the format table is checked
// against the lengths of the table, not only against the reference bytes.
TEST_F(LifecycleTest, FormatTable) {
    const std::string path = dir_.File("formats.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 400u);

    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), Hex("09 00 04 00 02 00 10 00"));
    EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 14), Hex("42 00 02 00 E4 04"));
    // FORMATCOUNT holds the highest index, 23, while 24 formats follow.
    EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 20), Hex("1F 00 02 00 17 00"));

    const int lengths[] = {7, 1, 4, 5, 8, 23, 28, 29, 34, 2, 5, 8,
                           8, 12, 8, 7, 11, 14, 5, 8, 15, 8, 5, 1};
    size_t pos = 20;
    for (int index = 0; index < 24; ++index) {
        ASSERT_LE(pos + 5, file.size());
        EXPECT_EQ(file[pos], 0x1E) << index;
        EXPECT_EQ(file[pos + 1], 0x00) << index;
        EXPECT_EQ(file[pos + 2] + 256 * file[pos + 3], lengths[index] + 1) << index;
        EXPECT_EQ(file[pos + 4], lengths[index]) << index;
        if (index == 5) {
            EXPECT_EQ(Bytes(file.begin() + static_cast<long>(pos) + 5,
                            file.begin() + static_cast<long>(pos) + 28),
                      Hex("23 2C 23 23 30 5C 20 22 24 22 3B 5C 2D 23 2C 23 23 30 5C 20 22 24 22"));
        }
        pos += 5 + static_cast<size_t>(lengths[index]);
    }
    EXPECT_EQ(pos - 20, 376u);
    EXPECT_EQ(Bytes(file.begin() + static_cast<long>(pos), file.end()), kEof);
}

TEST_F(LifecycleTest, PageBreaksAreSortedWithDuplicatesKeptJustBeforeEof) {
    const std::string path = dir_.File("breaks.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(10), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("a"), 0), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(3), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(10), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() + Label(0, 0, "a") +
                                   Hex("1B 00 08 00 03 00 02 00 09 00 09 00") + kEof);
}

TEST_F(LifecycleTest, PageBreaksAboveRow32768SortAsUnsigned) {
    const std::string path = dir_.File("high.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    for (int32_t row : {65536, 40000, 2, 32769, 32768})
        EXPECT_EQ(xl.InsertHorizPageBreak(row), 0);
    for (int32_t row : {0, -3, 65537}) EXPECT_EQ(xl.InsertHorizPageBreak(row), kStatusOutOfRange);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() +
                                   Hex("1B 00 0C 00 05 00 01 00 FF 7F 00 80 3F 9C FF FF") + kEof);
}

TEST_F(LifecycleTest, PageBreakListStopsWhereItsLengthFieldEnds) {
    const std::string path = dir_.File("many.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    for (int32_t i = 0; i < 16382; ++i) ASSERT_EQ(xl.InsertHorizPageBreak(16382 - i), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(1), kStatusOutOfRange);
    ASSERT_EQ(xl.CloseFile(), 0);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 396u + 6 + 2 * 16382 + 4);
    // Length 2 + 2 x 16382 = 32766, count 16382, indexes 0..16381 in order.
    EXPECT_EQ(Bytes(file.begin() + 396, file.begin() + 402), Hex("1B 00 FE 7F FE 3F"));
    bool ascending = true;
    for (size_t k = 0; k < 16382; ++k)
        ascending = ascending && file[402 + 2 * k] + 256 * file[403 + 2 * k] == static_cast<int>(k);
    EXPECT_TRUE(ascending);
}

TEST_F(LifecycleTest, PageBreaksOutsideTheOpenFileAreNeverWritten) {
    const std::string first = dir_.File("first.xls");
    const std::string second = dir_.File("second.xls");
    ExcelFile xl;
    EXPECT_EQ(xl.InsertHorizPageBreak(5), 0);  // before CreateFile: discarded by it
    ASSERT_EQ(xl.CreateFile(first), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(7), 0);  // after CloseFile: goes nowhere
    EXPECT_EQ(xl.CloseFile(), kStatusNoFile);
    EXPECT_EQ(ReadBytes(first), ExpectedFileStart() + kEof);
    ASSERT_EQ(xl.CreateFile(second), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(ReadBytes(second), ExpectedFileStart() + kEof);
}

TEST_F(LifecycleTest, CloseBeforeCreateDoesNothing) {
    ExcelFile xl;
    EXPECT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(xl.CloseFile(), 0);
    EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST_F(LifecycleTest, WithoutAnOpenFileEveryRecordIsRefused) {
    const std::string path = dir_.File("closed.xls");
    ExcelFile never;
    EXPECT_EQ(never.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    EXPECT_EQ(never.SetFont("Verdana", 10, 0), kStatusNoFile);
    never.PrintGridLines(true);  // nothing to report, nothing to write
    EXPECT_EQ(never.CloseFile(), 0);

    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(xl.CloseFile(), kStatusNoFile);
    EXPECT_EQ(xl.WriteValue(0, 0, 0, 0, 1, 1, 1.0, 0), kStatusNoFile);
    EXPECT_EQ(xl.WriteValue(1, 0, 0, 0, 1, 1, 1.0, 0), kStatusNoFile);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    EXPECT_EQ(xl.SetFont("Verdana", 10, 0), kStatusNoFile);
    EXPECT_EQ(xl.SetCellStyle(0, 0, 0, 0), kStatusNoFile);
    EXPECT_EQ(xl.SetHeader("h"), kStatusNoFile);
    EXPECT_EQ(xl.SetFooter("f"), kStatusNoFile);
    EXPECT_EQ(xl.SetFilePassword("p"), kStatusNoFile);
    EXPECT_EQ(xl.SetMargin(38, 1.0), kStatusNoFile);
    EXPECT_EQ(xl.SetColumnWidth(1, 1, 10), kStatusNoFile);
    EXPECT_EQ(xl.SetDefaultRowHeight(10), kStatusNoFile);
    EXPECT_EQ(xl.SetRowHeight(1, 10), kStatusNoFile);
    EXPECT_EQ(xl.WriteDefaultFormats(), kStatusNoFile);
    xl.PrintGridLines(true);
    xl.ProtectSpreadsheet(true);
    // A value that does not fit is reported as such even without a file.
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 0, 1, std::string("x"), 0), kStatusOutOfRange);
    EXPECT_EQ(xl.SetFont("Verdana", 2000, 0), kStatusOutOfRange);
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() + kEof);
}

TEST_F(LifecycleTest, CreateReplacesAnExistingFile) {
    const std::string path = dir_.File("old.xls");
    WriteBytes(path, Bytes(5000, 0xAB));
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() + kEof);
}

TEST_F(LifecycleTest, CreateReplacesALinkNotTheFileItPointsTo) {
    const std::string target = dir_.File("target.bin");
    const std::string link = dir_.File("link.xls");
    WriteBytes(target, Hex("01 02 03"));
    fs::create_symlink(target, link);
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(link), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(link), ExpectedFileStart() + kEof);
    EXPECT_EQ(ReadBytes(target), Hex("01 02 03"));
}

TEST_F(LifecycleTest, CreateWhileOpenLeavesTheEarlierFileUnfinished) {
    const std::string first = dir_.File("first.xls");
    const std::string second = dir_.File("second.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(first), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("one"), 0), 0);
    EXPECT_EQ(xl.InsertHorizPageBreak(4), 0);
    ASSERT_EQ(xl.CreateFile(second), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 2, 1, std::string("two"), 0), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    // The first file keeps its records and gets neither page breaks nor EOF.
    EXPECT_EQ(ReadBytes(first), ExpectedFileStart() + Label(0, 0, "one"));
    EXPECT_EQ(ReadBytes(second), ExpectedFileStart() + Label(1, 0, "two") + kEof);
}

TEST_F(LifecycleTest, CreateTheSameFileAgainWhileOpenStartsItAfresh) {
    const std::string path = dir_.File("again.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("lost"), 0), 0);
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() + kEof);
}

TEST_F(LifecycleTest, DestructionWritesTheRecordsButNoEof) {
    const std::string path = dir_.File("unclosed.xls");
    {
        ExcelFile xl;
        ASSERT_EQ(xl.CreateFile(path), 0);
        EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("kept"), 0), 0);
    }
    EXPECT_EQ(ReadBytes(path), ExpectedFileStart() + Label(0, 0, "kept"));
}

// Far more records than the buffer holds: the file must hold every one of them,
// whole and in call order, whatever their sizes.
TEST_F(LifecycleTest, ManyRecordsOfMixedSizesStayInCallOrder) {
    const std::string path = dir_.File("big.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    Bytes expected = ExpectedFileStart();
    for (int i = 0; i < 20000; ++i) {
        const auto row = static_cast<uint16_t>(i);
        std::string text(static_cast<size_t>(i % 256), static_cast<char>('a' + i % 26));
        ASSERT_EQ(xl.WriteValue(2, 0, 0, 0, i + 1, 3, text, 0), 0);
        expected += Label(row, 2, text);
        if (i % 1000 == 999) {
            ASSERT_EQ(xl.SetFilePassword(std::string(30000, 'p')), 0);
            expected += Hex("2F 00 30 75") + Bytes(30000, 'p');
        }
    }
    ASSERT_EQ(xl.CloseFile(), 0);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), expected.size() + 4);
    EXPECT_TRUE(file == expected + kEof);
}

}  // namespace
}  // namespace tallowby::testing
