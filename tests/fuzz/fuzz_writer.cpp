// Fuzz target for the worksheet writer: the input is decoded into a sequence of
// ExcelFile calls with arbitrary arguments. After each run the file must be a
// well-formed record stream (BOF first, whole records, EOF last) and every call must
// have returned a known status. The file lives in a folder made under $TMPDIR.
#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tallowby;

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void CheckStatus(int status) {
    Check(status == 0 || status == kStatusOutOfRange || status == kStatusTypeMismatch || IsFileStatus(status),
          "status outside the table");
}

const std::string& Path() {
    static const std::string path = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "tallowby-fuzz-writer-XXXXXX").string();
        Check(::mkdtemp(folder.data()) != nullptr, "mkdtemp");
        return folder + "/sheet.xls";
    }();
    return path;
}

// Mostly short texts, sometimes around the 255-character limits.
std::string Text(FuzzedDataProvider& in) {
    const bool small = in.ConsumeBool();
    return in.ConsumeBytesAsString(small ? in.ConsumeIntegralInRange<std::size_t>(0, 40)
                                         : in.ConsumeIntegralInRange<std::size_t>(250, 300));
}

void CheckRecordStream() {
    std::ifstream file(Path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    const auto word = [&](std::size_t at) { return unsigned(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
    bool eof = false;
    for (std::size_t pos = 0; pos < bytes.size(); pos += 4 + word(pos + 2)) {
        Check(!eof, "no bytes after EOF");
        Check(pos + 4 <= bytes.size() && pos + 4 + word(pos + 2) <= bytes.size(), "record frame complete");
        Check(pos > 0 || (word(0) == 0x0009 && word(2) == 4), "BOF first");
        eof = word(pos) == 0x000A && word(pos + 2) == 0;
    }
    Check(eof, "EOF last when closed");
}

} // namespace

// Function arguments are consumed left to right, as clang evaluates them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::remove(Path().c_str());
    ExcelFile sheet;
    bool created = false, open = false, burstDone = false;
    const auto small = [&](int32_t lowest) { return in.ConsumeIntegralInRange<int32_t>(lowest, 300); };
    const auto byte = [&] { return in.ConsumeIntegral<uint8_t>(); };
    for (int calls = 0; in.remaining_bytes() > 0 && calls < 200; ++calls) {
        int status = 0;
        switch (in.ConsumeIntegralInRange<int>(0, 16)) {
        case 0: if ((status = sheet.CreateFile(Path())) == 0) created = open = true; break;
        case 1: if ((status = sheet.CloseFile()) == 0) open = false; break;
        case 2: status = sheet.InsertHorizPageBreak(in.ConsumeIntegral<int32_t>()); break;
        case 3: {
            const int32_t type = in.ConsumeIntegralInRange<int32_t>(-1, 3), font = small(-10), align = small(-10),
                          hidden = small(-10),
                          row = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 70000)
                                                 : in.ConsumeIntegral<int32_t>(),
                          col = in.ConsumeIntegralInRange<int32_t>(-1, 70000), format = small(-10);
            const CellValue value = in.ConsumeBool() ? CellValue(in.ConsumeFloatingPoint<double>()) : Text(in);
            status = sheet.WriteValue(type, font, align, hidden, row, col, value, format);
            break;
        }
        case 4: status = sheet.SetMargin(in.ConsumeIntegral<int32_t>(), in.ConsumeFloatingPoint<double>()); break;
        case 5: status = sheet.SetColumnWidth(byte(), byte(), in.ConsumeIntegral<int16_t>()); break;
        case 6: status = sheet.SetFont(Text(in), in.ConsumeIntegral<int16_t>(), in.ConsumeIntegral<int32_t>()); break;
        case 7: status = sheet.SetHeader(Text(in)); break;
        case 8: status = sheet.SetFooter(Text(in)); break;
        case 9: status = sheet.SetFilePassword(Text(in)); break;
        case 10: sheet.PrintGridLines(in.ConsumeBool()); break;
        case 11: sheet.ProtectSpreadsheet(in.ConsumeBool()); break;
        case 12: status = sheet.SetDefaultRowHeight(in.ConsumeIntegral<int16_t>()); break;
        case 13: status = sheet.SetRowHeight(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int16_t>()); break;
        case 14: status = sheet.SetCellStyle(small(-5), small(-5), small(-5), small(-5)); break;
        case 15: Check(ExcelFile::MKI(in.ConsumeIntegral<int16_t>()).size() == 2, "MKI gives two characters"); break;
        default:
            // Many page breaks at once, to reach the record's length limit (once per
            // input, so that runs stay fast).
            for (int i = burstDone ? 0 : in.ConsumeIntegralInRange<int>(0, 20000); i > 0; --i)
                CheckStatus(sheet.InsertHorizPageBreak(i));
            burstDone = true;
        }
        CheckStatus(status);
    }
    if (open) Check(sheet.CloseFile() == 0, "closing an open file");
    if (created) CheckRecordStream();
    return 0;
}
