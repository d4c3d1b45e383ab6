// The bad-input matrix: every row is an address book (or a place to write to) that
// goes wrong in its own way. Each row runs tallowby-cli scan and then tallowby-cli
// export (the handlers of the windows, with stand-ins for their controls), each in a
// child process, and checks: no crash, the expected message, the address book byte for
// byte as it was, no temporary or partial file left, an earlier worksheet untouched.
#include "ExportTestSupport.h"

#include "addressbook/Messages.h"
#include "files/Problem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
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
    std::string limit;  // a limit for prlimit to set on each run ("" none)
};
using Setup = std::function<void(TempDir&, Input&)>;

// The book `bytes` at `relative` under work/ ("@ROOT@" in it is the test's folder),
// its worksheet `worksheet` beside it, holding an earlier worksheet when `earlier`;
// then `more`, for what else the row needs.
Setup At(const std::string& relative, const std::string& bytes, const std::string& worksheet, bool earlier = true,
         const Setup& more = {}) {
    return [=, bytes = std::make_shared<const std::string>(bytes)](TempDir& box, Input& in) {  // shared: no copies
        in.database = box / ("work/" + relative);
        in.folder = fs::path(in.database).parent_path();
        in.target = in.folder + "/" + worksheet;
        fs::create_directories(in.folder);
        std::string text = *bytes;
        for (std::size_t at; (at = text.find("@ROOT@")) != std::string::npos;) text.replace(at, 6, box.path());
        WriteFile(in.database, text);
        if (earlier) WriteFile(in.target, kEarlierWorksheet);
        if (more) more(box, in);
    };
}

// The contacts the scan lists (-1: it shows the not-an-address-book message), the
// backup it adds or replaces (relative to the folder, "" none), the export's outcome
// and rows written, and what they say: a completed export's message or a file error's
// reason; why the book cannot be read (the message's Reason line, for the scan and the
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
    const char* remedy = "Check the folder and the free disk space, then try again.";  // of a file error
};

constexpr auto kCompleted = ExportOutcome::Completed, kFileError = ExportOutcome::FileError,
               kNotBook = ExportOutcome::NotAddressBook;

