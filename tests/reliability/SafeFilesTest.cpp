// Files written safely, through tallowby-cli as a person runs it: a nearly full disk
// and a file size limit over books of many sizes (never a "successful" file with rows
// missing), links, pipes and files planted by another user in a shared folder, the
// permissions of what is written, standard output, a read-only target, values that
// spreadsheets would run as formulas, "_xHHHH_" in a workbook, and reasons that name
// the real cause. Each case checks the message, the exit status, and that every other
// file is byte for byte as it was.
#include "ExportTestSupport.h"

#include "files/Problem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tallowby::test {
namespace {

using namespace std::string_literals;

const std::string kEarlier = "an earlier file, which a failed export must keep\n";

// tallowby-cli with `args` through /bin/sh (`shell` before it: a umask, a redirection).
ChildRun Cli(const TempDir& box, const std::string& shell, const std::vector<std::string>& args,
             bool asNobody = false) {
    std::string command = shell + " '" TALLOWBY_CLI "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    return RunProgram({"/bin/sh", "-c", command}, box.path(), asNobody);
}

// Persons with a few more items each, so that a book's size grows with its persons.
std::string Book(int persons) {
    return DxlBook(Persons(persons, "<item name='CompanyName'><text>Corvane Shipping and Trading</text></item>"
                                    "<item name='Comment'><text>" + std::string(120, 'c') + "</text></item>\n"));
}

// The rows a reader finds in a file of the format ("" when it cannot read it).
std::string RowsRead(const TempDir& box, ExportFormat format, const std::string& file) {
    const char* script =
        "import sys\n"
        "f, p = sys.argv[1], sys.argv[2]\n"
        "if f == 'xlsx':\n"
        "    import openpyxl; print(openpyxl.load_workbook(p, read_only=True)['Contacts'].max_row)\n"
        "elif f == 'xls':\n"
        "    import xlrd; print(xlrd.open_workbook(p).sheet_by_index(0).nrows)\n"
        "else:\n"
        "    import csv; print(len(list(csv.reader(open(p, encoding='utf-8-sig', newline='')))))\n";
    const ChildRun run = RunProgram({"/usr/bin/python3", "-c", script, std::string(FormatName(format)), file},
                                    box.path());
    return run.status == 0 ? run.out.substr(0, run.out.find('\n')) : "";
}

// A small disk, or a file size limit, and books of many sizes: each export either
// completes with every row readable, or fails saying why and keeps the earlier file.
// (Rows of 16,384 and more would hide from xlrd; these books stay well below.)
TEST(SafeFiles, AFullDiskOrASizeLimitNeverGivesAFileWithRowsMissing) {
    for (const bool sizeLimit : {false, true}) {
        TempDir box;
        const std::string disk = box / "disk";
        fs::create_directories(disk);
        std::string shell;
        if (sizeLimit) {
            shell = "prlimit --fsize=" + std::to_string(256 << 10);
        } else if (const std::string why = box.MountSmallDisk(disk, "2m"); !why.empty()) {
            GTEST_SKIP() << why;
        }
        for (const ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Xls, ExportFormat::Csv}) {
            int completed = 0, refused = 0;
            for (const int persons : {100, 500, 700, 925, 1400, 3000, 6000, 12000}) {
                SCOPED_TRACE(std::string(FormatName(format)) + " " + std::to_string(persons) +
                             (sizeLimit ? " size limit" : " small disk"));
                const std::string book = box / "names.dxl";
                const std::string target = disk + "/names" + std::string(FormatExtension(format));
                WriteFile(book, Book(persons));
                WriteFile(target, kEarlier);
                const ChildRun run = Cli(box, shell, {"export", "--output", target, book});
                if (run.status == 0) {
                    ++completed;
                    EXPECT_EQ(RowsRead(box, format, target), std::to_string(persons + 1));
                } else {
                    ++refused;
                    EXPECT_EQ(run.status, 1);
                    EXPECT_TRUE(run.err.find(sizeLimit ? "Reason: the file would be larger than the file size limit"
                                                       : "Reason: the disk is full") != std::string::npos ||
                                run.err.find("Reason: the finished workbook is incomplete") != std::string::npos)
                        << run.err;
                    EXPECT_EQ(ReadFile(target), kEarlier);
                }
                // Only the targets are in the folder: no temporary file is left.
                for (const auto& entry : fs::directory_iterator(disk))
                    EXPECT_TRUE(entry.path().stem() == "names") << "left behind: " << entry.path();
            }
            EXPECT_GT(completed, 0) << FormatName(format) << ": every export failed, the sizes do not test the limit";
            EXPECT_GT(refused, 0) << FormatName(format) << ": no export met the limit";
        }
    }
}

