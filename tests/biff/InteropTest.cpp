// Other readers must accept the files: a worksheet with fonts, styles, a page
// header, a bold header row and integer, number and text cells is read back by
// python3-xlrd (read_back.py) and converted to CSV by Gnumeric's ssconvert.
#include "BiffTestSupport.h"

#include "biff/ExcelFile.h"

#include <cstdio>
#include <sys/wait.h>

#ifndef BIFF_TEST_SOURCE_DIR
#error "BIFF_TEST_SOURCE_DIR must name tests/biff"
#endif

namespace tallowby::testing {
namespace {

namespace fs = std::filesystem;

// Runs a shell command; returns its exit status and what it printed.
int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The worksheet both readers see; read_back.py holds the same expectations.
void WriteSample(const std::string& path) {
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    ASSERT_EQ(xl.SetFont("Verdana", 10, 0), 0);
    ASSERT_EQ(xl.SetFont("Verdana", 10, 1), 0);
    ASSERT_EQ(xl.SetFont("Verdana", 10, 5), 0);
    ASSERT_EQ(xl.SetFont("Courier", 14, 3), 0);
    ASSERT_EQ(xl.SetCellStyle(0, 0, 0, 0), 0);  // style 0: regular
    ASSERT_EQ(xl.SetCellStyle(1, 0, 1, 0), 0);  // style 1: bold, left-aligned
    ASSERT_EQ(xl.SetHeader("BIFF 2.1 API"), 0);

    int32_t col = 1;
    for (const char* title : {"Name", "Count", "Amount", "Note"})
        ASSERT_EQ(xl.WriteValue(2, 64, 1, 1, 1, col++, std::string(title), 0), 0);

    auto row = [&](int32_t r, CellValue name, CellValue count, CellValue amount, CellValue note) {
        ASSERT_EQ(xl.WriteValue(2, 0, 1, 0, r, 1, name, 0), 0);
        ASSERT_EQ(xl.WriteValue(0, 0, 0, 0, r, 2, count, 0), 0);
        ASSERT_EQ(xl.WriteValue(1, 0, 0, 0, r, 3, amount, 0), 0);
        ASSERT_EQ(xl.WriteValue(2, 0, 1, 0, r, 4, note, 0), 0);
    };
    row(2, std::string("Zoë Müller"), 42.0, 1234.5, std::string("€5"));
    row(3, std::string("“Quoted” naïve café"), std::string("-7"), -0.25,
        std::string("日本 ?"));
    row(4, std::string("Łukasz"), 2.5, std::string("3.25"), std::string());
    ASSERT_EQ(xl.CloseFile(), 0);
}

TEST(Interop, XlrdReadsValuesCodePageAndBoldHeader) {
    if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.File("sample.xls");
    ASSERT_NO_FATAL_FAILURE(WriteSample(path));
    std::string output;
    const std::string script = BIFF_TEST_SOURCE_DIR "/read_back.py";
    const int status = RunCommand("/usr/bin/python3 " + Quote(script) + " " + Quote(path), output);
    if (status == 77) GTEST_SKIP() << output;
    EXPECT_EQ(status, 0) << output;
}

TEST(Interop, GnumericConvertsTheSheetToCsv) {
    if (!fs::exists("/usr/bin/ssconvert")) GTEST_SKIP() << "Gnumeric's ssconvert is not installed";
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.File("sample.xls");
    const std::string csv = dir.File("sample.csv");
    ASSERT_NO_FATAL_FAILURE(WriteSample(path));
    std::string output;
    // ssconvert keeps settings under HOME; give it the test's own folder.
    const int status = RunCommand("HOME=" + Quote(dir.path().string()) +
                                      " /usr/bin/ssconvert " + Quote(path) + " " + Quote(csv),
                                  output);
    ASSERT_EQ(status, 0) << output;
    // Gnumeric warns, and still exits with 0, when it finds a file corrupt.
    EXPECT_EQ(output.find("corrupt"), std::string::npos) << output;
    const Bytes got = ReadBytes(csv);
    EXPECT_EQ(std::string(got.begin(), got.end()),
              "Name,Count,Amount,Note\n"
              "\"Zoë Müller\",42,1234.5,€5\n"
              "\"“Quoted” naïve café\",-7,-0.25,\"?? ?\"\n"
              "?ukasz,2,3.25,\n");
}

}  // namespace
}  // namespace tallowby::testing