// A book that cannot be read, and why.
Row Unreadable(const char* name, const Setup& setup, const char* backup, const char* reason) {
    return {name, setup, -1, backup, kNotBook, 0, "", reason};
}
// A book of three persons, scanned and exported.
Row Saved(const char* name, const Setup& setup, const char* backup, const char* noBackup = "") {
    return {name, setup, 3, backup, kCompleted, 3, "3 Contacts Saved Successfully", "", noBackup};
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        Unreadable("MissingPath", At("missing.dxl", "", "missing.xls", true, [](TempDir&, Input& in) {
                       fs::remove(in.database);
                   }), "", "the file does not exist"),
        Unreadable("EmptyFile", At("names.dxl", "", "names.xls"), "", "the file is empty"),
        Unreadable("Folder", At("names.dxl", "", "names.xls", true, [](TempDir&, Input& in) {
                       fs::remove(in.database);
                       fs::create_directory(in.database);
                   }), "", "it is a folder, not a file"),
        Unreadable("FifoAsBook", At("names.dxl", "", "names.xls", true, [](TempDir&, Input& in) {
                       fs::remove(in.database);  // read, it would wait for a writer for ever
                       if (::mkfifo(in.database.c_str(), 0644) != 0) in.skip = "cannot make a named pipe here";
                   }), "", "it is not a regular file but a named pipe (FIFO)"),
        Unreadable("BinaryNsf", At("names.nsf", BinaryNsf(), "names.xls"), "",
                   "it is not well-formed XML at line 1, column 0 (invalid token)"),
        Unreadable("TruncatedDxl", At("names.dxl", SmallBook().substr(0, SmallBook().find("Baker")), "names.xls"),
                   "", "it is not well-formed XML at line 12, column 28 (no element found)"),
        Unreadable("ExternalEntity", At("names.dxl", WithDoctype("<!DOCTYPE database [<!ENTITY ext SYSTEM 'file://"
                                                                 "@ROOT@/secret.txt'>]>", "&ext;"), "names.xls"),
                   "", "it declares entities (\"ext\" first), refused for safety"),
        // Were the DTD read, &who; would be "Injected" and the book would open.
        Unreadable("ExternalDtd", At("names.dxl", WithDoctype("<!DOCTYPE database SYSTEM 'file://@ROOT@/names.dtd'>",
                                                              "&who;"), "names.xls"),
                   "", "it uses the undefined entity \"who\""),
        Unreadable("EntityExpansionBomb", At("names.dxl", BillionLaughs(), "names.xls"), "",
                   "it declares entities (\"lol0\" first), refused for safety"),
        Unreadable("NotDxl", At("names.dxl", "<database title='x'><document form='Person'/></database>", "names.xls"),
                   "", "it is not a Notes DXL database: its root element is <database>, not <database> in "
                   "the namespace http://www.lotus.com/dxl"),
        // A lead byte without its continuation, then an encoded surrogate.
        Unreadable("InvalidUtf8", At("names.dxl", DxlBook(Person(1, "Ren\xC3\x28", "Able") + Person(2, "\xED\xA0\x80",
                                                                                                  "B")), "names.xls"),
                   "", "it is not well-formed XML at line 6, column 32 (a character that is not valid there: "
                   "was the file saved in another encoding?)"),
        Unreadable("UnknownEncoding", At("names.dxl", "<?xml version='1.0' encoding='Shift_JIS'?>" +
                                                          SmallBook().substr(SmallBook().find('\n')), "names.xls"),
                   "", "it is not well-formed XML at line 1, column 30 (unknown encoding: UTF-8, UTF-16, "
                   "ISO-8859-1 and US-ASCII can be read)"),
        // The large books are made only when their row runs.
        {"TenMegabyteValue", [](TempDir& box, Input& in) {
             At("long.dxl", DxlBook(Persons(1, "<item name='Comment'><text>" + std::string(10 << 20, 'x') +
                                               "</text></item>")), "long.xls", false)(box, in);
         }, 1, "long.bak", kCompleted, 1,
         "1 Contacts Saved Successfully\r\n\r\n1 value was longer than 255 characters and was shortened."},
        Unreadable("NoPersonDocuments", At("groups.dxl", DxlBook("<document form='Group'><item name='Type'><text>Group"
                                                                 "</text></item></document>\n"), "groups.xls"),
                   "", "it holds no person documents"),
        Unreadable("UnreadableFile", At("names.dxl", SmallBook(), "names.xls", true, [](TempDir& box, Input& in) {
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
                       if (probe.out != "0-1") in.skip = "the user nobody cannot use the folder, or can read mode 000";
                   }), "", "permission to read it was denied"),
        Saved("PathWithSpacesAndQuotes", At("it's \"my\" books/O'Brien \"Names\" Book.DXL", SmallBook(),
                                            "o'brien \"names\" book.xls", false), "O'Brien \"Names\" Book.bak"),
        Saved("PathWithNewlineAndNonAscii", At("two\nlines Adressb\xC3\xBC" "cher \xE5\x90\x8D\xE7\xB0\xBF/"
                                               "\xC3\x84rzte\nZ\xC3\xBCrich.DXL", SmallBook(),
                                               "\xC3\x84rzte\nz\xC3\xBCrich.xls", false),
              "\xC3\x84rzte\nZ\xC3\xBCrich.bak"),
        {"ReadOnlyFolder", At("names.dxl", SmallBook(), "names.xls", true, [](TempDir& box, Input& in) {
             in.skip = box.MountReadOnly(in.folder);
         }), 3, "", kFileError, 0, "the disk is read-only", "", "cannot write @/names.bak: the disk is read-only",
         "Choose a folder on a disk that can be written."},
        {"MissingOutputFolder", At("names.dxl", SmallBook(), "missing/names.xls", false, [](TempDir&, Input& in) {
             in.output = in.target;
         }), 3, "names.bak", kFileError, 0, "the folder does not exist", "", "",
         "Create the folder first, or choose another one."},
        {"FullDisk", [](TempDir& box, Input& in) {  // 32 KB left: less than the backup or the worksheet needs
             fs::create_directories(box / "work/disk");
             if (!(in.skip = box.MountSmallDisk(box / "work/disk", "1m")).empty()) return;
             At("disk/names.dxl", DxlBook(Persons(200)), "names.xls")(box, in);
             struct statvfs disk {};
             const std::uintmax_t free = ::statvfs(in.folder.c_str(), &disk) == 0 ? disk.f_bavail * disk.f_frsize : 0;
             if (free <= 32 * 1024) in.skip = "the small disk is full before the test begins";
             else WriteFile(in.folder + "/filler.bin", std::string(free - 32 * 1024, 'f'));
         }, 200, "", kFileError, 0, "the disk is full", "", "cannot write @/names.bak: the disk is full",
         "Free some space on the disk, or choose another folder, then try again."},
        // --output to a /dev/full node of its own.
        {"OutputIsAFullDevice", At("names.dxl", SmallBook(), "full", false, [](TempDir&, Input& in) {
             in.output = in.target;
             const int fd = ::mknod(in.target.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0
                                ? ::open(in.target.c_str(), O_WRONLY) : -1;
             if (fd < 0 || ::write(fd, "x", 1) >= 0 || errno != ENOSPC) in.skip = "cannot make a /dev/full node here";
             if (fd >= 0) ::close(fd);
         }), 3, "names.bak", kFileError, 0, "the disk is full"},
        Saved("OlderBackup", At("names.dxl", SmallBook(), "names.xls", false, [](TempDir&, Input& in) {
                  WriteFile(in.folder + "/names.bak", "an older, longer backup");
              }), "names.bak"),
        // The backup replaces an older one only for a book read to its end.
        Unreadable("MalformedBookKeepsTheOlderBackup",
                   At("names.dxl", SmallBook().substr(0, SmallBook().find("Baker")), "names.xls", true,
                      [](TempDir&, Input& in) { WriteFile(in.folder + "/names.bak", "an older, good backup"); }),
                   "", "it is not well-formed XML at line 12, column 28 (no element found)"),
        Saved("FolderAsBackup", At("names.dxl", SmallBook(), "names.xls", false, [](TempDir&, Input& in) {
                  fs::create_directory(in.folder + "/names.bak");
              }), "", "cannot write @/names.bak: it is a folder"),
        Saved("BakDatabase", At("names.bak", SmallBook(), "names.xls", false), "",
              "cannot write @/names.bak: it is the address book itself"),
        // The backup lies beside the book: mail/ab.bak, never ../mai.bak (the last four
        // characters of the path replaced).
        Saved("BookWithoutExtension", At("mail/ab", SmallBook(), "ab.xls", false, [](TempDir& box, Input& in) {
                  in.folder = box / "work";
                  WriteFile(in.folder + "/mai.bak", "an unrelated file");
              }), "mail/ab.bak"),
        // A backup copied over own.bak would give the book a new file (inode and owner).
        Saved("BookLinkedToItsBackup", At("own.bak", SmallBook(), "own.xls", false, [](TempDir&, Input& in) {
                  in.database = in.folder + "/own.dxl";
                  fs::create_symlink("own.bak", in.database);
              }), "", "cannot write @/own.bak: it is the address book itself"),
        // Documents without identity, and a replica's repeated UNID: each its own contact.
        {"RepeatedIdentities", At("names.dxl", DxlBook(
             Person(1, "Ann", "Able") + Person(1, "Ann", "Able") + Person(2, "Bob", "Baker") +
             "<document form='Person'><item name='FirstName'><text>Cid</text></item></document>\n"
             "<document form='Person'><item name='FirstName'><text>Dan</text></item></document>\n"), "names.xls", false),
         5, "names.bak", kCompleted, 5, "5 Contacts Saved Successfully"},
        // Under a file size limit, writes fail with EFBIG instead of ending the program.
        {"FileSizeLimit", At("names.dxl", DxlBook(Persons(300)), "names.xls", true, [](TempDir&, Input& in) {
             in.limit = "--fsize=16384";
         }), 300, "", kFileError, 0, "the file would be larger than the file size limit allows", "",
         "cannot write @/names.bak: the file would be larger than the file size limit allows",
         "Raise the file size limit (ulimit -f), or choose a disk that allows larger files."},
        // Less memory than the book needs: 12 MB more address space than the program
        // needs to start (its libraries), found 4 MB at a time; the book needs 60 MB more.
        Unreadable("OutOfMemory", [](TempDir& box, Input& in) {
            At("big.dxl", DxlBook(Persons(60000, "<item name='Comment'><text>" + std::string(200, 'c') +
                                                     "</text></item>")), "big.xls")(box, in);
            long megabytes = 8;
            for (; megabytes <= 2048; megabytes += 4)
                if (RunProgram({"prlimit", "--as=" + std::to_string(megabytes << 20), TALLOWBY_CLI, "--help"},
                               box.path()).status == 0) break;
            in.limit = "--as=" + std::to_string((megabytes + 12) << 20);
#if defined(__SANITIZE_ADDRESS__)
            in.skip = "AddressSanitizer reserves more address space than any limit would leave";
#endif
        }, "", "there is not enough memory to read it"),
        {"OutputNameIsTheBook", At("book.xls", SmallBook(), "book.xls", false), 3, "book.bak", ExportOutcome::Refused},
        {"OutputIsTheBook", At("names.dxl", SmallBook(), "names.dxl", false, [](TempDir&, Input& in) {
             in.output = in.target;
         }), 3, "names.bak", ExportOutcome::Refused},
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

// Param: the row.
class BadInputMatrix : public ::testing::TestWithParam<std::size_t> {
protected:
    void CheckScan();
    void CheckExport();
    // The folder holds what it held before, unchanged, but for `added`, new or replaced
    // (for a backup: the book's bytes); the book is still the same file.
    void ExpectOnlyAdded(Snapshot before, const std::string& added, bool backup) {
        Snapshot after = TakeSnapshot(in.folder);
        EXPECT_EQ(after.count(added), added.empty() ? 0u : 1u) << "no " << added;
        EXPECT_TRUE(!backup || added.empty() || after[added] == before.at(fs::relative(in.database, in.folder)));
        after.erase(added);
        before.erase(added);
        EXPECT_EQ(after, before);
        EXPECT_EQ(Identity(in.database), bookIdentity);
    }
    static std::string Identity(const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) : "";
    }
    // The message for this row's unreadable book, up to its reason.
    std::string NotBookSummary() const {
        return kNotAddressBook + ("\n\nFile: " + in.database + "\nReason: " + row.reason + ". <what to do>");
    }
    // tallowby-cli with `args` in a child process, under the row's file size limit.
    ChildRun Cli(std::vector<std::string> args) const {
        args.insert(args.begin(), TALLOWBY_CLI);
        if (!in.limit.empty()) args.insert(args.begin(), {"prlimit", in.limit});
        return RunProgram(args, box.path(), in.asNobody);
    }

    const Row& row = Rows()[GetParam()];
    TempDir box;
    Input in;
    std::string bookIdentity;
};

void BadInputMatrix::CheckScan() {
    SCOPED_TRACE("tallowby-cli scan");
    std::string noBackup = row.noBackup;
    if (const auto at = noBackup.find('@'); at != std::string::npos) noBackup.replace(at, 1, in.folder);
    if (!noBackup.empty()) noBackup = "tallowby-cli: "s + kNoBackup + noBackup + ".\n";
    const Snapshot before = TakeSnapshot(in.folder);
    // exit status | stderr | the last line | lines before it: the root, 27 categories and
    // the contacts | lines that name a contact (with a tab)
    const ChildRun run = Cli({"scan", in.database});
    const std::string out = run.out.empty() ? "" : run.out.substr(0, run.out.size() - 1);
    EXPECT_EQ(Join({std::to_string(run.status), Summary(run.err), out.substr(out.rfind('\n') + 1),
                    std::to_string(std::count(out.begin(), out.end(), '\n')),
                    std::to_string(std::count(out.begin(), out.end(), '\t'))}),
              row.contacts < 0 ? Join({"1", NotBookSummary(), "", "0", "0"})
                               : Join({"0", noBackup, kScanCompleted, std::to_string(28 + row.contacts),
                                       std::to_string(row.contacts)}));
    ExpectOnlyAdded(before, row.backup, true);
}

void BadInputMatrix::CheckExport() {
    SCOPED_TRACE("tallowby-cli export");
    const bool completes = row.outcome == kCompleted;
    const Snapshot before = TakeSnapshot(in.folder);
    std::string message = row.outcome == kNotBook ? NotBookSummary() : row.says;
    std::erase(message, '\r');  // on a terminal, lines end in LF alone
    if (row.outcome == kFileError)
        message = "The worksheet could not be saved:\n" + in.target + "\n\nReason: " + message + ".\n\n" +
                  (fs::is_character_file(in.target)
                       ? "It is a device or a pipe and is written directly: what reached it before the failure is "
                         "incomplete. Check the device, then try again."
                       : "Nothing was written; an earlier file of that name is unchanged. " + std::string(row.remedy));
    if (row.outcome == ExportOutcome::Refused)
        message = "The worksheet would be written over the address book itself:\n" + in.target + "\n\n" +
                  (in.output.empty() ? "Nothing was written. Give the address book a name that does not end in "
                                       "\".xls\", or choose another worksheet file."
                                     : "Nothing was written. Choose another worksheet file.");
    std::vector<std::string> args{"export", in.database};
    if (!in.output.empty()) args.insert(args.end(), {"--format", "xls", "--output", in.output});
    const ChildRun run = Cli(args);
    EXPECT_EQ(Join({std::to_string(run.status), run.out, Summary(run.err)}),
              completes ? Join({"0", message + "\n" + files::Printable(in.target) + "\n", ""})
                        : Join({"1", "", row.outcome == kNotBook ? message : message + "\n"}));
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

INSTANTIATE_TEST_SUITE_P(Rows, BadInputMatrix, ::testing::Range<std::size_t>(0, Rows().size()),
                         [](const auto& info) { return std::string(Rows()[info.param].name); });

} // namespace
} // namespace tallowby::test
