// Helpers shared by the export tests and the bad-input matrix (tests/reliability): a
// private folder per test with small mounts that stand for a read-only folder or a
// full disk, child processes, folder snapshots, small DXL books, a conversion window
// that records what a run does to it, and a reader for a worksheet's record stream.
#pragma once

#include "addressbook/Controls.h"
#include "export/ExportRun.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby {
// Test names and failures show a format by its name.
inline void PrintTo(ExportFormat format, std::ostream* out) { *out << FormatName(format); }
} // namespace tallowby

namespace tallowby::test {

namespace fs = std::filesystem;

// ------------------------------------------------------------- folders and files

class TempDir {
public:
    TempDir();
    ~TempDir();  // undoes the mounts, then removes everything
    TempDir(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // Each returns "" when done, else why it cannot be done here (both need root).
    // A read-only bind mount, since root's writes ignore a folder's permission bits.
    std::string MountReadOnly(const std::string& folder);
    std::string MountSmallDisk(const std::string& folder, const std::string& size);

private:
    fs::path path_;
    std::vector<std::string> mounts_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Relative path -> "folder", "device", "file <checksum of its bytes>" ... for
// everything under a folder. No device or pipe is ever opened.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

// ------------------------------------------------------------- child processes

inline constexpr unsigned kNobody = 65534;  // the user nobody

// Exit status (128 + the signal when one ended the child), stdout, stderr.
struct ChildRun { int status = -1; std::string out, err; };

// Runs `body` in a forked child (switched to the user nobody when asked) with stdin
// from /dev/null, stdout and stderr captured in files under `capture`; what body
// returns goes to stdout. A crash of the code under test shows as the status.
ChildRun RunInChild(const std::function<std::string()>& body, const std::string& capture, bool asNobody = false);
// The same for a program: argv[0] looked up on PATH, no shell; `path` becomes PATH.
ChildRun RunProgram(const std::vector<std::string>& argv, const std::string& capture,
                    bool asNobody = false, const char* path = nullptr);

// ------------------------------------------------------------- DXL books

std::string Person(int n, const std::string& first, const std::string& last, const std::string& more = "");
std::string DxlBook(const std::string& documents);
std::string SmallBook();  // Ann Able, Bob Baker and Émile Zola
// Person documents "P00001 Many" to "P<count> Many" (in this order in the view), each
// with the items `more`.
std::string Persons(int count, const std::string& more = "");

// ------------------------------------------------------------- recording window

// What a run did to the window, in order: "CmdConversion enabled 0",
// "FrameConversionDone visible 1", "message <title>".
using EventLog = std::vector<std::string>;

struct RecordingControl : Control {
    RecordingControl(std::string name, EventLog& log) : name(std::move(name)), log(log) {}
    void SetEnabled(bool on) override { log.push_back(name + " enabled " + (on ? "1" : "0")); }
    void SetVisible(bool on) override { log.push_back(name + " visible " + (on ? "1" : "0")); }
    std::string name;
    EventLog& log;
};

struct RecordingProgress : ProgressBar {
    void SetMinimum(int32_t value) override { minimum = value; }  // the run sets 0
    void SetMaximum(int32_t value) override { maximums.push_back(value); }
    void SetValue(int32_t value) override {
        values.push_back(value);
        outOfRange = outOfRange || value < minimum || maximums.empty() || value > maximums.back();
    }
    void SetVisible(bool) override {}
    void Repaint() override { repainted = values.empty() ? -1 : values.back(); }
    int32_t minimum = -1, repainted = -1;
    std::vector<int32_t> maximums, values;
    bool outOfRange = false;
};

struct RecordingMessages : MessageBoxes {
    explicit RecordingMessages(EventLog& log) : log(log) {}
    void Show(const std::string& text, const std::string& title) override {
        texts.push_back(text);
        log.push_back("message " + title);
    }
    EventLog& log;
    std::vector<std::string> texts;
};

struct FixedPath : TextSource {
    explicit FixedPath(std::string text) : text(std::move(text)) {}
    std::string Text() const override { return text; }
    std::string text;
};

// The conversion window with recording controls; Export runs CmdConversion_Click.
struct RecordingWindow {
    ExportResult Export(const std::string& database, const std::string& output = {},
                        ExportFormat format = ExportFormat::Xls);
    EventLog log;
    RecordingControl contactsCreate{"CmdContactsCreate", log}, conversion{"CmdConversion", log},
        done{"FrameConversionDone", log};
    RecordingProgress progress;
    RecordingMessages messages{log};
    ModuleState state;
};

// ------------------------------------------------------------- record stream

enum RecordId : uint16_t {
    kLabel = 0x0004, kBof = 0x0009, kEof = 0x000A, kHeaderRecord = 0x0014, kFormat = 0x001E,
    kFormatCount = 0x001F, kFont = 0x0031, kCodePage = 0x0042, kXf = 0x0043, kCut = 0xFFFF,
};

struct Record { uint16_t id; std::string_view body; };  // the body points into the file's bytes
// The records of a worksheet file; a record cut short ends the list as kCut.
std::vector<Record> Records(const std::string& bytes);

// A LABEL record: 0-based row and column, its three attribute bytes, its text as
// Windows-1252 bytes ("<length mismatch>" added when the length byte is wrong).
struct Label { unsigned row, column; std::string attributes, text; };
Label ParseLabel(const Record& record);
std::vector<Label> Labels(const std::vector<Record>& records);

// The 39 columns, stated here apart from the code: header text and Notes item of
// columns 1..39, and the column (1-based) of each of a row's cells in write order.
extern const char* const kHeaderTexts[39];
extern const char* const kItemNames[39];
extern const unsigned kColumnsInWriteOrder[39];

} // namespace tallowby::test
