// tallowby-cli as a program, for what no row of the bad-input matrix can show: the
// scan's listing, output that cannot be written and a signal during the backup copy.
#include "ExportTestSupport.h"

#include "addressbook/Messages.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::test {
namespace {

using namespace std::string_literals;

// Runs tallowby-cli with `args` in a child process, its standard output going to `out`.
ChildRun RunWithOutput(int out, const std::vector<std::string>& args, const std::string& capture) {
    return RunInChild([&]() -> std::string {
        std::vector<char*> argv{const_cast<char*>(TALLOWBY_CLI)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::dup2(out, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }, capture);
}

// The scan's listing: the root, each category and under it its contacts (display text,
// a tab, the key), then the message; an empty DATABASE is a usage error. Output that does not arrive is a failure with a
// message, never a success: a pipe whose reader has gone, and a full device (a
// /dev/full node of the test's own); for the scan, the export and the help.
TEST(CliOutput, TheListingWholeOrLostOutputAnError) {
    TempDir box;
    WriteFile(box / "book.dxl", SmallBook());
    const auto key = [](int n) {  // the UNID and the note ID that Person gives
        return std::string(26, '0') + std::to_string(100000 + n) + "-" + std::to_string(1000 + n);
    };
    const std::map<char, std::string> contacts = {
        {'A', "Ann Able\t" + key(1)}, {'B', "Bob Baker\t" + key(2)}, {'E', "\xC3\x89mile Zola\t" + key(3)}};
    std::string expected = "0\nNotes Address Book\n";
    for (char c = 'A'; c <= 'Z'; ++c)
        expected += "  "s + c + "\n" + (contacts.count(c) ? "    " + contacts.at(c) + "\n" : "");
    const ChildRun listed = RunProgram({TALLOWBY_CLI, "scan", box / "book.dxl"}, box.path());
    EXPECT_EQ(std::to_string(listed.status) + listed.err + "\n" + listed.out,
              expected + "  Other\n" + kScanCompleted + "\n");
    const ChildRun unnamed = RunProgram({TALLOWBY_CLI, "scan", ""}, box.path());
    EXPECT_EQ(std::to_string(unnamed.status) + unnamed.out, "2") << "an empty DATABASE is a usage error";

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // no reader
    const int full = ::mknod((box / "full").c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0
                         ? ::open((box / "full").c_str(), O_WRONLY) : -1;
    const std::pair<std::vector<std::string>, const char*> commands[] = {
        {{"scan", box / "book.dxl"}, "the contact tree"},
        {{"export", "--output", box / "book.xls", box / "book.dxl"}, "the export's result"},
        {{"--help"}, "the help"},
    };
    for (const auto& [args, what] : commands) {
        for (const auto& [out, error] : {std::pair{pipeEnds[1], "Broken pipe"}, {full, "No space left on device"}}) {
            if (out < 0) continue;
            const ChildRun run = RunWithOutput(out, args, box.path());
            EXPECT_EQ(std::to_string(run.status) + " " + run.err,
                      "1 tallowby-cli: cannot write "s + what + " to standard output: " + error + "\n");
        }
    }
    ::close(pipeEnds[1]);
    if (full < 0) GTEST_SKIP() << "cannot make a /dev/full node here (needs root); the closed pipe was tried";
    ::close(full);
}

// Ctrl-C, SIGTERM, SIGHUP or SIGKILL while the backup is copied: the program ends by
// the signal and leaves nothing behind: the older backup and the book stay as they
// were (the copy goes to a file with no name until it is complete, or to a name the
// signal handler removes). A hangup that was ignored when the program started (nohup)
// stays ignored: the scan completes.
TEST(ScanCommand, SignalDuringTheBackupLeavesNoPartialCopy) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL, 0}) {
        SCOPED_TRACE(signal ? strsignal(signal) : "SIGHUP ignored");
        TempDir box;
        const std::string folder = box / "book", book = folder + "/names.dxl", err = box / "err";
        fs::create_directory(folder);
        static const std::string big = DxlBook(Persons(150000));  // read for a good part of a second
        bool caught = false;
        for (int delay = 160; !caught && delay >= 5; delay /= 2) {
            WriteFile(folder + "/names.bak", "the older backup");
            WriteFile(book, big);
            const Snapshot before = TakeSnapshot(folder);
            const pid_t pid = ::fork();
            if (pid == 0) {  // the program, with the signal at its default action (or SIGHUP ignored)
                const int out = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (signal != 0) std::signal(signal, SIG_DFL);
                else std::signal(SIGHUP, SIG_IGN);
                if (out >= 0 && ::dup2(out, 1) >= 0 && ::dup2(out, 2) >= 0)
                    ::execl(TALLOWBY_CLI, TALLOWBY_CLI, "scan", book.c_str(), nullptr);
                ::_exit(127);
            }
            ::usleep(static_cast<useconds_t>(delay) * 1000);
            ::kill(pid, signal != 0 ? signal : SIGHUP);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
            if (signal == 0) {
                // Ignored: the scan completes, and its backup takes the older one's place.
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(err);
                EXPECT_EQ(ReadFile(folder + "/names.bak"), big);
                caught = true;
                continue;
            }
            caught = WIFSIGNALED(status) && WTERMSIG(status) == signal;
            // Else the scan was done before the signal came: give it the signal sooner.
            if (!caught) ASSERT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << ReadFile(err);
            else EXPECT_EQ(TakeSnapshot(folder), before);
        }
        if (!caught) GTEST_SKIP() << "the scan always ended before the signal arrived";
    }
}

} // namespace
} // namespace tallowby::test
