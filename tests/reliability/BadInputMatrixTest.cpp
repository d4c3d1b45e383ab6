// The bad-input matrix: every row is an address book (or a place to write to) that
// goes wrong in its own way. Each row runs the scan and then the export, through the
// core with recorded message boxes and through tallowby-cli, in a folder of its own,
// and checks: no crash, the expected message, the address book byte for byte as it
// was, no temporary or partial file left, an earlier worksheet untouched.
#include "MatrixSupport.h"

#include "addressbook/ContactTree.h"
#include "addressbook/Messages.h"
#include "addressbook/ModuleState.h"
#include "addressbook/Scan.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tallowby::matrix {
namespace {

namespace fs = std::filesystem;

// ------------------------------------------------------------- books

const char kHead[] =
    "<?xml version='1.0' encoding='utf-8'?>\n"
    "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
    "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Matrix Directory'>\n";

std::string Person(int n, const std::string& first, const std::string& last,
                   const std::string& more = "") {
    const std::string id = std::to_string(1000 + n);
    return "<document form='Person'><noteinfo noteid='" + id + "' unid='00000000000000000000000000" +
           std::to_string(100000 + n) + "'/>\n<item name='Type'><text>Person</text></item>\n"
           "<item name='FirstName'><text>" + first + "</text></item>\n"
           "<item name='LastName'><text>" + last + "</text></item>\n" + more + "</document>\n";
}

// Three persons; the export writes them as three rows and shortens nothing.
std::string SmallBook() {
    return std::string(kHead) + Person(1, "Ann", "Able") + Person(2, "Bob", "Baker") +
           Person(3, "\xC3\x89mile", "Zola") + "</database>\n";
}

// A book that only a DTD could complete, with `doctype` in front of the database.
std::string BookWithDoctype(const std::string& doctype, const std::string& firstName) {
    return "<?xml version='1.0' encoding='utf-8'?>\n" + doctype +
           "\n<database xmlns='http://www.lotus.com/dxl' title='Matrix Directory'>\n" +
           Person(1, firstName, "Able") + "</database>\n";
}

const std::string kEarlierWorksheet = "an earlier worksheet, which a failed export must keep\n";
constexpr std::size_t kTenMegabytes = 10u << 20;

std::string LongValue() {
    static const std::string pattern = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string value;
    value.reserve(kTenMegabytes);
    while (value.size() < kTenMegabytes) value += pattern;
    value.resize(kTenMegabytes);
    return value;
}

// ------------------------------------------------------------- the rows

// Where a row's book lives and what the runs are given.
struct Input {
    std::string folder;    // the folder the book and its worksheet live in (watched)
    std::string database;  // the path the scan and the export are given
    std::string output;    // --output / the run's output path; empty for the formed name
    std::string target;    // where the worksheet goes
    bool earlier = false;  // an earlier worksheet with known bytes lies at target
    RunAs runAs = RunAs::Me;
    std::string skip;      // why this row cannot run here
};

// What the command-line export says before the run when the book cannot be read.
enum class CliRefusal { None, Missing, Folder, Unreadable };

struct Row {
    const char* name;
    std::function<void(Sandbox&, Input&)> setup;
    // The scan: completes and lists `contacts`, else shows the not-an-address-book
    // message. `backup` is the file it adds beside the book ("" none).
    bool scanCompletes;
    int contacts;
    const char* backup;
    // The export.
    ExportOutcome exportOutcome;
    const char* completion = "";  // the completion message, exact
    int written = 0, shortened = 0, leftOut = 0;
    const char* worksheet = "";   // the file a completed export adds ("" none)
    const char* fileReason = "";  // a file error's reason in words
    CliRefusal cliRefusal = CliRefusal::None;
    bool slow = false;            // run once: the scan through the core, the export through the CLI
};

void UseSmallBook(Input& input, const std::string& folder, const std::string& name) {
    input.folder = folder;
    input.database = folder + "/" + name;
    WriteFile(input.database, SmallBook());
}

// A book in work/ under `name`, with the formed worksheet name `worksheet`.
std::function<void(Sandbox&, Input&)> BookFile(const std::string& name, const std::string& bytes,
                                                const std::string& worksheet) {
    return [=](Sandbox& box, Input& input) {
        input.folder = box.work();
        input.database = box.InWork(name);
        input.target = box.InWork(worksheet);
        WriteFile(input.database, bytes);
        WriteFile(input.target, kEarlierWorksheet);
        input.earlier = true;
    };
}

std::string MakeBook(Sandbox& box, int persons, const std::string& path) {
    const ChildResult run = RunProgram(
        {TALLOWBY_PYTHON3, TALLOWBY_MAKE_BOOK, std::to_string(persons), path, "--quiet"}, box.root());
    if (!run.failure.empty() || !run.exited || run.exitCode != 0)
        throw std::runtime_error("make_book.py " + std::to_string(persons) + ": " + run.HowItEnded() +
                                 "\n" + run.err);
    return path;
}

std::string BinaryNsf() {
    // A Notes database proper: binary, its file header, then random-looking bytes.
    std::string bytes("\x1A\x00\x00\x04\x00\x00\x01\x00", 8);
    std::mt19937 random(20240611);
    while (bytes.size() < 65536) bytes += static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string Truncated() {
    std::string book = SmallBook();
    return book.substr(0, book.find("Baker"));
}

std::string Malformed() {
    return std::string(kHead) + Person(1, "Ann", "Able") +
           "<document form='Person'><item name='FirstName'><text>Bob</item></document>\n"
           "</database>\n";
}

std::string BillionLaughs() {
    std::string doctype = "<!DOCTYPE database [\n<!ENTITY lol0 'lol'>\n";
    for (int i = 1; i <= 9; ++i) {
        doctype += "<!ENTITY lol" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) doctype += "&lol" + std::to_string(i - 1) + ";";
        doctype += "'>\n";
    }
    return BookWithDoctype(doctype + "]>", "&lol9;");
}

std::string InvalidUtf8() {
    // A lead byte without its continuation, then an encoded surrogate.
    return std::string(kHead) + Person(1, "Ren\xC3\x28", "Able") +
           Person(2, "\xED\xA0\x80", "Baker") + "</database>\n";
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {.name = "MissingPath",
         .setup = [](Sandbox& box, Input& input) {
             input.folder = box.work();
             input.database = box.InWork("missing.dxl");
             input.target = box.InWork("missing.xls");
             WriteFile(input.target, kEarlierWorksheet);
             input.earlier = true;
         },
         .scanCompletes = false, .contacts = 0, .backup = "",
         .exportOutcome = ExportOutcome::NotAddressBook, .cliRefusal = CliRefusal::Missing},
        {.name = "EmptyFile", .setup = BookFile("names.dxl", "", "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "Folder",
         .setup = [](Sandbox& box, Input& input) {
             input.folder = box.work();
             input.database = box.InWork("names.dxl");
             input.target = box.InWork("names.xls");
             fs::create_directory(input.database);
             WriteFile(input.database + "/inside.txt", "a file in the folder");
             WriteFile(input.target, kEarlierWorksheet);
             input.earlier = true;
         },
         .scanCompletes = false, .contacts = 0, .backup = "",
         .exportOutcome = ExportOutcome::NotAddressBook, .cliRefusal = CliRefusal::Folder},
        {.name = "BinaryNsf", .setup = BookFile("names.nsf", BinaryNsf(), "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "TruncatedDxl", .setup = BookFile("names.dxl", Truncated(), "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "MalformedDxl", .setup = BookFile("names.dxl", Malformed(), "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "ExternalEntity",
         .setup = [](Sandbox& box, Input& input) {
             WriteFile(box.InRoot("secret.txt"), "Secret");
             BookFile("names.dxl",
                      BookWithDoctype("<!DOCTYPE database [<!ENTITY ext SYSTEM 'file://" +
                                          box.InRoot("secret.txt") + "'>]>",
                                      "&ext;"),
                      "names.xls")(box, input);
         },
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "ExternalDtd",
         // Were the DTD read, &who; would be "Injected" and the book would open.
         .setup = [](Sandbox& box, Input& input) {
             WriteFile(box.InRoot("names.dtd"),
                       "<!ENTITY who 'Injected'>\n<!ENTITY % more SYSTEM 'file://" +
                           box.InRoot("more.dtd") + "'>\n%more;\n");
             WriteFile(box.InRoot("more.dtd"), "<!ENTITY other 'Also injected'>\n");
             BookFile("names.dxl",
                      BookWithDoctype("<!DOCTYPE database SYSTEM 'file://" +
                                          box.InRoot("names.dtd") + "'>",
                                      "&who;"),
                      "names.xls")(box, input);
         },
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "EntityExpansionBomb", .setup = BookFile("names.dxl", BillionLaughs(), "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "InvalidUtf8", .setup = BookFile("names.dxl", InvalidUtf8(), "names.xls"),
         .scanCompletes = false, .contacts = 0, .backup = "names.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "TenMegabyteValue",
         .setup = [](Sandbox& box, Input& input) {
             input.folder = box.work();
             input.database = box.InWork("long.dxl");
             WriteFile(input.database,
                       std::string(kHead) +
                           Person(1, "Tess", "Long",
                                  "<item name='Comment'><text>" + LongValue() + "</text></item>\n") +
                           "</database>\n");
         },
         .scanCompletes = true, .contacts = 1, .backup = "long.bak",
         .exportOutcome = ExportOutcome::Completed,
         .completion = "1 Contacts Saved Successfully\r\n\r\n"
                       "1 value was longer than 255 characters and was shortened.",
         .written = 1, .shortened = 1, .worksheet = "long.xls"},
        {.name = "NoPersonDocuments",
         .setup = [](Sandbox& box, Input& input) {
             input.folder = box.work();
             input.database = MakeBook(box, 0, box.InWork("groups.dxl"));
             input.target = box.InWork("groups.xls");
             WriteFile(input.target, kEarlierWorksheet);
             input.earlier = true;
         },
         .scanCompletes = false, .contacts = 0, .backup = "groups.bak",
         .exportOutcome = ExportOutcome::NotAddressBook},
        {.name = "UnreadableFile",
         .setup = [](Sandbox& box, Input& input) {
             BookFile("names.dxl", SmallBook(), "names.xls")(box, input);
             if (::geteuid() == 0) {
                 // Root reads any file: the runs go as nobody, who may use the folder.
                 fs::permissions(box.root(), fs::perms::others_exec, fs::perm_options::add);
                 if (::chown(box.work().c_str(), kNobody, kNobody) != 0 ||
                     ::chown(input.database.c_str(), kNobody, kNobody) != 0)
                     input.skip = std::string("cannot give the folder to nobody: ") + std::strerror(errno);
                 input.runAs = RunAs::Nobody;
             }
             fs::permissions(input.database, fs::perms::none);
             if (input.skip.empty()) input.skip = ProbeUnreadableForNobody(input.folder, input.database);
         },
         .scanCompletes = false, .contacts = 0, .backup = "",
         .exportOutcome = ExportOutcome::NotAddressBook, .cliRefusal = CliRefusal::Unreadable},
        {.name = "PathWithSpaces",
         .setup = [](Sandbox& box, Input& input) {
             fs::create_directory(box.InWork("my address books"));
             UseSmallBook(input, box.InWork("my address books"), "Names Book.DXL");
         },
         .scanCompletes = true, .contacts = 3, .backup = "Names Book.bak",
         .exportOutcome = ExportOutcome::Completed, .completion = "3 Contacts Saved Successfully",
         .written = 3, .worksheet = "names book.xls"},
        {.name = "PathWithQuotes",
         .setup = [](Sandbox& box, Input& input) {
             fs::create_directory(box.InWork("it's \"here\""));
             UseSmallBook(input, box.InWork("it's \"here\""), "O'Brien \"Book\".dxl");
         },
         .scanCompletes = true, .contacts = 3, .backup = "O'Brien \"Book\".bak",
         .exportOutcome = ExportOutcome::Completed, .completion = "3 Contacts Saved Successfully",
         .written = 3, .worksheet = "o'brien \"book\".xls"},
        {.name = "PathWithNewline",
         .setup = [](Sandbox& box, Input& input) {
             fs::create_directory(box.InWork("two\nlines"));
             UseSmallBook(input, box.InWork("two\nlines"), "names\nbook.dxl");
         },
         .scanCompletes = true, .contacts = 3, .backup = "names\nbook.bak",
         .exportOutcome = ExportOutcome::Completed, .completion = "3 Contacts Saved Successfully",
         .written = 3, .worksheet = "names\nbook.xls"},
        {.name = "PathWithNonAscii",
         .setup = [](Sandbox& box, Input& input) {
             fs::create_directory(box.InWork("Adressb\xC3\xBC" "cher \xE5\x90\x8D\xE7\xB0\xBF"));
             UseSmallBook(input, box.InWork("Adressb\xC3\xBC" "cher \xE5\x90\x8D\xE7\xB0\xBF"),
                          "\xC3\x84rzte Z\xC3\xBCrich.DXL");
         },
         .scanCompletes = true, .contacts = 3, .backup = "\xC3\x84rzte Z\xC3\xBCrich.bak",
         .exportOutcome = ExportOutcome::Completed, .completion = "3 Contacts Saved Successfully",
         .written = 3, .worksheet = "\xC3\x84rzte z\xC3\xBCrich.xls"},
        {.name = "ReadOnlyFolder",
         .setup = [](Sandbox& box, Input& input) {
             BookFile("names.dxl", SmallBook(), "names.xls")(box, input);
             input.skip = box.MountReadOnly(box.work());
         },
         .scanCompletes = true, .contacts = 3, .backup = "",
         .exportOutcome = ExportOutcome::FileError, .fileReason = "permission was denied"},
        {.name = "FullDisk",
         .setup = [](Sandbox& box, Input& input) {
             const std::string disk = box.InWork("disk");
             fs::create_directory(disk);
             input.skip = box.MountSmallDisk(disk, "1m");
             if (!input.skip.empty()) return;
             input.folder = disk;
             input.database = MakeBook(box, 200, disk + "/names.dxl");
             input.target = disk + "/names.xls";
             WriteFile(input.target, kEarlierWorksheet);
             input.earlier = true;
             // Leave 32 KB: less than the backup or the worksheet needs.
             struct statvfs info {};
             const std::uintmax_t keep = 32 * 1024;
             const bool known = ::statvfs(disk.c_str(), &info) == 0;
             const std::uintmax_t free = std::uintmax_t{info.f_bavail} * info.f_frsize;
             if (!known || free <= keep) {
                 input.skip = "the small disk is already full before the test begins";
                 return;
             }
             WriteFile(disk + "/filler.bin", std::string(free - keep, 'f'));
         },
         .scanCompletes = true, .contacts = 200, .backup = "",
         .exportOutcome = ExportOutcome::FileError, .fileReason = "the disk is full"},
        {.name = "OutputIsAFullDevice",
         // --output /dev/full: on a device node of its own in the test folder, or on
         // /dev/full itself where a broken run could not replace it (/dev not writable).
         .setup = [](Sandbox& box, Input& input) {
             UseSmallBook(input, box.work(), "names.dxl");
             input.output = input.target = box.InWork("full");
             if (::mknod(input.output.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
                 const std::string why = std::strerror(errno);
                 if (::access("/dev", W_OK) == 0) {
                     input.skip = "cannot make a /dev/full node here (" + why +
                                  ") and /dev/full itself is not safe to use: /dev is writable";
                     return;
                 }
                 input.output = input.target = "/dev/full";
             }
             const int fd = ::open(input.output.c_str(), O_WRONLY);
             const bool full = fd >= 0 && ::write(fd, "x", 1) < 0 && errno == ENOSPC;
             if (fd >= 0) ::close(fd);
             if (!full) input.skip = "a device node in the test folder does not act as /dev/full";
         },
         .scanCompletes = true, .contacts = 3, .backup = "names.bak",
         .exportOutcome = ExportOutcome::FileError, .fileReason = "the disk is full"},
        {.name = "BakDatabase",
         .setup = [](Sandbox& box, Input& input) { UseSmallBook(input, box.work(), "names.bak"); },
         .scanCompletes = true, .contacts = 3, .backup = "",
         .exportOutcome = ExportOutcome::Completed, .completion = "3 Contacts Saved Successfully",
         .written = 3, .worksheet = "names.xls"},
        {.name = "OutputNameIsTheBook",
         .setup = [](Sandbox& box, Input& input) {
             UseSmallBook(input, box.work(), "book.xls");
             input.target = input.database;
         },
         .scanCompletes = true, .contacts = 3, .backup = "book.bak",
         .exportOutcome = ExportOutcome::Refused},
        {.name = "SeventyThousandPersons",
         .setup = [](Sandbox& box, Input& input) {
             input.folder = box.work();
             input.database = MakeBook(box, 70000, box.InWork("big.dxl"));
         },
         .scanCompletes = true, .contacts = 70000, .backup = "big.bak",
         .exportOutcome = ExportOutcome::Completed,
         .completion = "65535 Contacts Saved Successfully\r\n\r\n4465 contacts were left out: a "
                       "worksheet holds at most 65,535 contacts. Split the address book to "
                       "export the rest.",
         .written = 65535, .leftOut = 4465, .worksheet = "big.xls", .slow = true},
    };
    return rows;
}

// ------------------------------------------------------------- runs in the core

class NoControl : public Control {
public:
    void SetEnabled(bool) override {}
    void SetVisible(bool) override {}
};

class NoProgress : public ProgressBar {
public:
    void SetMinimum(int32_t) override {}
    void SetMaximum(int32_t) override {}
    void SetValue(int32_t) override {}
    void SetVisible(bool) override {}
    void Repaint() override {}
};

class Boxes : public MessageBoxes {
public:
    void Show(const std::string& text, const std::string& title) override {
        texts.push_back(text);
        titles.push_back(title);
    }
    std::vector<std::string> texts, titles;
};

class PathBox : public TextSource {
public:
    explicit PathBox(std::string text) : text_(std::move(text)) {}
    std::string Text() const override { return text_; }

private:
    std::string text_;
};

void ReportMessages(Report& report, const Boxes& boxes) {
    report["boxes"] = std::to_string(boxes.texts.size());
    if (!boxes.texts.empty()) {
        report["text"] = boxes.texts.back();
        report["title"] = boxes.titles.back();
    }
}

Report ScanInCore(const std::string& database) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    PathBox path(database);
    NoProgress progress;
    NoControl label, create, enumerate;
    Boxes boxes;
    ScanWindow window{path, tree, progress, label, create, enumerate, boxes};
    ModuleState state;
    const ScanOutcome outcome = CmdEnumerateNotes_Click(window, state);

    Report report;
    report["completed"] = outcome == ScanOutcome::Completed ? "1" : "0";
    ReportMessages(report, boxes);
    report["ContactCount"] = std::to_string(state.ContactCount);
    report["nodes"] = std::to_string(tree.nodes().size());
    std::size_t contacts = 0, longestTag = 0;
    std::string names;
    for (const auto& node : tree.nodes()) {
        if (node.image != kImageContact) continue;
        ++contacts;
        longestTag = std::max(longestTag, node.tag.size());
        if (contacts <= 10) names += node.text + "\n";
    }
    report["contacts"] = std::to_string(contacts);
    report["longestTag"] = std::to_string(longestTag);
    report["names"] = names;
    return report;
}

Report ExportInCore(const std::string& database, const std::string& output) {
    PathBox path(database);
    NoControl create, conversion, done;
    NoProgress progress;
    Boxes boxes;
    ConversionWindow window{path, create, progress, conversion, done, boxes};
    ModuleState state;
    const ExportResult result = CmdConversion_Click(window, state, output);

    Report report;
    report["outcome"] = std::to_string(static_cast<int>(result.outcome));
    ReportMessages(report, boxes);
    report["written"] = std::to_string(result.contactsWritten);
    report["shortened"] = std::to_string(result.valuesShortened);
    report["leftOut"] = std::to_string(result.contactsLeftOut);
    return report;
}

// ------------------------------------------------------------- expectations

std::string ForTerminal(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::string RefusalMessage(const std::string& target) {
    return "The worksheet would be written over the address book itself:\r\n" + target +
           "\r\n\r\nNothing was written. Give the address book a name that does not end in "
           "\".xls\", or choose another worksheet file.";
}

std::string CliRefusalText(CliRefusal refusal, const std::string& database) {
    switch (refusal) {
    case CliRefusal::Missing:
        return "tallowby-cli: cannot read the address book " + database + ": No such file or directory\n";
    case CliRefusal::Folder:
        return "tallowby-cli: " + database + " is a folder, not an address book file.\n";
    case CliRefusal::Unreadable:
        return "tallowby-cli: cannot read the address book " + database + ": Permission denied\n";
    case CliRefusal::None:
        break;
    }
    return {};
}

std::string Printable(std::string text) {
    for (std::size_t pos = 0; (pos = text.find('\n', pos)) != std::string::npos; pos += 2)
        text.replace(pos, 1, "\\n");
    return text;
}

// The folder after a run holds what it held before, unchanged, plus exactly the
// expected new entries.
void ExpectFolder(const Snapshot& before, const Snapshot& after, const std::set<std::string>& added,
                  const Input& input) {
    for (const auto& [name, state] : before) {
        const auto it = after.find(name);
        if (it == after.end()) ADD_FAILURE() << "gone: " << Printable(name);
        else EXPECT_TRUE(it->second == state) << "changed: " << Printable(name);
    }
    std::set<std::string> seen;
    for (const auto& [name, state] : after)
        if (!before.count(name)) seen.insert(name);
    EXPECT_EQ(seen, added) << "the folder now holds:\n" << Describe(after);

    const std::string book = fs::path(input.database).filename().string();
    if (before.count(book)) {
        EXPECT_TRUE(after.count(book) && after.at(book) == before.at(book))
            << "the address book changed";
    }
    if (input.earlier) {
        EXPECT_EQ(ReadFile(input.target), kEarlierWorksheet) << "the earlier worksheet changed";
    }
}

using Channel = std::pair<bool, bool>;  // (scan through the CLI, export through the CLI)

class BadInputMatrix : public ::testing::TestWithParam<std::tuple<std::size_t, Channel>> {
protected:
    const Row& row() const { return Rows()[std::get<0>(GetParam())]; }
    bool scanByCli() const { return std::get<1>(GetParam()).first; }
    bool exportByCli() const { return std::get<1>(GetParam()).second; }

    void CheckScan(const Input& input);
    void CheckExport(const Input& input);

    Sandbox box;
};

void BadInputMatrix::CheckScan(const Input& input) {
    SCOPED_TRACE(scanByCli() ? "scan through tallowby-cli" : "scan through the core");
    const Row& r = row();
    const Snapshot before = TakeSnapshot(input.folder);

    if (scanByCli()) {
        const ChildResult run = RunProgram({TALLOWBY_CLI, "scan", input.database}, box.root(), input.runAs);
        ASSERT_TRUE(run.failure.empty()) << run.failure;
        ASSERT_TRUE(run.exited && (run.exitCode == 0 || run.exitCode == 1)) << run.HowItEnded();
        if (r.scanCompletes) {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.err, "");
            const std::string ending = std::string("\n") + kScanCompleted + "\n";
            EXPECT_TRUE(run.out.size() > ending.size() &&
                        run.out.compare(run.out.size() - ending.size(), ending.size(), ending) == 0)
                << run.out.substr(run.out.size() > 300 ? run.out.size() - 300 : 0);
            std::size_t contactLines = 0;
            std::istringstream lines(run.out);
            for (std::string line; std::getline(lines, line);)
                if (line.find('\t') != std::string::npos) ++contactLines;
            EXPECT_EQ(contactLines, static_cast<std::size_t>(r.contacts));
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, std::string(kNotAddressBook) + "\nAddress book: " + input.database + "\n");
        }
    } else {
        const std::string database = input.database;
        const CoreResult run = RunInChild([&] { return ScanInCore(database); }, input.runAs);
        ASSERT_TRUE(run.child.failure.empty()) << run.child.failure << "; " << run.child.HowItEnded();
        ASSERT_FALSE(run.report.count("exception")) << run.report.at("exception");
        const Report& report = run.report;
        EXPECT_EQ(report.at("boxes"), "1");
        EXPECT_EQ(report.at("title"), kCompanyTitle);
        if (r.scanCompletes) {
            EXPECT_EQ(report.at("completed"), "1");
            EXPECT_EQ(report.at("text"), kScanCompleted);
            EXPECT_EQ(report.at("contacts"), std::to_string(r.contacts));
            EXPECT_EQ(report.at("ContactCount"), std::to_string(r.contacts));
            EXPECT_EQ(report.at("nodes"), std::to_string(28 + r.contacts));
        } else {
            EXPECT_EQ(report.at("completed"), "0");
            EXPECT_EQ(report.at("text"), kNotAddressBook);
            EXPECT_EQ(report.at("nodes"), "28") << "the tree stays as it was";
            EXPECT_EQ(report.at("ContactCount"), "0");
        }
        if (std::string(r.name) == "TenMegabyteValue") {
            EXPECT_EQ(report.at("names"), "Tess Long\n");
            EXPECT_GT(std::stoull(report.at("longestTag")), kTenMegabytes) << "the record keeps the value";
        }
    }

    const Snapshot after = TakeSnapshot(input.folder);
    std::set<std::string> added;
    if (*r.backup) added.insert(r.backup);
    ExpectFolder(before, after, added, input);
    if (*r.backup && after.count(r.backup)) {
        const std::string book = fs::path(input.database).filename().string();
        EXPECT_TRUE(after.at(r.backup) == after.at(book)) << "the backup is the book, byte for byte";
    }
}

void BadInputMatrix::CheckExport(const Input& input) {
    SCOPED_TRACE(exportByCli() ? "export through tallowby-cli" : "export through the core");
    const Row& r = row();
    const Snapshot before = TakeSnapshot(input.folder);
    const bool completes = r.exportOutcome == ExportOutcome::Completed;

    // The message the run shows, exact where it is fixed or built only from the paths.
    std::string message;
    switch (r.exportOutcome) {
    case ExportOutcome::Completed: message = r.completion; break;
    case ExportOutcome::NotAddressBook: message = kNotAddressBook; break;
    case ExportOutcome::Refused: message = RefusalMessage(input.target); break;
    default: break;
    }
    const auto expectFileError = [&](const std::string& text) {
        EXPECT_NE(text.find(input.target), std::string::npos) << "names the file: " << Printable(text);
        EXPECT_NE(text.find(std::string("Reason: ") + r.fileReason + "."), std::string::npos)
            << "gives the reason: " << Printable(text);
        EXPECT_NE(text.find("Nothing was written"), std::string::npos) << Printable(text);
    };

    if (exportByCli()) {
        std::vector<std::string> args{TALLOWBY_CLI, "export"};
        if (!input.output.empty()) args.insert(args.end(), {"--output", input.output});
        args.push_back(input.database);
        const ChildResult run = RunProgram(args, box.root(), input.runAs);
        ASSERT_TRUE(run.failure.empty()) << run.failure;
        ASSERT_TRUE(run.exited && (run.exitCode == 0 || run.exitCode == 1)) << run.HowItEnded();
        if (completes) {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out, ForTerminal(message) + "\n" + input.target + "\n");
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.out, "");
            if (r.cliRefusal != CliRefusal::None)
                EXPECT_EQ(run.err, CliRefusalText(r.cliRefusal, input.database));
            else if (r.exportOutcome == ExportOutcome::NotAddressBook)
                EXPECT_EQ(run.err, message + "\nAddress book: " + input.database + "\n");
            else if (r.exportOutcome == ExportOutcome::FileError)
                expectFileError(run.err);
            else
                EXPECT_EQ(run.err, ForTerminal(message) + "\n");
        }
    } else {
        const std::string database = input.database, output = input.output;
        const CoreResult run = RunInChild([&] { return ExportInCore(database, output); }, input.runAs);
        ASSERT_TRUE(run.child.failure.empty()) << run.child.failure << "; " << run.child.HowItEnded();
        ASSERT_FALSE(run.report.count("exception")) << run.report.at("exception");
        const Report& report = run.report;
        EXPECT_EQ(report.at("outcome"), std::to_string(static_cast<int>(r.exportOutcome)));
        EXPECT_EQ(report.at("boxes"), "1");
        EXPECT_EQ(report.at("title"), completes ? kConversionTitle : kCompanyTitle);
        if (r.exportOutcome == ExportOutcome::FileError) expectFileError(report.at("text"));
        else EXPECT_EQ(report.at("text"), message);
        EXPECT_EQ(report.at("written"), std::to_string(r.written));
        EXPECT_EQ(report.at("shortened"), std::to_string(r.shortened));
        EXPECT_EQ(report.at("leftOut"), std::to_string(r.leftOut));
    }

    const Snapshot after = TakeSnapshot(input.folder);
    std::set<std::string> added;
    if (completes) added.insert(r.worksheet);
    ExpectFolder(before, after, added, input);
    if (completes && after.count(r.worksheet)) {
        const Worksheet sheet = ReadWorksheet(input.target, r.written < 100);
        EXPECT_EQ(sheet.problem, "");
        EXPECT_EQ(sheet.labels, 39u * (r.written + 1)) << "39 cells in each row, header included";
        EXPECT_EQ(sheet.maxRow, static_cast<unsigned>(r.written));
        if (std::string(r.name) == "TenMegabyteValue") {
            EXPECT_EQ(sheet.cells.at({1, 0}), "Tess");
            EXPECT_EQ(sheet.cells.at({0, 38}), "Comments");
            EXPECT_EQ(sheet.cells.at({1, 38}), LongValue().substr(0, 255));
        }
    }
}

TEST_P(BadInputMatrix, ScanThenExport) {
    const Row& r = row();
    Input input;
    r.setup(box, input);
    if (!input.skip.empty()) GTEST_SKIP() << input.skip;
    if (input.target.empty()) input.target = input.folder + "/" + r.worksheet;
    if (input.output.empty() && r.exportOutcome == ExportOutcome::Completed) {
        // The formed name is the one the row states.
        ASSERT_EQ(OutputPathFor(input.database), input.target);
    }

    CheckScan(input);
    CheckExport(input);
}

std::vector<std::tuple<std::size_t, Channel>> Cases() {
    std::vector<std::tuple<std::size_t, Channel>> cases;
    for (std::size_t i = 0; i < Rows().size(); ++i) {
        if (Rows()[i].slow) {
            cases.emplace_back(i, Channel{false, true});
        } else {
            cases.emplace_back(i, Channel{false, false});
            cases.emplace_back(i, Channel{true, true});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadInputMatrix, ::testing::ValuesIn(Cases()),
    [](const ::testing::TestParamInfo<BadInputMatrix::ParamType>& info) {
        const Channel channel = std::get<1>(info.param);
        const char* via = channel.first == channel.second
                              ? (channel.first ? "Cli" : "Core")
                              : "CoreScanCliExport";
        return std::string(Rows()[std::get<0>(info.param)].name) + "_" + via;
    });

} // namespace
} // namespace tallowby::matrix
