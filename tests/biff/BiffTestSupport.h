// Helpers for the worksheet-writer tests: a private temporary folder per test and
// byte strings written as hex, to compare files with reference bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::testing {

using Bytes = std::vector<uint8_t>;

// "09 00 04 00" -> {0x09, 0x00, 0x04, 0x00}; blanks between bytes are optional.
inline Bytes Hex(std::string_view hex) {
    Bytes out;
    int high = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

// The bytes of a text as they stand in the file (already single-byte).
inline Bytes Raw(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline Bytes& operator+=(Bytes& a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes operator+(Bytes a, const Bytes& b) { return a += b; }

inline Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under TMPDIR (or /tmp), removed with everything in it.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/biff-test-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The first 396 bytes of every worksheet: BOF (worksheet), CODEPAGE 1252,
// FORMATCOUNT 23 and the 24 FORMAT records, written out from the format table.
inline Bytes ExpectedFileStart() {
    Bytes out = Hex("09 00 04 00 02 00 10 00") + Hex("42 00 02 00 E4 04") +
                Hex("1F 00 02 00 17 00");
    static const char* const formats[] = {
        R"(General)", R"(0)", R"(0.00)", R"(#,##0)", R"(#,##0.00)",
        R"(#,##0\ "$";\-#,##0\ "$")",
        R"(#,##0\ "$";[Red]\-#,##0\ "$")",
        R"(#,##0.00\ "$";\-#,##0.00\ "$")",
        R"(#,##0.00\ "$";[Red]\-#,##0.00\ "$")",
        R"(0%)", R"(0.00%)", R"(0.00E+00)", R"(dd/mm/yy)", R"(dd/\ mmm\ yy)",
        R"(dd/\ mmm)", R"(mmm\ yy)", R"(h:mm\ AM/PM)", R"(h:mm:ss\ AM/PM)",
        R"(hh:mm)", R"(hh:mm:ss)", R"(dd/mm/yy\ hh:mm)", R"(##0.0E+0)", R"(mm:ss)",
        R"(@)",
    };
    for (std::string_view f : formats) {
        auto n = static_cast<uint8_t>(f.size());
        out = out + Bytes{0x1E, 0x00, static_cast<uint8_t>(n + 1), 0x00, n} + Raw(f);
    }
    return out;
}

inline const Bytes kEof = Hex("0A 00 00 00");

}  // namespace tallowby::testing
