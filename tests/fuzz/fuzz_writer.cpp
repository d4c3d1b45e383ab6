// Fuzz target for the worksheet writer: the input is decoded into a sequence of
// ExcelFile calls with arbitrary arguments. After each run the file must be a
// well-formed record stream and every call must have returned a known status.
#include "biff/ExcelFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

using tallowby::ExcelFile;

namespace {

const std::set<int> kStatuses = {0, 6, 13, 52, 57, 61, 67, 70, 75, 76};

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckStatus(int status) { Check(kStatuses.count(status) == 1, "status outside the table"); }

std::string TempDir() {
    static std::string dir = [] {
        char pattern[] = "/tmp/tallowby-fuzz-writer-XXXXXX";
        const char* made = mkdtemp(pattern);
        Check(made != nullptr, "mkdtemp");
        return std::string(made);
    }();
    return dir;
}

std::string Text(FuzzedDataProvider& in) {
    // Mostly short texts, sometimes around the 255-character limits.
    const std::size_t length = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::size_t>(0, 40)
                                                : in.ConsumeIntegralInRange<std::size_t>(250, 300);
    return in.ConsumeBytesAsString(length);
}

// Walks the record frames of a finished file.
void CheckRecordStream(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Check(static_cast<bool>(file), "closed file is readable");
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file),
                                           std::istreambuf_iterator<char>()};
    std::size_t pos = 0;
    bool first = true, sawEof = false;
    while (pos < bytes.size()) {
        Check(!sawEof, "no bytes after EOF");
        Check(pos + 4 <= bytes.size(), "record frame complete");
        const unsigned id = bytes[pos] | (bytes[pos + 1] << 8);
        const unsigned length = bytes[pos + 2] | (bytes[pos + 3] << 8);
        Check(pos + 4 + length <= bytes.size(), "length field equals the bytes that follow");
        if (first) Check(id == 0x0009 && length == 4, "BOF first");
        first = false;
        if (id == 0x000A && length == 0) sawEof = true;
        pos += 4 + length;
    }
    Check(sawEof, "EOF last when closed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string path = TempDir() + "/sheet.xls";
    std::remove(path.c_str());
    ExcelFile sheet;
    bool created = false, open = false, burstDone = false;
    int calls = 0;
    while (in.remaining_bytes() > 0 && calls++ < 200) {
        int status = 0;
        switch (in.ConsumeIntegralInRange<int>(0, 16)) {
        case 0:
            status = sheet.CreateFile(path);
            if (status == 0) created = open = true;
            break;
        case 1:
            status = sheet.CloseFile();
            if (status == 0) open = false;
            break;
        case 2: status = sheet.InsertHorizPageBreak(in.ConsumeIntegral<int32_t>()); break;
        case 3: {
            const int32_t type = in.ConsumeIntegralInRange<int32_t>(-1, 3);
            const int32_t font = in.ConsumeIntegralInRange<int32_t>(-10, 300);
            const int32_t align = in.ConsumeIntegralInRange<int32_t>(-10, 300);
            const int32_t hidden = in.ConsumeIntegralInRange<int32_t>(-10, 300);
            const int32_t row = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 70000)
                                                 : in.ConsumeIntegral<int32_t>();
            const int32_t col = in.ConsumeIntegralInRange<int32_t>(-1, 70000);
            const int32_t format = in.ConsumeIntegralInRange<int32_t>(-10, 300);
            tallowby::CellValue value;
            if (in.ConsumeBool()) value = in.ConsumeFloatingPoint<double>();
            else value = Text(in);
            status = sheet.WriteValue(type, font, align, hidden, row, col, value, format);
            break;
        }
        case 4: status = sheet.SetMargin(in.ConsumeIntegral<int32_t>(), in.ConsumeFloatingPoint<double>()); break;
        case 5:
            status = sheet.SetColumnWidth(in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>(),
                                          in.ConsumeIntegral<int16_t>());
            break;
        case 6: {
            const std::string name = Text(in);
            status = sheet.SetFont(name, in.ConsumeIntegral<int16_t>(), in.ConsumeIntegral<int32_t>());
            break;
        }
        case 7: status = sheet.SetHeader(Text(in)); break;
        case 8: status = sheet.SetFooter(Text(in)); break;
        case 9: status = sheet.SetFilePassword(Text(in)); break;
        case 10: sheet.PrintGridLines(in.ConsumeBool()); break;
        case 11: sheet.ProtectSpreadsheet(in.ConsumeBool()); break;
        case 12: status = sheet.SetDefaultRowHeight(in.ConsumeIntegral<int16_t>()); break;
        case 13: {
            const int32_t row = in.ConsumeIntegral<int32_t>();
            status = sheet.SetRowHeight(row, in.ConsumeIntegral<int16_t>());
            break;
        }
        case 14: {
            const int32_t font = in.ConsumeIntegralInRange<int32_t>(-5, 300);
            const int32_t format = in.ConsumeIntegralInRange<int32_t>(-5, 300);
            const int32_t align = in.ConsumeIntegralInRange<int32_t>(-5, 300);
            status = sheet.SetCellStyle(font, format, align, in.ConsumeIntegralInRange<int32_t>(-5, 300));
            break;
        }
        case 15: {
            const std::string two = ExcelFile::MKI(in.ConsumeIntegral<int16_t>());
            Check(two.size() == 2, "MKI gives two characters");
            break;
        }
        default:
            // Many page breaks at once, to reach the record's length limit (once per
            // input, so that runs stay fast).
            if (burstDone) break;
            burstDone = true;
            for (int i = in.ConsumeIntegralInRange<int>(0, 20000); i > 0; --i)
                CheckStatus(sheet.InsertHorizPageBreak(i));
            break;
        }
        CheckStatus(status);
    }
    if (open) Check(sheet.CloseFile() == 0, "closing an open file");
    if (created) CheckRecordStream(path);
    return 0;
}
