// A disk that fills and a file size limit: the reason is the system's, said in words,
// and the earlier file and the folder stay as they were.
#include "FilesTestSupport.h"

#include <csignal>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace tallowby::files::test {
namespace {

// "<what Write said>|<what CopyFrom said>|<names left>|<the earlier file>".
std::string FillDisk(const std::string& disk, const std::string& source) {
    Make(disk + "/names.csv", "old");
    std::string report;
    for (const bool copy : {false, true}) {
        Problem problem;
        auto out = Output::Open(disk + "/names.csv", {}, problem);
        const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        const bool done = out && (copy ? out->CopyFrom(from, problem) : out->Write(std::string(2 << 20, 'x'), problem)) &&
                          out->Commit(problem);
        ::close(from);
        out.reset();
        report += (done ? "written" : problem.reason) + "|";
    }
    for (const std::string& name : Names(disk)) report += name + " ";
    return report + "|" + Read(disk + "/names.csv");
}

TEST(Disk, FullDiskLeavesTheEarlierFileAndNoTemporaryName) {
    SKIP_UNLESS_ROOT();
    const Folder folder;
    ASSERT_EQ(::mkdir((folder / "disk").c_str(), 0755), 0);
    Make(folder / "source", std::string(2 << 20, 's'));
    for (const bool named : {false, true}) {
        const Child child = InChild([&] {
            // The mount lives and dies with this child's own mount namespace.
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tallowby-test", (folder / "disk").c_str(), "tmpfs", 0, "size=1m") != 0)
                return std::string("skip: ") + std::strerror(errno);
            files::testing::UseNamedTemporaries(named);
            return FillDisk(folder / "disk", folder / "source");
        });
        if (child.report.starts_with("skip: ")) GTEST_SKIP() << "cannot mount a small disk: " << child.report;
        EXPECT_EQ(child.report, "the disk is full|the disk is full|names.csv |old") << (named ? "named" : "O_TMPFILE");
    }
}

TEST(Disk, FileSizeLimitIsNamed) {
    const Folder folder;
    const Child child = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Problem problem;
        const auto out = Output::Open(folder / "names.csv", {}, problem);
        if (!out) return "not opened: " + problem.reason;
        if (out->Write(std::string(10000, 'x'), problem)) return std::string("written");
        return problem.reason + "|" + std::to_string(problem.error == EFBIG);
    });
    EXPECT_EQ(child.report, "the file would be larger than the file size limit allows|1");
    EXPECT_TRUE(Names(folder.path()).empty());
}

} // namespace
} // namespace tallowby::files::test
