// The exported worksheet as other programs read it: xlrd (with its formatting
// information) and Gnumeric's ssconvert. Every cell must hold what the layout
// says, worked out here from the same address book through the Notes layer.
#include "ExportTestSupport.h"

#include "addressbook/ModuleState.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallowby::test {
namespace {

using Grid = std::vector<std::vector<std::string>>;

// ------------------------------------------------------------- expectations

// Code points of a UTF-8 text (the XML reader hands over well-formed text only).
std::vector<uint32_t> CodePoints(const std::string& text) {
    std::vector<uint32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        uint32_t cp = length == 1 ? b : b & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        points.push_back(cp);
        i += length;
    }
    return points;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Whether Windows-1252, the file's code page, has the character.
bool InWindows1252(uint32_t cp) {
    static const std::set<uint32_t> extra = {
        0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    return cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) || extra.count(cp) > 0;
}

// A cell as a reader shows it: at most 255 characters, and a character the code
// page lacks as "?".
std::string AsRead(const std::string& value) {
    std::vector<uint32_t> points = CodePoints(value);
    if (points.size() > 255) points.resize(255);
    std::string out;
    for (uint32_t cp : points) AppendUtf8(out, InWindows1252(cp) ? cp : '?');
    return out;
}

// The worksheet the layout asks for, read through the Notes layer.
Grid ExpectedGrid(const std::string& database) {
    Grid grid;
    grid.emplace_back(std::begin(kHeaderTexts), std::end(kHeaderTexts));
    const auto session = CreateObject(kDominoProgID);
    if (!session) throw std::runtime_error("no Domino.NotesSession");
    const auto navigator = session->GetDatabase("", database)->GetView("$People")->CreateViewNav();
    for (auto entry = navigator->GetFirstDocument(); entry;
         entry = navigator->GetNextDocument(entry)) {
        const auto document = entry->Document();
        std::vector<std::string> row;
        for (int c = 0; c < 39; ++c) {
            const NotesValues values = document->GetItemValue(kItemNames[c]);
            std::string text = values.empty() ? std::string() : ValueToText(values.front());
            if ((c == 4 || c == 5) && text == "0") text.clear();  // Suffix, Title
            row.push_back(AsRead(text));
        }
        grid.push_back(row);
    }
    return grid;
}

// ------------------------------------------------------------- readers

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

struct XlrdSheet {
    Grid cells;
    std::vector<std::vector<int>> bold;
};

XlrdSheet ReadWithXlrd(const TempDir& dir, const std::string& file) {
    const std::string out = dir / "xlrd.txt", err = dir / "xlrd.err";
    const int status = RunProgram({"/usr/bin/python3", TALLOWBY_READ_BACK_PY, file, out}, out + ".log", err);
    if (status != 0) throw std::runtime_error("xlrd failed: " + ReadFile(err));
    XlrdSheet sheet;
    std::istringstream lines(ReadFile(out));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::size_t row = 0, column = 0;
        int bold = 0;
        std::string hex;
        fields >> row >> column >> bold;
        fields.ignore(1);
        std::getline(fields, hex);
        if (sheet.cells.size() <= row) {
            sheet.cells.resize(row + 1, std::vector<std::string>(39));
            sheet.bold.resize(row + 1, std::vector<int>(39, -1));
        }
        sheet.cells[row].at(column) = FromHex(hex);
        sheet.bold[row].at(column) = bold;
    }
    return sheet;
}

// RFC 4180 fields: quotes around a field, "" for a quote, line breaks inside quotes.
Grid ParseCsv(const std::string& text) {
    Grid rows(1);
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            rows.back().push_back(field), field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            rows.back().push_back(field), field.clear();
            rows.emplace_back();
        } else {
            field += c;
            any = true;
        }
    }
    if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
    if (rows.back().empty()) rows.pop_back();
    (void)any;
    return rows;
}

Grid ReadWithGnumeric(const TempDir& dir, const std::string& file) {
    const std::string csv = dir / "gnumeric.csv", err = dir / "ssconvert.err";
    const int status = RunProgram({"ssconvert", "--export-type=Gnumeric_stf:stf_csv", file, csv},
                                  dir / "ssconvert.out", err);
    if (status != 0) throw std::runtime_error("ssconvert failed: " + ReadFile(err));
    Grid rows = ParseCsv(ReadFile(csv));
    for (auto& row : rows) row.resize(39);  // trailing empty cells may be left out
    return rows;
}

// ------------------------------------------------------------- the test

class RealReadersTest : public ::testing::Test {
protected:
    // Exports `database` in this process (same locale as the expectations).
    std::string Export(const std::string& database) {
        EventLog log;
        RecordingControl contactsCreate{"CmdContactsCreate", log}, conversion{"CmdConversion", log},
            done{"FrameConversionDone", log, false};
        RecordingProgress progress;
        RecordingMessages messages{log};
        FixedPath path(database);
        ConversionWindow window{path, contactsCreate, progress, conversion, done, messages};
        ModuleState state;
        const ExportResult result = CmdConversion_Click(window, state);
        EXPECT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
        return state.ExportFilePath;
    }

    void CheckReaders(const std::string& database) {
        const Grid expected = ExpectedGrid(database);
        ASSERT_GT(expected.size(), 1u) << "the book has person documents";
        const std::string worksheet = Export(database);

        const XlrdSheet xlrd = ReadWithXlrd(dir, worksheet);
        ASSERT_EQ(xlrd.cells.size(), expected.size());
        for (std::size_t r = 0; r < expected.size(); ++r)
            for (std::size_t c = 0; c < 39; ++c) {
                EXPECT_EQ(xlrd.cells[r][c], expected[r][c]) << "xlrd row " << r << " column " << c;
                EXPECT_EQ(xlrd.bold[r][c], r == 0 ? 1 : 0) << "xlrd row " << r << " column " << c;
            }

        const Grid gnumeric = ReadWithGnumeric(dir, worksheet);
        ASSERT_EQ(gnumeric.size(), expected.size());
        for (std::size_t r = 0; r < expected.size(); ++r)
            for (std::size_t c = 0; c < 39; ++c)
                EXPECT_EQ(gnumeric[r][c], expected[r][c]) << "ssconvert row " << r << " column " << c;
    }

    TempDir dir;
};

TEST_F(RealReadersTest, TheSampleBookReadsBackCellForCell) {
    const fs::path sample = fs::path(TALLOWBY_EXAMPLES_DIR) / "names.dxl";
    if (!fs::exists(sample)) GTEST_SKIP() << sample << " is not there";
    const std::string copy = dir / "names.dxl";
    fs::copy_file(sample, copy);
    CheckReaders(copy);
    // Accents come through both readers unchanged.
    const XlrdSheet xlrd = ReadWithXlrd(dir, dir / "names.xls");
    bool accented = false;
    for (const auto& row : xlrd.cells)
        for (const std::string& cell : row)
            for (unsigned char c : cell) accented = accented || c >= 0xC3;
    EXPECT_TRUE(accented) << "the sample has accented letters";
}

TEST_F(RealReadersTest, AGeneratedBookReadsBackCellForCell) {
    const fs::path script = fs::path(TALLOWBY_EXAMPLES_DIR) / "make_book.py";
    if (!fs::exists(script)) GTEST_SKIP() << script << " is not there";
    const std::string book = dir / "generated.dxl";
    ASSERT_EQ(RunProgram({"/usr/bin/python3", script.string(), "400", book, "--quiet"},
                         dir / "make.out", dir / "make.err"),
              0)
        << ReadFile(dir / "make.err");
    CheckReaders(book);
}

} // namespace
} // namespace tallowby::test
