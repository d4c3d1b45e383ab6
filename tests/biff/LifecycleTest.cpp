// The file's frame and lifecycle: page breaks, EOF, the states no file / open /
// closed, the buffered output, and the status numbers of real file-system failures
// (a full disk is the bad-input matrix's, through the export).
#include "BiffTestSupport.h"

#include <sys/stat.h>

namespace tallowby::testing {

namespace fs = std::filesystem;

class LifecycleTest : public BiffTest {};

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

TEST_F(LifecycleTest, CloseBeforeCreateCloseTwiceAndWriteAfterClose) {
    EXPECT_EQ(xl_.CloseFile(), 0);
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    EXPECT_TRUE(fs::is_empty(dir_.path()));
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    EXPECT_EQ(Closed().size(), 400u);
    // Closing twice, and every record without an open file, fail with 52.
    const std::vector<int> refused = {
        xl_.CloseFile(), xl_.WriteValue(0, 0, 0, 0, 1, 1, 1.0), xl_.SetFont("Verdana", 10, 0),
        xl_.WriteValue(1, 0, 0, 0, 1, 1, 1.0), xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("x")),
        xl_.SetCellStyle(0, 0, 0, 0), xl_.SetHeader("h"), xl_.SetFooter("f"),
        xl_.SetFilePassword("p"), xl_.SetMargin(38, 1.0), xl_.SetColumnWidth(1, 1, 10),
        xl_.SetDefaultRowHeight(10), xl_.SetRowHeight(1, 10), xl_.WriteDefaultFormats()};
    EXPECT_EQ(refused, std::vector<int>(refused.size(), kStatusNoFile));
    xl_.PrintGridLines(true);
    xl_.ProtectSpreadsheet(true);
    // A value that does not fit is reported as such even without a file.
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 0, 1, std::string("x"), 0), kStatusOutOfRange);
    EXPECT_EQ(Read("sheet.xls"), Sheet(""));
}

TEST_F(LifecycleTest, CreateReplacesAnExistingFileOrLinkNotItsTarget) {
    test::WriteFile(File("sheet.xls"), std::string(5000, 'o'));
    test::WriteFile(File("target"), "keep");
    fs::create_symlink(File("target"), File("link.xls"));
    for (const char* name : {"sheet.xls", "link.xls"}) {
        ASSERT_EQ(xl_.CreateFile(File(name)), 0);
        EXPECT_EQ(Closed(name), Sheet("")) << name;
    }
    EXPECT_FALSE(fs::is_symlink(File("link.xls")));
    EXPECT_EQ(Read("target"), "keep");
}

// A file left by CreateFile while open, or by destruction, keeps its records but
// gets neither page breaks nor EOF.
TEST_F(LifecycleTest, CreateWhileOpenOrDestructionLeavesTheFileUnfinished) {
    {
        ExcelFile xl;
        const std::vector<int> statuses = {
            xl.CreateFile(File("first.xls")), xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("one"), 0),
            xl.InsertHorizPageBreak(4), xl.CreateFile(File("second.xls")),
            xl.WriteValue(2, 0, 0, 0, 2, 1, std::string("two"), 0)};
        EXPECT_EQ(statuses, std::vector<int>(5, 0));
    }
    EXPECT_EQ(Read("first.xls"), Sheet(Hex("04 00 0B 00 00 00 00 00 00 00 00 03 'one'"), false));
    EXPECT_EQ(Read("second.xls"), Sheet(Hex("04 00 0B 00 01 00 00 00 00 00 00 03 'two'"), false));
}

// Far more than the 64 KiB buffer holds, in records of every size: the file must
// hold each of them whole and in call order.
TEST_F(LifecycleTest, ManyRecordsOfMixedSizesStayInCallOrder) {
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    std::string records;
    for (int i = 0; i < 20000; ++i) {
        const std::string text(size_t(i % 256), char('a' + i % 26));
        ASSERT_EQ(xl_.WriteValue(2, 0, 0, 0, i + 1, 3, text, 0), 0);
        records += {0x04, 0, char(8 + i % 256), char((8 + i % 256) >> 8), char(i), char(i >> 8), 0x02, 0, 0, 0, 0,
                    char(i % 256)};
        records += text;
    }
    EXPECT_TRUE(Closed() == Sheet(records));
}

// A missing folder is 76; a folder that refuses the file is 70 (to a user other than
// root, who writes into any folder whatever its permission bits).
TEST_F(LifecycleTest, CreateSaysWhyAFileCannotBeMade) {
    EXPECT_EQ(xl_.CreateFile(File("no-such-folder/sheet.xls")), kStatusPathNotFound);
    EXPECT_EQ(xl_.CloseFile(), kStatusNoFile);
    fs::create_directory(File("locked"));
    test::WriteFile(File("locked/old.xls"), "old");
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0711), 0);
    ASSERT_EQ(::chmod(File("locked").c_str(), 0555), 0);
    std::string statuses;
    for (const char* name : {"locked/new.xls", "locked/old.xls"})
        statuses += test::RunInChild([&] { return std::to_string(ExcelFile().CreateFile(File(name))) + " "; },
                                     dir_.path(), ::geteuid() == 0).out;
    ::chmod(File("locked").c_str(), 0755);
    if (statuses.empty()) GTEST_SKIP() << "cannot give up root's rights here";
    EXPECT_EQ(statuses, "70 70 ");
    EXPECT_EQ(Read("locked/old.xls"), "old");
}

}  // namespace tallowby::testing