// In a shared folder (sticky, world-writable, like /tmp) another user plants a link
// at the workbook's and the backup's names, leading to the victim's private file, and
// a pipe at the CSV's. The victim's export and scan refuse them, and say why; the
// victim's file is never touched. As root, a set-id file of another user at the
// target lends it nothing: the new file has the book's permissions.
TEST(SafeFiles, AnotherUsersLinksAndPipesInASharedFolderAreRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "two users are made with chown, which needs root";
    constexpr uid_t kAttacker = 65533;
    TempDir box;
    fs::permissions(box.path(), fs::perms::others_exec, fs::perm_options::add);
    const std::string shared = box / "shared", home = box / "home", secret = home + "/secret";
    fs::create_directories(shared);
    fs::create_directories(home);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    WriteFile(secret, "the victim's private file\n");
    ASSERT_EQ(::chown(secret.c_str(), kNobody, kNobody), 0);
    ::chmod(secret.c_str(), 0600);
    const std::string book = shared + "/names.dxl";
    WriteFile(book, SmallBook());
    ASSERT_EQ(::chown(book.c_str(), kNobody, kNobody), 0);
    const auto plant = [&](const std::string& name, bool pipe) {
        const std::string path = shared + "/" + name;
        ASSERT_EQ(pipe ? ::mkfifo(path.c_str(), 0666) : ::symlink(secret.c_str(), path.c_str()), 0);
        ASSERT_EQ(::lchown(path.c_str(), kAttacker, kAttacker), 0);
    };
    plant("names.xlsx", false);
    plant("names.bak", false);
    plant("names.csv", true);
    const Snapshot before = TakeSnapshot(box.path());

    ChildRun run = Cli(box, "", {"export", "--format", "xlsx", book}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Reason: it is a symbolic link of another user in a shared folder"), std::string::npos)
        << run.err;
    run = Cli(box, "", {"export", "--format", "csv", book}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Reason: it is a named pipe of another user in a shared folder"), std::string::npos)
        << run.err;
    run = Cli(box, "", {"scan", book}, true);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("No backup copy was made: cannot write " + shared +
                           "/names.bak: it is a symbolic link of another user in a shared folder"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(TakeSnapshot(box.path()), before);

    // Root's export over another user's set-id file: replaced, nothing of its mode kept.
    const std::string planted = shared + "/names.xls";
    WriteFile(planted, "planted");
    ASSERT_EQ(::chown(planted.c_str(), kAttacker, kAttacker), 0);
    ASSERT_EQ(::chmod(planted.c_str(), 06777), 0);
    ::chmod(book.c_str(), 0640);
    run = Cli(box, "umask 022;", {"export", book});
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(::stat(planted.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_uid, 0u);
}

// A new file has the book's permissions limited by the umask, the backup too. (What
// an earlier file passes on is files::Output's rule: ModesTest.)
TEST(SafeFiles, PermissionsComeFromTheBookAndTheUmask) {
    const struct { mode_t book; const char* umask; mode_t expected; } cases[] = {
        {0600, "022", 0600}, {0644, "077", 0600}, {0666, "027", 0640}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.book) + " " + c.umask);
        TempDir box;
        const std::string book = box / "names.dxl";
        WriteFile(book, SmallBook());
        ::chmod(book.c_str(), c.book);
        const std::string umask = std::string("umask ") + c.umask + ";";
        ASSERT_EQ(Cli(box, umask, {"export", "--format", "csv", book}).status, 0);
        ASSERT_EQ(Cli(box, umask, {"scan", book}).status, 0);
        struct stat csv {}, backup {};
        ASSERT_EQ(::stat((box / "names.csv").c_str(), &csv), 0);
        ASSERT_EQ(::stat((box / "names.bak").c_str(), &backup), 0);
        EXPECT_EQ(csv.st_mode & 07777, c.expected);
        EXPECT_EQ(backup.st_mode & 07777, c.expected);
    }
}

// "-" and /dev/stdout write to the descriptor the program was given: a pipe, or a
// file opened with ">>", whose earlier lines stay; the message goes to stderr. A
// workbook for standard output is built in $TMPDIR first, and an unusable $TMPDIR is
// named in the reason.
TEST(SafeFiles, StandardOutputIsWrittenNeverReplaced) {
    TempDir box;
    const std::string book = box / "names.dxl", log = box / "log.csv", piped = box / "piped.xlsx";
    WriteFile(book, SmallBook());
    WriteFile(log, "an earlier line\n");
    ChildRun run = RunProgram({"/bin/sh", "-c", "'" TALLOWBY_CLI "' export --format csv --output /dev/stdout '" + book +
                                           "' >> '" + log + "'"}, box.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "3 Contacts Saved Successfully\n");
    const std::string appended = ReadFile(log);
    EXPECT_TRUE(appended.starts_with("an earlier line\n\xEF\xBB\xBF" "First Name,")) << appended.substr(0, 40);
    run = RunProgram({"/bin/sh", "-c", "TMPDIR='" + box.path().string() + "' '" TALLOWBY_CLI
                                           "' export --format xlsx --output - '" + book + "' | cat > '" + piped + "'"},
                     box.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(RowsRead(box, ExportFormat::Xlsx, piped), "4");
    run = RunProgram({"/bin/sh", "-c", "TMPDIR=/nonexistent-tallowby '" TALLOWBY_CLI
                                           "' export --format xlsx --output - '" + book + "' | cat > /dev/null"},
                     box.path());
    EXPECT_NE(run.err.find("Reason: the temporary folder /nonexistent-tallowby (from $TMPDIR) does not exist."),
              std::string::npos)
        << run.err;
}

// Reasons that name the real cause, and names shown with their control characters
// escaped. `@` stands for the test's folder.
TEST(SafeFiles, ReasonsNameTheRealCause) {
    TempDir box;
    const std::string book = box / "names.dxl";
    WriteFile(book, SmallBook());
    WriteFile(box / "ro.xls", kEarlier);
    ::chmod((box / "ro.xls").c_str(), 0444);
    std::string utf32 = "\xFF\xFE\0\0"s;
    for (const char c : SmallBook()) utf32 += std::string(1, c) + "\0\0\0"s;
    WriteFile(box / "u32.dxl", utf32);
    const struct { std::vector<std::string> args; std::string says; } cases[] = {
        {{"export", "--output", "@/ro.xls", book}, "Reason: the file is read-only.\n\nNothing was written; an earlier "
                                                   "file of that name is unchanged. Make it writable (chmod u+w), or "
                                                   "choose another name."},
        {{"scan", "@/u32.dxl"}, "Reason: it is encoded in UTF-32, which cannot be read."},
        {{"scan", "-rf.dxl"}, "unknown option '-rf.dxl' (use ./-rf.dxl for a file of that name)"},
        {{"export", "--output", "@/in\x1b[31mred\n.txt", book},
         "the extension of '@/in\\033[31mred\\n.txt' (.txt) names no format"},
        {{"export", "--output", "@/no\x1b]folder/x.csv", book}, "could not be saved:\n@/no\\033]folder/x.csv\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args;
        for (std::string arg : c.args) {
            if (arg[0] == '@') arg.replace(0, 1, box.path());
            args.push_back(arg);
        }
        std::string says = c.says;
        if (const auto at = says.find('@'); at != std::string::npos) says.replace(at, 1, box.path());
        const Snapshot before = TakeSnapshot(box.path());
        const ChildRun run = Cli(box, "", args);
        EXPECT_NE(run.status, 0) << args.front();
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << "an escape sequence reached the terminal";
        EXPECT_EQ(TakeSnapshot(box.path()), before);
    }
}

// Values a spreadsheet would run as formulas are written exactly and counted, or with
// --csv-formulas guard after an apostrophe; phone numbers and a plain "-" are neither.
// Fields holding ";" or a tab are quoted, so that a semicolon-splitting import keeps
// the columns.
TEST(SafeFiles, CsvFormulasCountedOrGuarded) {
    TempDir box;
    const std::string book = box / "names.dxl";
    WriteFile(book, DxlBook(Person(1, "=HYPERLINK(\"x\")", "Able",
                                   "<item name='OfficePhoneNumber'><text>+49 151 0000</text></item>"
                                   "<item name='JobTitle'><text>-</text></item>"
                                   "<item name='CompanyName'><text>@corp</text></item>"
                                   "<item name='Department'><text>-sum</text></item>"
                                   "<item name='Location'><text>a;b</text></item>")));
    for (const bool guard : {false, true}) {
        std::vector<std::string> args{"export", "--format", "csv", book};
        if (guard) args.insert(args.begin() + 1, "--csv-formulas=guard");
        const ChildRun run = Cli(box, "", args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(guard ? "3 values begin like a formula (=, +, -, @) and was written after an "
                                       "apostrophe"
                                     : "3 values begin like a formula (=, +, -, @, a tab)"),
                  std::string::npos)
            << run.out;
        const std::string csv = ReadFile(box / "names.csv");
        const std::string row = csv.substr(csv.find("\r\n") + 2);
        EXPECT_TRUE(row.starts_with(guard ? "\"'=HYPERLINK(\"\"x\"\")\",,Able,,,,'@corp,-,\"a;b\",,'-sum,"
                                          : "\"=HYPERLINK(\"\"x\"\")\",,Able,,,,@corp,-,\"a;b\",,-sum,"))
            << row;
        EXPECT_NE(row.find(",+49 151 0000,"), std::string::npos);
    }
}

// "_xHHHH_" written in a value stays as written for every reader of the workbook
// (openpyxl, Gnumeric, LibreOffice), where some would turn it into a character.
TEST(SafeFiles, UnderscoreXEscapesReadAsWritten) {
    TempDir box;
    const std::string book = box / "names.dxl";
    WriteFile(book, DxlBook(Person(1, "a_x000D_b", "_x0041__x005F_")));
    ASSERT_EQ(Cli(box, "", {"export", "--format", "xlsx", book}).status, 0);
    const ChildRun openpyxl = RunProgram(
        {"/usr/bin/python3", "-c",
         "import openpyxl, sys; s = openpyxl.load_workbook(sys.argv[1])['Contacts']; print(s['A2'].value, s['C2'].value)",
         box / "names.xlsx"}, box.path());
    EXPECT_EQ(openpyxl.out, "a_x000D_b _x0041__x005F_\n") << openpyxl.err;
    const std::string env = "HOME='" + box.path().string() + "' ";
    const ChildRun gnumeric = RunProgram({"/bin/sh", "-c", env + "ssconvert --export-type=Gnumeric_stf:stf_csv '" +
                                                               (box / "names.xlsx") + "' fd://1 2>/dev/null"},
                                         box.path());
    EXPECT_TRUE(gnumeric.out.find("a_x000D_b,,_x0041__x005F_") != std::string::npos) << gnumeric.out;
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice (soffice) is missing";
    const ChildRun office = RunProgram({"/bin/sh", "-c", env + "soffice --headless --convert-to csv --outdir '" +
                                                             (box / "lo") + "' '" + (box / "names.xlsx") + "' >/dev/null 2>&1"},
                                       box.path());
    ASSERT_EQ(office.status, 0);
    EXPECT_NE(ReadFile(box / "lo/names.csv").find("a_x000D_b,,_x0041__x005F_"), std::string::npos)
        << ReadFile(box / "lo/names.csv");
}

} // namespace
} // namespace tallowby::test
