// The read-back of a finished workbook before it takes the target's place: a package
// whose sheet is cut short, lacks rows, is missing, or does not match its CRC is
// refused; the workbook as written passes. The broken packages are made from a real
// export with Python's zipfile.
#include "ExportTestSupport.h"

#include "export/XlsxCheck.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

TEST(XlsxCheck, AWorkbookWithRowsMissingIsRefused) {
    TempDir dir;
    WriteFile(dir / "names.dxl", SmallBook());
    ASSERT_EQ(Export(dir / "names.dxl", dir / "good.xlsx", ExportFormat::Xlsx).outcome, ExportOutcome::Completed);
    const char* script =
        "import sys, zipfile\n"
        "src, out, how = sys.argv[1:4]\n"
        "z = zipfile.ZipFile(src)\n"
        "o = zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED)\n"
        "for i in z.infolist():\n"
        "    d = z.read(i.filename)\n"
        "    if i.filename == 'xl/worksheets/sheet1.xml':\n"
        "        if how == 'cut': d = d[:len(d) // 2]\n"
        "        if how == 'row': a = d.index(b'<row r=\"4\"'); d = d[:a] + d[d.index(b'</row>', a) + 6:]\n"
        "        if how == 'gone': continue\n"
        "    o.writestr(i, d)\n"
        "o.close()\n"
        "if how == 'crc':\n"
        "    b = bytearray(open(out, 'rb').read()); p = b.index(b'sheet1.xml') + 10 + 40; b[p] ^= 0xFF\n"
        "    open(out, 'wb').write(b)\n";
    const auto check = [&](const std::string& file, std::vector<std::int64_t> rows) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        files::Problem problem;
        const bool whole = CheckWorkbook(fd, rows, problem);
        ::close(fd);
        return whole ? std::string("whole") : problem.reason;
    };
    EXPECT_EQ(check(dir / "good.xlsx", {4}), "whole");
    EXPECT_EQ(check(dir / "good.xlsx", {5}), "the finished workbook is incomplete (xl/worksheets/sheet1.xml holds 4 rows "
                                             "of 5): a write to the disk failed while it was assembled");
    for (const std::string how : {"cut", "row", "gone", "crc"}) {
        const ChildRun run = RunProgram({"/usr/bin/python3", "-c", script, dir / "good.xlsx", dir / (how + ".xlsx"), how},
                                        dir.path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(check(dir / (how + ".xlsx"), {4}), "whole") << how;
    }
}

} // namespace
} // namespace tallowby::test
