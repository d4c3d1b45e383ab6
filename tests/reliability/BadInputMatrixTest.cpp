// The bad-input matrix: every row is an address book (or a place to write to) that
// goes wrong in its own way. Each row runs the scan and then the export, through the
// core with recorded message boxes and through tallowby-cli, each run in a child
// process, and checks: no crash, the expected message, the address book byte for byte
// as it was, no temporary or partial file left, an earlier worksheet untouched.
#include "ExportTestSupport.h"

#include "addressbook/ContactTree.h"
#include "addressbook/Messages.h"
#include "addressbook/Scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tallowby::test {
namespace {

using namespace std::string_literals;

// ------------------------------------------------------------- books

// A book that only its DOCTYPE could complete.
std::string WithDoctype(const std::string& doctype, const std::string& firstName) {
    return "<?xml version='1.0'?>\n" + doctype + "\n<database xmlns='http://www.lotus.com/dxl'>\n" +
           Person(1, firstName, "Able") + "</database>\n";
}

std::string BillionLaughs() {  // ten levels of ten
    std::string doctype = "<!DOCTYPE database [\n<!ENTITY lol0 'lol'>\n";
    for (int i = 1; i <= 9; ++i) {
        const std::string lol = "&lol" + std::to_string(i - 1) + ";";
        doctype += "<!ENTITY lol" + std::to_string(i) + " '" + lol + lol + lol + lol + lol + lol + lol + lol + lol +
                   lol + "'>\n";
    }
    return WithDoctype(doctype + "]>", "&lol9;");
}

std::string BinaryNsf() {  // a Notes file header, then 64 KB of random-looking bytes
    std::string bytes("\x1A\x00\x00\x04\x00\x00\x01\x00", 8);
    for (std::mt19937 random(20240611); bytes.size() < 65536;) bytes += static_cast<char>(random());
    return bytes;
}

const std::string kEarlierWorksheet = "an earlier worksheet, which a failed export must keep\n";

// ------------------------------------------------------------- the rows

// The book's folder (compared before and after each run), the book the scan and the
// export are given, where the worksheet goes, --output ("" for the formed name), and
// why the row cannot run here.
struct Input {
    std::string folder, database, target, output, skip;
    bool asNobody = false;
    long fileSizeLimit = 0;  // bytes a run may write into one file (0: no limit)
};
using Setup = std::function<void(TempDir&, Input&)>;

// The book `bytes` at `relative` under work/ ("@ROOT@" in it is the test's folder),
// its worksheet `worksheet` beside it, holding an earlier worksheet when `earlier`.
Setup At(const std::string& relative, const std::string& bytes, const std::string& worksheet, bool earlier = true) {
    return [=, bytes = std::make_shared<const std::string>(bytes)](TempDir& box, Input& in) {  // shared: no copies
        in.database = box / ("work/" + relative);
        in.folder = fs::path(in.database).parent_path();
        in.target = in.folder + "/" + worksheet;
        fs::create_directories(in.folder);
        std::string text = *bytes;
        for (std::size_t at; (at = text.find("@ROOT@")) != std::string::npos;) text.replace(at, 6, box.path());
        WriteFile(in.database, text);
        if (earlier) WriteFile(in.target, kEarlierWorksheet);
    };
}

// The contacts the scan lists (-1: it shows the not-an-address-book message), the
// backup it adds (relative to the folder, "" none), the export's outcome and rows
// written, and what they say: a completed export's message or a file error's reason;
// why the book cannot be read (the message's Reason line, for the scan and the
// export alike); why the scan made no backup ("@" stands for the folder).
struct Row {
    const char* name;
    Setup setup;
    int contacts;
    const char* backup;
    ExportOutcome outcome = ExportOutcome::NotAddressBook;
    int written = 0;
    const char* says = "";
    const char* reason = "";
    const char* noBackup = "";
};

constexpr auto kCompleted = ExportOutcome::Completed, kFileError = ExportOutcome::FileError,
               kNotBook = ExportOutcome::NotAddressBook;
const char kThreeSaved[] = "3 Contacts Saved Successfully";

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"MissingPath", [](TempDir& box, Input& in) { At("missing.dxl", "", "missing.xls")(box, in);
                                                      fs::remove(in.database); },
         -1, "", kNotBook, 0, "", "the file does not exist"},
        {"EmptyFile", At("names.dxl", "", "names.xls"), -1, "names.bak", kNotBook, 0, "", "the file is empty"},
        {"Folder", [](TempDir& box, Input& in) { At("names.dxl", "", "names.xls")(box, in); fs::remove(in.database);
                                                 fs::create_directory(in.database); },
         -1, "", kNotBook, 0, "", "it is a folder, not a file"},
        {"FifoAsBook", [](TempDir& box, Input& in) {  // read, it would wait for a writer for ever
             At("names.dxl", "", "names.xls")(box, in);
             fs::remove(in.database);
             if (::mkfifo(in.database.c_str(), 0644) != 0) in.skip = "cannot make a named pipe here";
         }, -1, "", kNotBook, 0, "", "it is not a regular file but a named pipe (FIFO)"},
        {"BinaryNsf", At("names.nsf", BinaryNsf(), "names.xls"), -1, "names.bak", kNotBook, 0, "",
         "it is not well-formed XML at line 1, column 0 (invalid token)"},
        {"TruncatedDxl", At("names.dxl", SmallBook().substr(0, SmallBook().find("Baker")), "names.xls"), -1,
         "names.bak", kNotBook, 0, "", "it is not well-formed XML at line 12, column 28 (no element found)"},
        {"MalformedDxl", At("names.dxl", DxlBook(Person(1, "Ann", "Able") + "<document form='Person'><item name="
                                                 "'FirstName'><text>Bob</item></document>\n"), "names.xls"),
         -1, "names.bak", kNotBook, 0, "", "it is not well-formed XML at line 9, column 58 (mismatched tag)"},
        {"ExternalEntity", At("names.dxl", WithDoctype("<!DOCTYPE database [<!ENTITY ext SYSTEM "
                                                       "'file://@ROOT@/secret.txt'>]>", "&ext;"), "names.xls"),
         -1, "names.bak", kNotBook, 0, "", "it declares entities (\"ext\" first), refused for safety"},
        // Were the DTD read, &who; would be "Injected" and the book would open.
        {"ExternalDtd", At("names.dxl", WithDoctype("<!DOCTYPE database SYSTEM 'file://@ROOT@/names.dtd'>", "&who;"),
                           "names.xls"), -1, "names.bak", kNotBook, 0, "", "it uses the undefined entity \"who\""},
        {"EntityExpansionBomb", At("names.dxl", BillionLaughs(), "names.xls"), -1, "names.bak", kNotBook, 0, "",
         "it declares entities (\"lol0\" first), refused for safety"},
        // A lead byte without its continuation, then an encoded surrogate.
        {"InvalidUtf8", At("names.dxl", DxlBook(Person(1, "Ren\xC3\x28", "Able") + Person(2, "\xED\xA0\x80", "B")),
                           "names.xls"), -1, "names.bak", kNotBook, 0, "",
         "it is not well-formed XML at line 6, column 32 (invalid token)"},
        // The large books are made only when their row runs.
        {"TenMegabyteValue", [](TempDir& box, Input& in) {
             At("long.dxl", DxlBook(Persons(1, "<item name='Comment'><text>" + std::string(10 << 20, 'x') +
                                               "</text></item>")), "long.xls", false)(box, in);
         }, 1, "long.bak", kCompleted, 1,
         "1 Contacts Saved Successfully\r\n\r\n1 value was longer than 255 characters and was shortened."},
        {"NoPersonDocuments", At("groups.dxl", DxlBook("<document form='Group'><item name='Type'><text>Group</text>"
                                                       "</item></document>\n"), "groups.xls"), -1, "groups.bak",
         kNotBook, 0, "", "it holds no person documents"},
        {"UnreadableFile", [](TempDir& box, Input& in) {
             At("names.dxl", SmallBook(), "names.xls")(box, in);
             if (::geteuid() == 0) {  // root reads any file: the runs go as nobody, who owns the folder
                 fs::permissions(box.path(), fs::perms::others_exec, fs::perm_options::add);
                 in.asNobody = ::chown(in.folder.c_str(), kNobody, kNobody) == 0 &&
                               ::chown(in.database.c_str(), kNobody, kNobody) == 0;
             }
             fs::permissions(in.database, fs::perms::none);
             const ChildRun probe = RunInChild([&] {  // the folder is usable, the book not readable
                 return std::to_string(::access(in.folder.c_str(), W_OK | X_OK)) +
                        std::to_string(::access(in.database.c_str(), R_OK));
             }, box.path(), in.asNobody);
             if (probe.out != "0-1") in.skip = "the user nobody cannot use the test folder, or can read mode 000";
         }, -1, "", kNotBook, 0, "", "permission to read it was denied"},
        {"PathWithSpaces", At("my address books/Names Book.DXL", SmallBook(), "names book.xls", false),
         3, "Names Book.bak", kCompleted, 3, kThreeSaved},
        {"PathWithQuotes", At("it's \"here\"/O'Brien \"Book\".dxl", SmallBook(), "o'brien \"book\".xls", false),
         3, "O'Brien \"Book\".bak", kCompleted, 3, kThreeSaved},
        {"PathWithNewline", At("two\nlines/names\nbook.dxl", SmallBook(), "names\nbook.xls", false),
         3, "names\nbook.bak", kCompleted, 3, kThreeSaved},
        {"PathWithNonAscii", At("Adressb\xC3\xBC" "cher \xE5\x90\x8D\xE7\xB0\xBF/\xC3\x84rzte Z\xC3\xBCrich.DXL",
                                SmallBook(), "\xC3\x84rzte z\xC3\xBCrich.xls", false),
         3, "\xC3\x84rzte Z\xC3\xBCrich.bak", kCompleted, 3, kThreeSaved},
        {"ReadOnlyFolder", [](TempDir& box, Input& in) {
             At("names.dxl", SmallBook(), "names.xls")(box, in);
             in.skip = box.MountReadOnly(in.folder);
         }, 3, "", kFileError, 0, "the disk is read-only", "", "cannot write @/names.bak: the disk is read-only"},
        {"MissingOutputFolder", [](TempDir& box, Input& in) {
             At("names.dxl", SmallBook(), "missing/names.xls", false)(box, in);
             in.output = in.target;
         }, 3, "names.bak", kFileError, 0, "the folder does not exist"},
        {"FullDisk", [](TempDir& box, Input& in) {  // 32 KB left: less than the backup or the worksheet needs
             fs::create_directories(box / "work/disk");
             if (!(in.skip = box.MountSmallDisk(box / "work/disk", "1m")).empty()) return;
             At("disk/names.dxl", DxlBook(Persons(200)), "names.xls")(box, in);
             struct statvfs disk {};
             const std::uintmax_t free = ::statvfs(in.folder.c_str(), &disk) == 0 ? disk.f_bavail * disk.f_frsize : 0;
             if (free <= 32 * 1024) in.skip = "the small disk is full before the test begins";
             else WriteFile(in.folder + "/filler.bin", std::string(free - 32 * 1024, 'f'));
         }, 200, "", kFileError, 0, "the disk is full", "", "cannot write @/names.bak: the disk is full"},
        {"OutputIsAFullDevice", [](TempDir& box, Input& in) {  // --output to a /dev/full node of its own
             At("names.dxl", SmallBook(), "full", false)(box, in);
             in.output = in.target;
             const int fd = ::mknod(in.target.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0
                                ? ::open(in.target.c_str(), O_WRONLY) : -1;
             if (fd < 0 || ::write(fd, "x", 1) >= 0 || errno != ENOSPC) in.skip = "cannot make a /dev/full node here";
             if (fd >= 0) ::close(fd);
         }, 3, "names.bak", kFileError, 0, "the disk is full"},
        {"BakDatabase", At("names.bak", SmallBook(), "names.xls", false), 3, "", kCompleted, 3, kThreeSaved, "",
         "@/names.bak is the address book itself"},
        // The backup lies beside the book: mail/ab.bak, never ../mai.bak (the last four
        // characters of the path replaced).
        {"BookWithoutExtension", [](TempDir& box, Input& in) {
             At("mail/ab", SmallBook(), "ab.xls", false)(box, in);
             in.folder = box / "work";
             WriteFile(in.folder + "/mai.bak", "an unrelated file");
         }, 3, "mail/ab.bak", kCompleted, 3, kThreeSaved},
        // A backup copied over own.bak would give the book a new file (inode and owner).
        {"BookLinkedToItsBackup", [](TempDir& box, Input& in) {
             At("own.bak", SmallBook(), "own.xls", false)(box, in);
             in.database = in.folder + "/own.dxl";
             fs::create_symlink("own.bak", in.database);
         }, 3, "", kCompleted, 3, kThreeSaved, "", "@/own.bak is the address book itself"},
        // Documents without identity, and a replica's repeated UNID: each its own contact.
        {"RepeatedIdentities", At("names.dxl", DxlBook(
             Person(1, "Ann", "Able") + Person(1, "Ann", "Able") + Person(2, "Bob", "Baker") +
             "<document form='Person'><item name='FirstName'><text>Cid</text></item></document>\n"
             "<document form='Person'><item name='FirstName'><text>Dan</text></item></document>\n"), "names.xls", false),
         5, "names.bak", kCompleted, 5, "5 Contacts Saved Successfully"},
        // Under a file size limit, writes fail with EFBIG instead of ending the program.
        {"FileSizeLimit", [](TempDir& box, Input& in) {
             At("names.dxl", DxlBook(Persons(300)), "names.xls")(box, in);
             in.fileSizeLimit = 16 * 1024;
         }, 300, "", kFileError, 0, "the file would be larger than the file size limit allows", "",
         "cannot write @/names.bak: the file would be larger than the file size limit allows"},
        {"OutputNameIsTheBook", At("book.xls", SmallBook(), "book.xls", false), 3, "book.bak", ExportOutcome::Refused},
        {"SeventyThousandPersons", [](TempDir& box, Input& in) {
             At("big.dxl", DxlBook(Persons(70000)), "big.xls", false)(box, in);
         }, 70000, "big.bak", kCompleted, 65535, "65535 Contacts Saved Successfully\r\n\r\n4465 contacts were left out: "
         "a worksheet holds at most 65,535 contacts. Export as .xlsx or CSV to keep every contact.\r\n\r\nSome programs "
         "(Gnumeric, Python's xlrd, Excel before 97) read only the first 16,384 rows of a worksheet like this one: the "
         "header and 16,383 contacts. An .xlsx workbook keeps every row readable."},
    };
    return rows;
}

