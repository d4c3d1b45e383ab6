// Standard output is written through the descriptor the program was given, whatever
// it is: a pipe, a file opened with >> (earlier lines stay), or nothing at all.
#include "FilesTestSupport.h"

#include <cstdlib>

namespace tallowby::files::test {
namespace {

// In a child: standard output becomes a pipe; returns what reached it.
std::string CapturedStandardOutput(const std::function<std::string()>& write) {
    int pipe[2];
    if (::pipe(pipe) != 0 || ::dup2(pipe[1], 1) < 0) return "no pipe";
    ::close(pipe[1]);
    const std::string failure = write();
    ::close(1);
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
    return failure.empty() ? got : failure;
}

TEST(StandardOutput, EveryNameOfItWritesThePipeItIs) {
    const Child child = InChild([] {
        return CapturedStandardOutput([] {
            for (const std::string name : {"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
                Problem problem;
                const auto out = Output::Open(name, {}, problem);
                if (!out || out->kind() != Output::Kind::StandardOutput || out->fd() != 1) return name + " not stdout";
                if (!out->Write(name + ";", problem) || !out->Commit(problem)) return problem.reason;
            }
            return std::string();
        });
    });
    EXPECT_EQ(child.report, "-;/dev/stdout;/dev/fd/1;/proc/self/fd/1;");
}

TEST(StandardOutput, AppendingKeepsEarlierLines) {
    const Folder folder;
    Make(folder / "log", "earlier\n");
    Make(folder / "source", "copied\n");
    const Child child = InChild([&] {
        const int log = ::open((folder / "log").c_str(), O_WRONLY | O_APPEND);
        const int source = ::open((folder / "source").c_str(), O_RDONLY);
        if (log < 0 || source < 0 || ::dup2(log, 1) < 0) return std::string("no log");
        Problem problem;
        const auto out = Output::Open("/dev/stdout", {}, problem);
        if (out && out->Write("later\n", problem) && out->CopyFrom(source, problem) && out->Commit(problem))
            return std::string("ok");
        return problem.reason;
    });
    EXPECT_EQ(child.report, "ok");
    EXPECT_EQ(Read(folder / "log"), "earlier\nlater\ncopied\n");
}

TEST(StandardOutput, ClosedIsSaidSo) {
    const Child child = InChild([] {
        ::close(1);
        Problem problem;
        return Output::Open("-", {}, problem) ? std::string("opened") : problem.reason;
    });
    EXPECT_EQ(child.report, "standard output is closed");
}

TEST(StandardOutput, StagedOutputIsCopiedThereFromTheTemporaryFolder) {
    const Folder folder;
    const Child child = InChild([&] {
        ::setenv("TMPDIR", folder.path().c_str(), 1);
        return CapturedStandardOutput([&] {
            Problem problem;
            const auto out = Output::Open("-", Staged(), problem);
            if (!out) return problem.reason;
            if (out->StagingPath() != out->StagingFolder() + "/output" || !out->StagingFolder().starts_with(folder.path()))
                return "staged at " + out->StagingPath();
            Make(out->StagingPath(), "workbook");
            return out->Commit(problem) ? std::string() : problem.reason;
        });
    });
    EXPECT_EQ(child.report, "workbook");
    EXPECT_TRUE(Names(folder.path()).empty());

    const Child unusable = InChild([&] {
        ::setenv("TMPDIR", (folder / "nope").c_str(), 1);
        Problem problem;
        return Output::Open("-", Staged(), problem) ? std::string("opened") : problem.reason;
    });
    EXPECT_EQ(unusable.report, "the temporary folder " + folder / "nope" + " (from $TMPDIR) does not exist");
}

} // namespace
} // namespace tallowby::files::test
