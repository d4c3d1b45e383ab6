// What the bad-input matrix needs around the scan and the export: a private folder
// per test, a snapshot of a folder (names, kinds and checksums), runs of the core and
// of tallowby-cli in a child process (optionally as the user nobody), small mounts
// that stand for a read-only folder or a full disk, and a check of a worksheet's
// record stream.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tallowby::matrix {

// ------------------------------------------------------------- folders and files

// A fresh folder per test: root/ holds what the test keeps for itself (captured
// output, files a hostile book points at), root/work/ is where the books live.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }
    const std::string& work() const { return work_; }
    std::string InRoot(const std::string& name) const { return root_ + "/" + name; }
    std::string InWork(const std::string& name) const { return work_ + "/" + name; }

    // Mounts, removed again (before the folder is) when the sandbox goes. Each returns
    // "" on success, else why it could not be done.
    std::string MountReadOnly(const std::string& folder);
    std::string MountSmallDisk(const std::string& folder, const std::string& size);

private:
    std::string root_, work_;
    std::vector<std::string> mounts_;
    std::vector<std::string> readOnlyByMode_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// One entry of a folder tree as a snapshot sees it. Only regular files are read
// (a device or a pipe is never opened).
struct EntryState {
    char kind = '?';        // 'f' file, 'd' folder, 'c' character device, 'p' pipe, 'l' link
    std::uintmax_t size = 0;
    std::uint64_t checksum = 0;
    dev_t device = 0;       // the device number of a device node
    bool operator==(const EntryState&) const = default;
};
// Relative path -> state, for everything under a folder (the folder itself excluded).
using Snapshot = std::map<std::string, EntryState>;
Snapshot TakeSnapshot(const std::string& folder);
std::string Describe(const Snapshot& snapshot);

// ------------------------------------------------------------- child processes

// What a child process left: how it ended and what it wrote.
struct ChildResult {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    std::string out, err;
    std::string failure;  // the test's own trouble starting it
    std::string HowItEnded() const;
};

// How the child runs: as the test's user, or switched to nobody (65534) first.
enum class RunAs { Me, Nobody };

// Runs a program (argv[0] is its path; no shell), stdin from /dev/null; stdout and
// stderr are captured in files under captureFolder and removed afterwards.
ChildResult RunProgram(const std::vector<std::string>& argv, const std::string& captureFolder,
                       RunAs runAs = RunAs::Me);

// Runs body in a forked child and brings back the fields it reports. A crash of the
// core shows as the child's signal instead of ending the test program.
using Report = std::map<std::string, std::string>;
struct CoreResult {
    ChildResult child;
    Report report;
};
CoreResult RunInChild(const std::function<Report()>& body, RunAs runAs);

// Switches the calling (child) process to nobody; false when that is not possible.
bool BecomeNobody();
inline constexpr uid_t kNobody = 65534;

// Why `path` cannot serve as an unreadable book for nobody, or "" when nobody can
// use `folder` but cannot read `path`.
std::string ProbeUnreadableForNobody(const std::string& folder, const std::string& path);

// ------------------------------------------------------------- worksheets

// The record stream of a worksheet file: "" when it is well formed (BOF first, EOF
// last, every record's length field equal to the bytes that follow, nothing after
// EOF), else what is wrong. cells receives the LABEL texts by (row, column).
struct Worksheet {
    std::string problem;
    std::size_t labels = 0;
    unsigned maxRow = 0;
    std::map<std::pair<unsigned, unsigned>, std::string> cells;  // only when asked
};
Worksheet ReadWorksheet(const std::string& path, bool keepCells);

} // namespace tallowby::matrix