// ------------------------------------------------------------- the checks

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " | ") + part;
    return text;
}

// A not-an-address-book message up to its Reason line, with what it says to do
// replaced by "<what to do>" (there must be something); other texts as they are.
std::string Summary(std::string text) {
    const auto reason = text.starts_with(kNotAddressBook) ? text.find("Reason: ") : std::string::npos;
    const auto end = reason == std::string::npos ? reason : text.find_first_of("\r\n", reason);
    if (end == std::string::npos) return text;
    const std::size_t next = text.find_first_not_of("\r\n", end);
    return text.substr(0, end) + (next == std::string::npos ? "" : " <what to do>");
}

// Param: the row, and whether the runs go through tallowby-cli (else the core).
class BadInputMatrix : public ::testing::TestWithParam<std::tuple<std::size_t, bool>> {
protected:
    void CheckScan();
    void CheckExport();
    // The folder holds what it held before, unchanged, and `added` besides (for a
    // backup: the book's bytes); the book is still the same file.
    void ExpectOnlyAdded(const Snapshot& before, const std::string& added, bool backup) {
        Snapshot after = TakeSnapshot(in.folder);
        EXPECT_EQ(after.count(added), added.empty() ? 0u : 1u) << "no " << added;
        EXPECT_TRUE(!backup || added.empty() || after[added] == before.at(fs::relative(in.database, in.folder)));
        after.erase(added);
        EXPECT_EQ(after, before);
        EXPECT_EQ(Identity(in.database), bookIdentity);
    }
    static std::string Identity(const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) : "";
    }
    // The message for this row's unreadable book, up to its reason.
    std::string NotBookSummary(const char* lineEnd) const {
        return kNotAddressBook + (lineEnd + (lineEnd + ("File: " + in.database + lineEnd + "Reason: " + row.reason +
                                                        ". <what to do>")));
    }
    // A program's command line, under the row's file size limit.
    std::vector<std::string> Command(std::vector<std::string> args) const {
        if (in.fileSizeLimit > 0) args.insert(args.begin(), {"prlimit", "--fsize=" + std::to_string(in.fileSizeLimit)});
        return args;
    }
    // In a child of the test, before the core runs: the limit, and SIGXFSZ ignored as
    // the programs do.
    void LimitChild() const {
        if (in.fileSizeLimit <= 0) return;
        const rlimit limit{static_cast<rlim_t>(in.fileSizeLimit), static_cast<rlim_t>(in.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
    }

    const Row& row = Rows()[std::get<0>(GetParam())];
    const bool cli = std::get<1>(GetParam());
    TempDir box;
    Input in;
    std::string bookIdentity;
};

void BadInputMatrix::CheckScan() {
    SCOPED_TRACE(cli ? "scan through tallowby-cli" : "scan through the core");
    const bool completes = row.contacts >= 0;
    const int n = std::max(row.contacts, 0);
    std::string noBackup = row.noBackup;
    if (const auto at = noBackup.find('@'); at != std::string::npos) noBackup.replace(at, 1, in.folder);
    if (!noBackup.empty()) noBackup = kNoBackup + noBackup + ".";
    const Snapshot before = TakeSnapshot(in.folder);
    if (cli) {  // exit status | stderr | the last line | how many lines name a contact (with a tab)
        const ChildRun run = RunProgram(Command({TALLOWBY_CLI, "scan", in.database}), box.path(), in.asNobody);
        const std::string out = run.out.empty() ? "" : run.out.substr(0, run.out.size() - 1);
        EXPECT_EQ(Join({std::to_string(run.status), Summary(run.err), out.substr(out.rfind('\n') + 1),
                        std::to_string(std::count(out.begin(), out.end(), '\t'))}),
                  completes ? Join({"0", noBackup.empty() ? "" : "tallowby-cli: " + noBackup + "\n", kScanCompleted,
                                    std::to_string(n)})
                            : Join({"1", NotBookSummary("\n"), "", "0"}));
    } else {  // exit status | the message | its box | ContactCount | contacts in the tree | its nodes
        const ChildRun run = RunInChild([&] {
            LimitChild();
            MemoryContactTree tree;
            PopulateDefaultTree(tree);
            FixedPath path(in.database);
            EventLog controls, boxes;
            RecordingControl control("control", controls);
            RecordingProgress progress;
            RecordingMessages messages(boxes);
            ScanWindow window{path, tree, progress, control, control, control, messages};
            ModuleState state;
            CmdEnumerateNotes_Click(window, state);
            const auto contacts = std::count_if(tree.nodes().begin(), tree.nodes().end(),
                                                [](const auto& node) { return node.image == kImageContact; });
            return Join({Summary(Join(messages.texts)), Join(boxes), std::to_string(state.ContactCount),
                         std::to_string(contacts), std::to_string(tree.nodes().size())});
        }, box.path(), in.asNobody);
        const std::string completed = kScanCompleted + (noBackup.empty() ? "" : "\r\n\r\n" + noBackup);
        EXPECT_EQ(Join({std::to_string(run.status), run.out}),
                  Join({"0", completes ? completed : NotBookSummary("\r\n"), "message "s + kCompanyTitle,
                        std::to_string(n), std::to_string(n), std::to_string(28 + n)}));  // 28: the empty tree
    }
    ExpectOnlyAdded(before, row.backup, true);
}

void BadInputMatrix::CheckExport() {
    const bool completes = row.outcome == kCompleted;
    SCOPED_TRACE(cli ? "export through tallowby-cli" : "export through the core");
    const Snapshot before = TakeSnapshot(in.folder);
    std::string message = row.outcome == kNotBook ? NotBookSummary("\r\n") : row.says;
    if (row.outcome == kFileError)
        message = "The worksheet could not be saved:\r\n" + in.target + "\r\n\r\nReason: " + message + ".\r\n\r\n" +
                  (fs::is_character_file(in.target)
                       ? "It is a device or a pipe and is written directly: what reached it before the failure is "
                         "incomplete. Check the device, then try again."
                       : "Nothing was written; an earlier file of that name is unchanged. Check the folder and the "
                         "free disk space, then try again.");
    if (row.outcome == ExportOutcome::Refused)
        message = "The worksheet would be written over the address book itself:\r\n" + in.target + "\r\n\r\n"
                  "Nothing was written. Give the address book a name that does not end in \".xls\", or "
                  "choose another worksheet file.";
    if (cli) {
        std::vector<std::string> args{TALLOWBY_CLI, "export", in.database};
        if (!in.output.empty()) args.insert(args.end(), {"--output", in.output});
        const ChildRun run = RunProgram(Command(args), box.path(), in.asNobody);
        std::string said = message;  // on a terminal: lines end in LF alone
        for (std::size_t at; (at = said.find("\r\n")) != std::string::npos;) said.erase(at, 1);
        EXPECT_EQ(Join({std::to_string(run.status), run.out, Summary(run.err)}),
                  completes ? Join({"0", said + "\n" + in.target + "\n", ""})
                            : Join({"1", "", row.outcome == kNotBook ? said : said + "\n"}));
    } else {
        const ChildRun run = RunInChild([&] {
            LimitChild();
            RecordingWindow window;
            const ExportResult result = window.Export(in.database, in.output);
            return Join({std::to_string(static_cast<int>(result.outcome)), std::to_string(result.contactsWritten),
                         Join(window.log), Summary(Join(window.messages.texts))});
        }, box.path(), in.asNobody);
        const std::string log = completes ? "CmdConversion enabled 0 | CmdContactsCreate enabled 0 | message "
                                            "Conversion Completed... | FrameConversionDone visible 1"
                                          : "message "s + kCompanyTitle;  // a failure leaves the window alone
        EXPECT_EQ(Join({std::to_string(run.status), run.out}),
                  Join({"0", std::to_string(static_cast<int>(row.outcome)), std::to_string(row.written), log,
                        message}));
    }
    ExpectOnlyAdded(before, completes ? fs::relative(in.target, in.folder).string() : "", false);
    if (!completes) return;
    // A complete record stream: 34 records before the cells, 39 cells a row, EOF last.
    const std::string bytes = ReadFile(in.target);
    const std::vector<Record> records = Records(bytes);
    ASSERT_EQ(records.size(), 34 + 39u * (row.written + 1) + 1);
    EXPECT_EQ(records.back().id, kEof);
    EXPECT_EQ(ParseLabel(records[records.size() - 2]).row, static_cast<unsigned>(row.written));
}

TEST_P(BadInputMatrix, ScanThenExport) {
    // Files a hostile book points at.
    WriteFile(box / "secret.txt", "Secret");
    WriteFile(box / "names.dtd", "<!ENTITY who 'Injected'>\n<!ENTITY % more SYSTEM 'more.dtd'>\n%more;\n");
    WriteFile(box / "more.dtd", "<!ENTITY other 'Also injected'>\n");
    row.setup(box, in);
    if (!in.skip.empty()) GTEST_SKIP() << in.skip;
    bookIdentity = Identity(in.database);
    ASSERT_TRUE(!in.output.empty() || row.outcome != kCompleted || OutputPathFor(in.database) == in.target)
        << "the formed name is " << OutputPathFor(in.database) << ", not the row's " << in.target;
    CheckScan();
    CheckExport();
}

std::string CaseName(const ::testing::TestParamInfo<BadInputMatrix::ParamType>& info) {
    return Rows()[std::get<0>(info.param)].name + std::string(std::get<1>(info.param) ? "_Cli" : "_Core");
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInputMatrix,
                         ::testing::Combine(::testing::Range<std::size_t>(0, Rows().size()), ::testing::Bool()),
                         CaseName);

} // namespace
} // namespace tallowby::test
