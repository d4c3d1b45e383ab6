// Temporary names go when a run is interrupted; what a killed run left is removed by
// the next, and nothing else is.
#include "FilesTestSupport.h"

#include <csignal>
#include <ctime>
#include <thread>

#include <sys/file.h>

namespace tallowby::files::test {
namespace {

// In a child: a named temporary (or a staged output with a writer's extra file),
// then `signal`, raised on the main thread or another one. Reports the temporary
// names that stood just before.
std::string InterruptedRun(const Folder& folder, int signal, bool staged, bool fromThread, bool ignored) {
    if (ignored) ::signal(SIGTERM, SIG_IGN);
    InstallSignalCleanup();
    InstallSignalCleanup();  // a second call changes nothing
    files::testing::UseNamedTemporaries(true);
    Problem problem;
    const auto out = Output::Open(folder / "names.csv", staged ? Staged() : OutputOptions(), problem);
    if (!out) return problem.reason;
    if (staged) {
        Make(out->StagingPath(), "workbook");
        Make(out->StagingFolder() + "/writer.tmp", "the writer's own");
    } else if (!out->Write("partial", problem)) {
        return problem.reason;
    }
    ReportNow(AnyTemporaryIn(folder.path()) ? "temporary " : "none ");
    if (fromThread) std::thread([signal] { ::raise(signal); }).join();
    else ::raise(signal);
    struct sigaction term {}, interrupt {};
    ::sigaction(SIGTERM, nullptr, &term);
    ::sigaction(SIGINT, nullptr, &interrupt);
    const bool stillThere = AnyTemporaryIn(folder.path());
    ::_exit(term.sa_handler == SIG_IGN && interrupt.sa_handler != SIG_DFL && stillThere ? 3 : 4);
}

TEST(Cleanup, SignalsRemoveTemporaryNamesThenEndTheRun) {
    struct Case {
        const char* what;
        int signal;
        bool staged, fromThread;
    };
    for (const Case c : {Case{"named file", SIGTERM, false, false}, Case{"private folder", SIGHUP, true, false},
                         Case{"signal on another thread", SIGINT, false, true}}) {
        SCOPED_TRACE(c.what);
        const Folder folder;
        const Child child = InChild([&] { return InterruptedRun(folder, c.signal, c.staged, c.fromThread, false); });
        EXPECT_EQ(child.report, "temporary ");
        EXPECT_EQ(child.status, 128 + c.signal);
        EXPECT_TRUE(Names(folder.path()).empty());
    }
}

TEST(Cleanup, IgnoredSignalStaysIgnored) {
    const Folder folder;
    const Child child = InChild([&] { return InterruptedRun(folder, SIGTERM, false, false, true); });
    EXPECT_EQ(child.report, "temporary ");
    EXPECT_EQ(child.status, 3) << "SIGTERM ignored, SIGINT handled, the temporary name kept by the ignored signal";
}

TEST(Cleanup, SweepRemovesOnlyOldLeftoversOfThisUserNobodyHolds) {
    const Folder folder;
    const auto old = [&](const std::string& name) {
        const struct timespec times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder / name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    };
    Make(folder / ".tallowby-tmp-AAAAAAAAAA", "killed run");
    old(".tallowby-tmp-AAAAAAAAAA");
    ASSERT_EQ(::mkdir((folder / ".tallowby-tmp-BBBBBBBBBB").c_str(), 0700), 0);
    Make(folder / ".tallowby-tmp-BBBBBBBBBB/book.xlsx", "killed staged run");
    old(".tallowby-tmp-BBBBBBBBBB");
    std::set<std::string> kept = {".tallowby-tmp-short", ".tallowby-tmp-CCCCCCCCC!", ".tallowby-tmp-DDDDDDDDDD",
                                  ".tallowby-tmp-EEEEEEEEEE", ".tallowby-tmp-FFFFFFFFFF", "names.csv"};
    for (const char* name : {".tallowby-tmp-short", ".tallowby-tmp-CCCCCCCCC!", ".tallowby-tmp-FFFFFFFFFF"}) {
        Make(folder / name, "not a leftover to remove");
        old(name);
    }
    Make(folder / ".tallowby-tmp-DDDDDDDDDD", "newer than this run");
    ASSERT_EQ(::symlink("names.csv", (folder / ".tallowby-tmp-EEEEEEEEEE").c_str()), 0);
    old(".tallowby-tmp-EEEEEEEEEE");
    const int live = ::open((folder / ".tallowby-tmp-FFFFFFFFFF").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);  // a slow run of the same user, still writing
    if (::geteuid() == 0) {
        Make(folder / ".tallowby-tmp-GGGGGGGGGG", "another user's");
        ASSERT_EQ(::chown((folder / ".tallowby-tmp-GGGGGGGGGG").c_str(), kOther, kOther), 0);
        old(".tallowby-tmp-GGGGGGGGGG");
        kept.insert(".tallowby-tmp-GGGGGGGGGG");
    }
    EXPECT_EQ(WriteOutput(folder / "names.csv", "new"), "ok");
    EXPECT_EQ(Names(folder.path()), kept);
    ::close(live);
}

} // namespace
} // namespace tallowby::files::test
