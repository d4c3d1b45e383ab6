// tallowby-cli as a program: the scan's listing, and what the commands do when their
// output cannot be written, when a signal comes during the backup, and when the
// memory runs out.
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tallowby {
namespace {

using namespace tallowby::test;

// A run of tallowby-cli: standard output goes to `out` (a descriptor), standard error
// to a file in `dir`. Every signal has its default action in the program.
struct Cli {
    pid_t Start(const std::vector<std::string>& args, int out) {
        std::vector<std::string> argv = {TALLOWBY_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        if (!prefix.empty()) argv.insert(argv.begin(), prefix.begin(), prefix.end());
        std::vector<char*> pointers;
        for (auto& arg : argv) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        if (posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }
    // Exit status, or 128 + the signal that ended it.
    static int Wait(pid_t pid) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int Run(const std::vector<std::string>& args, int out) { return Wait(Start(args, out)); }
    std::string Err() const { return ReadFile(dir / "err"); }

    const TempDir& dir;
    std::vector<std::string> prefix = {};
};

std::string SmallBook() {
    return Book(Person("P1", "8fa", TextItem("FirstName", "Ann") + TextItem("MiddleInitial", "M.") +
                                         TextItem("LastName", "Lee")) +
                Named("P2", "bob", "Adams") + Named("P3", "Émile", "Zola") + Named("P4", "", "") +
                "<document form='Group'>" + TextItem("Type", "Group") + "</document>");
}

TEST(ScanCommand, PrintsTheTreeAndTheMessage) {
    TempDir dir;
    WriteFile(dir / "book.dxl", SmallBook());
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Cli cli{dir};
    const int status = cli.Run({"scan", dir / "book.dxl"}, out);
    ::close(out);

    // Contact lines (display text, a tab, the key) in the view's order under their category.
    const std::multimap<std::string, std::string> contacts = {
        {"A", "Ann M. Lee\tP1-8fa"}, {"B", "bob Adams\tP2-1P2"}, {"Other", "\tP4-1P4"},
        {"E", "Émile Zola\tP3-1P3"}};
    std::string expected = "Notes Address Book\n";
    std::vector<std::string> categories;
    for (char c = 'A'; c <= 'Z'; ++c) categories.emplace_back(1, c);
    categories.emplace_back("Other");
    for (const auto& category : categories) {
        expected += "  " + category + "\n";
        for (auto [it, end] = contacts.equal_range(category); it != end; ++it) expected += "    " + it->second + "\n";
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir / "out"), expected + "Notes Address Book Scan Completed\n");
    EXPECT_EQ(cli.Err(), "");
}

// Output that does not arrive is a failure with a message, never a success: a full
// device (a /dev/full node of the test's own) and a pipe whose reader has gone.
TEST(CliOutput, LostOutputIsAnError) {
    TempDir dir;
    WriteFile(dir / "book.dxl", SmallBook());
    const bool fullDevice = ::mknod((dir / "full").c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // no reader
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {"scan", {"scan", dir / "book.dxl"}, "the contact tree"},
        {"export", {"export", "--output", dir / "book.xls", dir / "book.dxl"}, "the export's result"},
        {"help", {"--help"}, "the help"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Cli cli{dir};
        EXPECT_EQ(cli.Run(c.args, pipeEnds[1]), 1);
        EXPECT_EQ(cli.Err(), "tallowby-cli: cannot write " + std::string(c.says) + " to standard output: Broken pipe\n");
        if (!fullDevice) continue;
        const int full = ::open((dir / "full").c_str(), O_WRONLY);
        EXPECT_EQ(cli.Run(c.args, full), 1);
        ::close(full);
        EXPECT_EQ(cli.Err(),
                  "tallowby-cli: cannot write " + std::string(c.says) + " to standard output: No space left on device\n");
    }
    ::close(pipeEnds[1]);
    if (!fullDevice) GTEST_SKIP() << "cannot make a /dev/full node here (needs root); the closed pipe was tried";
}

// Ctrl-C, SIGTERM or SIGHUP while the backup is copied: the partial copy goes, the
// program ends by the signal, the older backup and the book stay as they were.
TEST(ScanCommand, SignalDuringTheBackupLeavesNoPartialCopy) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        bool caught = false;
        for (off_t size = off_t{64} << 20; !caught && size <= (off_t{512} << 20); size *= 2) {
            WriteFile(dir / "names.bak", "the older backup");
            // A big book (its content does not matter: the backup comes first).
            const int book = ::open((dir / "names.dxl").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_EQ(::ftruncate(book, size), 0);
            ::close(book);
            const int watch = ::inotify_init1(IN_CLOEXEC);
            ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
            const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            Cli cli{dir};
            const pid_t pid = cli.Start({"scan", dir / "names.dxl"}, out);
            ::close(out);
            ASSERT_GT(pid, 0);
            alignas(inotify_event) char events[4096];
            for (bool seen = false; !seen;) {  // the temporary copy appears: interrupt now
                const ssize_t n = ::read(watch, events, sizeof events);
                ASSERT_GT(n, 0);
                for (char* p = events; p < events + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                    seen = seen || std::string(reinterpret_cast<inotify_event*>(p)->name).starts_with(".tallowby-copy-");
            }
            ::kill(pid, signal);
            ::close(watch);
            const int status = Cli::Wait(pid);
            if (status == 128 + signal) caught = true;
            else ASSERT_EQ(status, 1) << cli.Err();  // the copy was done before the signal came: try a bigger book
        }
        if (!caught) GTEST_SKIP() << "the backup was always complete before the signal arrived";
        EXPECT_EQ(FileNames(dir.path()), (std::set<std::string>{"names.bak", "names.dxl", "err", "out"}));
        EXPECT_EQ(ReadFile(dir / "names.bak"), "the older backup");
    }
}

// Under a memory limit too small for the book: "not enough memory", exit status 1,
// no temporary file; the backup, made first, is whole.
TEST(ScanCommand, OutOfMemorySaysSo) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit would leave";
#else
    TempDir dir;
    std::string persons;
    for (int i = 0; i < 60000; ++i) {
        const std::string n = std::to_string(i);
        persons += Person("U" + n, n, TextItem("FirstName", "First" + n) + TextItem("LastName", "Last" + n) +
                                          TextItem("Comment", std::string(200, 'c')));
    }
    WriteFile(dir / "big.dxl", Book(persons));
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The least address space the program starts in (its libraries), 4 MB at a time;
    // 12 MB more lets the scan begin, and the book needs about 60 MB more.
    Cli cli{dir};
    long megabytes = 8;
    for (; megabytes <= 2048; megabytes += 4) {
        cli.prefix = {"prlimit", "--as=" + std::to_string((megabytes) << 20)};
        if (cli.Run({"--help"}, out) == 0) break;
    }
    cli.prefix = {"prlimit", "--as=" + std::to_string((megabytes + 12) << 20)};
    const int status = cli.Run({"scan", dir / "big.dxl"}, out);
    ::close(out);
    EXPECT_EQ(status, 1) << cli.Err();
    EXPECT_NE(cli.Err().find("\nReason: there is not enough memory to read it.\n"), std::string::npos) << cli.Err();
    EXPECT_EQ(FileNames(dir.path()), (std::set<std::string>{"big.bak", "big.dxl", "err", "out"}));
    EXPECT_EQ(ReadFile(dir / "big.bak"), ReadFile(dir / "big.dxl"));
#endif
}

} // namespace
} // namespace tallowby
