// python3-xlrd must read the files: a worksheet with fonts, styles, a page header,
// a bold header row and integer, number and text cells is read back by
// read_back.py, which prints what xlrd makes of it.
#include "BiffTestSupport.h"

namespace tallowby::testing {

class Interop : public BiffTest {};

TEST_F(Interop, XlrdReadsValuesCodePageAndBoldHeader) {
    ASSERT_EQ(xl_.CreateFile(File("sheet.xls")), 0);
    for (int32_t format : {0, 1, 5}) EXPECT_EQ(xl_.SetFont("Verdana", 10, format), 0);  // 1 bold
    EXPECT_EQ(xl_.SetFont("Courier", 14, 3), 0);
    EXPECT_EQ(xl_.SetCellStyle(0, 0, 0, 0), 0);  // style 0: regular
    EXPECT_EQ(xl_.SetCellStyle(1, 0, 1, 0), 0);  // style 1: bold, left-aligned
    EXPECT_EQ(xl_.SetHeader("BIFF 2.1 API"), 0);
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
    const test::ChildRun run =
        test::RunProgram({"/usr/bin/python3", BIFF_TEST_SOURCE_DIR "/read_back.py", File("sheet.xls")}, dir_.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "1252 21 2\n"
              "Verdana 200 0 0 0\nVerdana 200 1 0 0\nVerdana 200 1 0 1\nCourier 280 1 1 0\n"
              "'Name' 1 xf1 bold | 'Count' 1 xf1 bold | 'Amount' 1 xf1 bold | 'Note' 1 xf1 bold\n"
              "'Zoë Müller' 1 xf0 | 42.0 2 xf0 | 1234.5 2 xf0 | '€5' 1 xf0\n"
              "'“Quoted” naïve café' 1 xf0 | -7.0 2 xf0 | -0.25 2 xf0 | '?? ?' 1 xf0\n"
              "'?ukasz' 1 xf0 | 2.0 2 xf0 | 3.25 2 xf0 | '' 1 xf0\n");
}

}  // namespace tallowby::testing
