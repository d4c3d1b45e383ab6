#include "ExportTestSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::test {

// ------------------------------------------------------------- folders and files

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(path_, ec);
}

// A test's mounts stay private to its process and the programs it starts: a test
// that dies before its clean-up leaves nothing mounted behind.
static std::string Mount(const char* source, const std::string& folder, const char* type,
                         unsigned long flags, const char* options) {
    static const bool ownNamespace =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (ownNamespace && ::mount(source, folder.c_str(), type, flags, options) == 0) return {};
    return "cannot mount on " + folder + " (this needs root): " + std::strerror(errno);
}

std::string TempDir::MountReadOnly(const std::string& folder) {
    std::string why = Mount(folder.c_str(), folder, nullptr, MS_BIND, nullptr);
    if (!why.empty()) return why;
    mounts_.push_back(folder);
    return Mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
}

std::string TempDir::MountSmallDisk(const std::string& folder, const std::string& size) {
    std::string why = Mount("tallowby-test", folder, "tmpfs", MS_NOSUID, ("size=" + size).c_str());
    if (why.empty()) mounts_.push_back(folder);
    return why;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
        throw std::runtime_error("cannot write " + path);
}

Snapshot TakeSnapshot(const std::string& folder) {
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

ChildRun RunInChild(const std::function<std::string()>& body, const std::string& capture, bool asNobody) {
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

ChildRun RunProgram(const std::vector<std::string>& argv, const std::string& capture, bool asNobody, const char* path) {
    return RunInChild([&]() -> std::string {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (path) ::setenv("PATH", path, 1);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }, capture, asNobody);
}

// ------------------------------------------------------------- DXL books

std::string Person(int n, const std::string& first, const std::string& last, const std::string& more) {
    return "<document form='Person'><noteinfo noteid='" + std::to_string(1000 + n) + "' unid='" +
           std::string(26, '0') + std::to_string(100000 + n) + "'/>\n<item name='Type'><text>Person</text>"
           "</item>\n<item name='FirstName'><text>" + first + "</text></item>\n<item name='LastName'><text>" +
           last + "</text></item>\n" + more + "</document>\n";
}

std::string DxlBook(const std::string& documents) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
           "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Test Directory'>\n" +
           documents + "</database>\n";
}

std::string SmallBook() {
    return DxlBook(Person(1, "Ann", "Able") + Person(2, "Bob", "Baker") + Person(3, "\xC3\x89mile", "Zola"));
}

std::string Persons(int count, const std::string& more) {
    std::string documents;
    for (int i = 1; i <= count; ++i) documents += Person(i, "P" + std::to_string(100000 + i).substr(1), "Many", more);
    return documents;
}

// ------------------------------------------------------------- recording window

ExportResult RecordingWindow::Export(const std::string& database, const std::string& output, ExportFormat format) {
    FixedPath path(database);
    ConversionWindow window{path, contactsCreate, progress, conversion, done, messages};
    return CmdConversion_Click(window, state, output, format);
}

// ------------------------------------------------------------- record stream

std::vector<Record> Records(const std::string& bytes) {
    std::vector<Record> records;
    const auto word = [&](std::size_t i) { return uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8); };
    std::size_t pos = 0;
    for (; pos + 4 <= bytes.size() && pos + 4 + word(pos + 2) <= bytes.size(); pos += 4 + word(pos + 2))
        records.push_back({word(pos), std::string_view(bytes).substr(pos + 4, word(pos + 2))});
    if (pos != bytes.size()) records.push_back({kCut, {}});
    return records;
}

Label ParseLabel(const Record& record) {
    const auto byte = [&](std::size_t i) { return unsigned{static_cast<unsigned char>(record.body.at(i))}; };
    Label label{byte(0) | byte(1) << 8, byte(2) | byte(3) << 8, std::string(record.body.substr(4, 3)),
                std::string(record.body.substr(8, byte(7)))};
    if (record.body.size() != 8 + byte(7)) label.text += "<length mismatch>";
    return label;
}

std::vector<Label> Labels(const std::vector<Record>& records) {
    std::vector<Label> labels;
    for (const Record& record : records)
        if (record.id == kLabel) labels.push_back(ParseLabel(record));
    return labels;
}

const char* const kHeaderTexts[39] = {
    "First Name", "Middle Name", "Last Name", "Email", "Suffix", "Title", "Company", "Job Title", "Location",
    "Website", "Department", "Manager", "Assistant", "Business Street Address", "Business City",
    "Business Zip/Postal Code", "Business State", "Business Country", "Business Phone Number", "Business FAX",
    "Business CellPhone", "Business Pager", "Business Other Email 1", "Business Other Email 2",
    "Business Other Email 3", "Personal Street Address", "Personal City", "Personal Zip/Postal Code",
    "Personal State", "Personal Country", "Personal Phone Number", "Personal FAX", "Personal CellPhone",
    "Birthday", "Anniversary", "Spouse", "Children", "Category", "Comments"};

const char* const kItemNames[39] = {
    "FirstName", "MiddleInitial", "LastName", "MailAddress", "Suffix", "Title", "CompanyName", "JobTitle",
    "Location", "WebSite", "Department", "Manager", "Assistant", "OfficeStreetAddress", "OfficeCity", "OfficeZip",
    "OfficeState", "OfficeCountry", "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6",
    "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City", "Zip", "State", "Country", "PhoneNumber",
    "HomeFAXPhoneNumber", "PersPager", "Birthday", "Anniversary", "Spouse", "Children", "Categories", "Comment"};

// Suffix and Title come before Email, the office address before Location, Spouse
// and Children before the personal phones, Comments before Category.
const unsigned kColumnsInWriteOrder[39] = {1,  2,  3,  5,  6,  4,  7,  8,  14, 15, 16, 17, 18, 9,  10, 11, 12, 13,
                                           19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 36, 37, 31, 32, 33, 34,
                                           35, 39, 38};

} // namespace tallowby::test
