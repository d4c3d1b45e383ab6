// Helpers shared by the export tests, the worksheet-writer tests and the bad-input
// matrix (tests/reliability): a private folder per test with small mounts that stand
// for a read-only folder or a full disk, child processes, folder snapshots, small DXL
// books, a conversion window that records what a run does to it, and a reader for a
// worksheet's record stream.
#pragma once

#include "export/ExportNames.h"
#include "export/ExportRun.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::test {

namespace fs = std::filesystem;

// ------------------------------------------------------------- folders and files

// A fresh folder under TMPDIR (or /tmp); at the end its mounts are undone and
// everything in it removed.
class TempDir {
public:
    TempDir() : path_((fs::temp_directory_path() / "tallowby-test-XXXXXX").string()) {
        if (::mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    }
    ~TempDir() {
        for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    fs::path path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Each returns "" when done, else why it cannot be done here (both need root).
    // A read-only bind mount, since root's writes ignore a folder's permission bits.
    std::string MountReadOnly(const std::string& folder) {
        const std::string why = Mount(folder.c_str(), folder, nullptr, MS_BIND, nullptr);
        return why.empty() ? Mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) : why;
    }
    std::string MountSmallDisk(const std::string& folder, const std::string& size) {
        return Mount("tallowby-test", folder, "tmpfs", MS_NOSUID, ("size=" + size).c_str());
    }

private:
    // A test's mounts stay private to its process and the programs it starts: a test
    // that dies before its clean-up leaves nothing mounted behind.
    std::string Mount(const char* source, const std::string& folder, const char* type, unsigned long flags,
                      const char* options) {
        static const bool ownNamespace =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!ownNamespace || ::mount(source, folder.c_str(), type, flags, options) != 0)
            return "cannot mount on " + folder + " (this needs root): " + std::strerror(errno);
        if (!(flags & MS_REMOUNT)) mounts_.push_back(folder);
        return {};
    }

    std::string path_;
    std::vector<std::string> mounts_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size())).flush()) throw std::runtime_error("cannot write " + path);
}

// Relative path -> "folder", "device", "file <checksum of its bytes>" ... for
// everything under a folder. No device or pipe is ever opened.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const fs::file_type type = entry.symlink_status().type();
        snapshot[fs::relative(entry.path(), folder)] =
            type == fs::file_type::regular ? "file " + std::to_string(std::hash<std::string>()(ReadFile(entry.path())))
            : type == fs::file_type::directory ? "folder" : type == fs::file_type::character ? "device" : "other";
    }
    return snapshot;
}

// ------------------------------------------------------------- child processes

inline constexpr unsigned kNobody = 65534;  // the user nobody

// Exit status (128 + the signal when one ended the child), stdout, stderr.
struct ChildRun { int status = -1; std::string out, err; };

// Runs `body` in a forked child (switched to the user nobody when asked) with stdin
// from /dev/null, stdout and stderr captured in files under `capture`; what body
// returns goes to stdout. A crash of the code under test shows as the status.
inline ChildRun RunInChild(const std::function<std::string()>& body, const std::string& capture,
                           bool asNobody = false) {
    const std::string outFile = capture + "/.child-stdout", errFile = capture + "/.child-stderr";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(125);
        if (asNobody && (::setgroups(0, nullptr) || ::setgid(kNobody) || ::setuid(kNobody))) ::_exit(126);
        const std::string report = body();
        ::_exit(::write(1, report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 124);
    }
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    ChildRun run{pid < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                 ReadFile(outFile), ReadFile(errFile)};
    for (const std::string& file : {outFile, errFile}) fs::remove(file);
    return run;
}

// The same for a program: argv[0] looked up on PATH, no shell; `path` becomes PATH.
inline ChildRun RunProgram(const std::vector<std::string>& argv, const std::string& capture, bool asNobody = false,
                           const char* path = nullptr) {
    return RunInChild([&]() -> std::string {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (path) ::setenv("PATH", path, 1);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }, capture, asNobody);
}

// ------------------------------------------------------------- the classic columns

// The header texts of columns 1..39, stated here apart from the code's table.
inline const char* const kClassicHeaders[39] = {
    "First Name", "Middle Name", "Last Name", "Email", "Suffix", "Title", "Company", "Job Title", "Location",
    "Website", "Department", "Manager", "Assistant", "Business Street Address", "Business City",
    "Business Zip/Postal Code", "Business State", "Business Country", "Business Phone Number", "Business FAX",
    "Business CellPhone", "Business Pager", "Business Other Email 1", "Business Other Email 2",
    "Business Other Email 3", "Personal Street Address", "Personal City", "Personal Zip/Postal Code",
    "Personal State", "Personal Country", "Personal Phone Number", "Personal FAX", "Personal CellPhone",
    "Birthday", "Anniversary", "Spouse", "Children", "Category", "Comments"};

// ------------------------------------------------------------- DXL books

inline std::string Person(int n, const std::string& first, const std::string& last, const std::string& more = "") {
    return "<document form='Person'><noteinfo noteid='" + std::to_string(1000 + n) + "' unid='" +
           std::string(26, '0') + std::to_string(100000 + n) + "'/>\n<item name='Type'><text>Person</text>"
           "</item>\n<item name='FirstName'><text>" + first + "</text></item>\n<item name='LastName'><text>" +
           last + "</text></item>\n" + more + "</document>\n";
}

inline std::string DxlBook(const std::string& documents) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
           "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Test Directory'>\n" +
           documents + "</database>\n";
}

// Ann Able, Bob Baker and Émile Zola.
inline std::string SmallBook() {
    return DxlBook(Person(1, "Ann", "Able") + Person(2, "Bob", "Baker") + Person(3, "\xC3\x89mile", "Zola"));
}

// Person documents "P00001 Many" to "P<count> Many" (in this order in the view), each
// with the items `more`.
inline std::string Persons(int count, const std::string& more = "") {
    std::string documents;
    for (int i = 1; i <= count; ++i) documents += Person(i, "P" + std::to_string(100000 + i).substr(1), "Many", more);
    return documents;
}

// ------------------------------------------------------------- the export

// Runs the export of `database` to `output` ("" beside the book) in a format and layout.
inline ExportResult Export(const std::string& database, const std::string& output = {},
                           ExportFormat format = ExportFormat::Xls, ExportLayout layout = ExportLayout::Classic) {
    ExportRequest request;
    request.bookPath = database;
    request.outputPath = output;
    request.format = format;
    request.layout = layout;
    return ExportBook(request);
}

// ------------------------------------------------------------- worksheet bytes

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

inline constexpr uint16_t kEof = 0x000A;
struct Record { uint16_t id; std::string_view body; };  // the body points into the file's bytes

// The records of a worksheet file, as far as they are whole.
inline std::vector<Record> Records(const std::string& bytes) {
    std::vector<Record> records;
    const auto word = [&](std::size_t i) { return uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8); };
    for (std::size_t pos = 0; pos + 4 <= bytes.size() && pos + 4 + word(pos + 2) <= bytes.size();
         pos += 4 + word(pos + 2))
        records.push_back({word(pos), std::string_view(bytes).substr(pos + 4, word(pos + 2))});
    return records;
}

// A LABEL record's 0-based row and column and its text (Windows-1252 bytes).
struct Label { unsigned row, column; std::string text; };
inline Label ParseLabel(const Record& record) {
    const auto byte = [&](std::size_t i) { return unsigned{static_cast<unsigned char>(record.body.at(i))}; };
    return {byte(0) | byte(1) << 8, byte(2) | byte(3) << 8, std::string(record.body.substr(8, byte(7)))};
}

} // namespace tallowby::test
