// Writes the export's largest worksheet, 65,535 rows of 39 text cells of about 12
// characters, through ExcelFile, then writes the very same bytes with a plain
// buffered fwrite loop (one fwrite per record), and prints both speeds and their
// ratio. Each is run several times; the best and the median run are shown.
//
// Usage: bench_writer [runs] [folder]   (default 5 runs, a new folder under TMPDIR)
#include "biff/ExcelFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using tallowby::ExcelFile;
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 65535;
constexpr int kColumns = 39;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Texts of 10 to 14 characters; about one in 40 has an accented letter, as names do.
std::vector<std::string> MakeTexts() {
    static const char* const words[] = {"Anna", "Bernard", "Chloe", "Dmitri", "Zoë",
                                        "Edgar", "Fiona", "Gustav", "Hélène", "Ivan"};
    std::vector<std::string> texts;
    for (int i = 0; i < 4093; ++i) {
        std::string t = words[i % 10];
        t += '-';
        t += std::to_string(100000 + i * 7919 % 900000);
        t.resize(10 + static_cast<size_t>(i % 5), 'x');
        texts.push_back(std::move(t));
    }
    return texts;
}

int WriteWorksheet(const std::string& path, const std::vector<std::string>& texts) {
    ExcelFile xl;
    int failures = xl.CreateFile(path) != 0;
    failures += xl.SetFont("Verdana", 10, 0) != 0;
    failures += xl.SetFont("Verdana", 10, 1) != 0;
    failures += xl.SetFont("Verdana", 10, 5) != 0;
    failures += xl.SetFont("Courier", 14, 3) != 0;
    failures += xl.SetHeader("BIFF 2.1 API") != 0;
    size_t next = 0;
    for (int row = 1; row <= kRows; ++row) {
        const int32_t font = row == 1 ? 64 : 0;
        for (int col = 1; col <= kColumns; ++col) {
            failures += xl.WriteValue(2, font, 1, 0, row, col, texts[next], 0) != 0;
            if (++next == texts.size()) next = 0;
        }
    }
    failures += xl.CloseFile() != 0;
    return failures;
}

// One fwrite per record, as a hand-written writer with stdio would do it.
bool WriteRaw(const std::string& path, const std::vector<char>& bytes,
              const std::vector<size_t>& recordEnds) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    size_t start = 0;
    bool ok = true;
    for (size_t end : recordEnds) {
        ok = ok && std::fwrite(bytes.data() + start, 1, end - start, f) == end - start;
        start = end;
    }
    return std::fclose(f) == 0 && ok;
}

struct Times {
    std::vector<double> runs;
    double best() const { return *std::min_element(runs.begin(), runs.end()); }
    double median() const {
        std::vector<double> s = runs;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    fs::path folder;
    bool ownFolder = false;
    if (argc > 2) {
        folder = argv[2];
    } else {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench-writer-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("bench_writer: cannot make a temporary folder");
            return 1;
        }
        folder = pattern;
        ownFolder = true;
    }
    const std::string sheet = (folder / "bench.xls").string();
    const std::string raw = (folder / "raw.xls").string();
    const std::vector<std::string> texts = MakeTexts();

    // One run to learn the bytes and their record boundaries.
    if (WriteWorksheet(sheet, texts) != 0) {
        std::fprintf(stderr, "bench_writer: writing %s failed\n", sheet.c_str());
        return 1;
    }
    std::ifstream in(sheet, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<size_t> recordEnds;
    for (size_t pos = 0; pos + 4 <= bytes.size();) {
        pos += 4 + static_cast<unsigned char>(bytes[pos + 2]) +
               256u * static_cast<unsigned char>(bytes[pos + 3]);
        recordEnds.push_back(pos);
    }

    Times writer, plain;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        if (WriteWorksheet(sheet, texts) != 0) return 1;
        writer.runs.push_back(Seconds(t0));
        t0 = Clock::now();
        if (!WriteRaw(raw, bytes, recordEnds)) return 1;
        plain.runs.push_back(Seconds(t0));
    }
    std::ifstream check(raw, std::ios::binary);
    const bool same = std::vector<char>((std::istreambuf_iterator<char>(check)),
                                        std::istreambuf_iterator<char>()) == bytes;

    const double cells = double{kRows} * kColumns;
    const double mb = static_cast<double>(bytes.size()) / 1e6;
    std::printf("worksheet: %d rows x %d text cells, %zu records, %.1f MB, %d runs\n", kRows,
                kColumns, recordEnds.size(), mb, runs);
    auto line = [&](const char* name, const Times& t) {
        std::printf("%-26s best %7.3f s  %6.1f Mcells/s  %7.1f MB/s   median %7.3f s\n", name,
                    t.best(), cells / t.best() / 1e6, mb / t.best(), t.median());
    };
    line("ExcelFile::WriteValue", writer);
    line("raw fwrite, same bytes", plain);
    std::printf("ratio writer/raw: best %.2f, median %.2f (goal: at most 2)\n",
                writer.best() / plain.best(), writer.median() / plain.median());
    if (!same) std::printf("warning: the raw copy differs from the worksheet\n");

    if (ownFolder) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    } else {
        fs::remove(sheet);
        fs::remove(raw);
    }
    return same ? 0 : 1;
}
