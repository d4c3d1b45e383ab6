// Helpers for the worksheet-writer tests: a writer and a private temporary folder per
// test, and byte strings written as hex, to compare files with reference bytes.
#pragma once

#include "ExportTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <gtest/gtest.h>

namespace tallowby::testing {

using test::ReadFile;

// "04 00 'ab'" -> "\x04\x00ab": bytes in hex, text in single quotes as is.
inline std::string Hex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] == '\'') {
            const size_t end = hex.find('\'', i + 1);
            out += hex.substr(i + 1, end - i - 1);
            i = end;
        } else if (hex[i] != ' ') {
            out += char(std::stoi(std::string(hex.substr(i++, 2)), nullptr, 16));
        }
    }
    return out;
}

// A whole worksheet: BOF (worksheet), CODEPAGE 1252, FORMATCOUNT 23 (the highest
// index) and the 24 built-in FORMAT records, 396 bytes in all, then `records` and EOF.
inline std::string Sheet(const std::string& records, bool eof = true) {
    std::string out = Hex("09 00 04 00 02 00 10 00 42 00 02 00 E4 04 1F 00 02 00 17 00");
    for (std::string_view f :
         {R"(General)", R"(0)", R"(0.00)", R"(#,##0)", R"(#,##0.00)", R"(#,##0\ "$";\-#,##0\ "$")",
          R"(#,##0\ "$";[Red]\-#,##0\ "$")", R"(#,##0.00\ "$";\-#,##0.00\ "$")",
          R"(#,##0.00\ "$";[Red]\-#,##0.00\ "$")", R"(0%)", R"(0.00%)", R"(0.00E+00)",
          R"(dd/mm/yy)", R"(dd/\ mmm\ yy)", R"(dd/\ mmm)", R"(mmm\ yy)", R"(h:mm\ AM/PM)",
          R"(h:mm:ss\ AM/PM)", R"(hh:mm)", R"(hh:mm:ss)", R"(dd/mm/yy\ hh:mm)", R"(##0.0E+0)",
          R"(mm:ss)", R"(@)"})
        out += Hex("1E 00") + char(f.size() + 1) + '\0' + char(f.size()) + std::string(f);
    return out + records + (eof ? Hex("0A 00 00 00") : "");
}

class BiffTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_ / name; }
    std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }
    // Closes the writer and returns the file it wrote.
    std::string Closed(const std::string& name = "sheet.xls") {
        EXPECT_EQ(xl_.CloseFile(), 0);
        return Read(name);
    }

    test::TempDir dir_;
    ExcelFile xl_;  // closed before the folder goes
};

}  // namespace tallowby::testing
