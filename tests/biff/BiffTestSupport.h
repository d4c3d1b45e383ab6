// Helpers for the worksheet-writer tests: a private temporary folder per test and
// byte strings written as hex, to compare files with reference bytes.
#pragma once

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tallowby::testing {

using Bytes = std::vector<uint8_t>;

// "04 00 'ab'" -> {0x04, 0x00, 'a', 'b'}: bytes in hex, text in single quotes as is.
inline Bytes Hex(std::string_view hex) {
    Bytes out;
    for (size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] == '\'') {
            const size_t end = hex.find('\'', i + 1);
            out.insert(out.end(), hex.begin() + i + 1, hex.begin() + end);
            i = end;
        } else if (hex[i] != ' ') {
            out.push_back(uint8_t(std::stoi(std::string(hex.substr(i++, 2)), nullptr, 16)));
        }
    }
    return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A whole worksheet: BOF (worksheet), CODEPAGE 1252, FORMATCOUNT 23 (the highest
// index) and the 24 built-in FORMAT records, 396 bytes in all, then `records` and EOF.
inline Bytes Sheet(const Bytes& records, bool eof = true) {
    Bytes out = Hex("09 00 04 00 02 00 10 00 42 00 02 00 E4 04 1F 00 02 00 17 00");
    for (std::string_view f :
         {R"(General)", R"(0)", R"(0.00)", R"(#,##0)", R"(#,##0.00)", R"(#,##0\ "$";\-#,##0\ "$")",
          R"(#,##0\ "$";[Red]\-#,##0\ "$")", R"(#,##0.00\ "$";\-#,##0.00\ "$")",
          R"(#,##0.00\ "$";[Red]\-#,##0.00\ "$")", R"(0%)", R"(0.00%)", R"(0.00E+00)",
          R"(dd/mm/yy)", R"(dd/\ mmm\ yy)", R"(dd/\ mmm)", R"(mmm\ yy)", R"(h:mm\ AM/PM)",
          R"(h:mm:ss\ AM/PM)", R"(hh:mm)", R"(hh:mm:ss)", R"(dd/mm/yy\ hh:mm)", R"(##0.0E+0)",
          R"(mm:ss)", R"(@)"}) {
        const auto n = static_cast<uint8_t>(f.size());
        out = out + Bytes{0x1E, 0x00, uint8_t(n + 1), 0x00, n} + Bytes(f.begin(), f.end());
    }
    return out + records + (eof ? Hex("0A 00 00 00") : Bytes());
}

// Gives each test a writer and a fresh folder under TMPDIR (or /tmp), removed afterwards.
class BiffTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "biff-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_, ec_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    Bytes Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Closes the writer and returns the file it wrote.
    Bytes Closed(const std::string& name = "sheet.xls") {
        EXPECT_EQ(xl_.CloseFile(), 0);
        return Read(name);
    }

    std::filesystem::path dir_;
    std::error_code ec_;
    ExcelFile xl_;
};

}  // namespace tallowby::testing
