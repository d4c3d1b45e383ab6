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

// In a child with a mount namespace of its own, so that the mount lives and dies
// with it: `folder` mounted as `type` ("bind": read-only), then `body`.
Child WithMount(const std::string& folder, const char* type, const std::function<std::string()>& body) {
    return InChild([&] {
        const bool bind = std::string(type) == "bind";
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(bind ? folder.c_str() : "tallowby-test", folder.c_str(), bind ? nullptr : type,
                    bind ? MS_BIND : 0, bind ? nullptr : "size=1m") != 0 ||
            (bind && ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0))
            return std::string("skip: ") + std::strerror(errno);
        return body();
    });
}

TEST(Disk, FullDiskLeavesTheEarlierFileAndNoTemporaryName) {
    SKIP_UNLESS_ROOT();
    const Folder folder;
    ASSERT_EQ(::mkdir((folder / "disk").c_str(), 0755), 0);
    Make(folder / "source", std::string(2 << 20, 's'));
    for (const bool named : {false, true}) {
        const Child child = WithMount(folder / "disk", "tmpfs", [&] {
            files::testing::UseNamedTemporaries(named);
            return FillDisk(folder / "disk", folder / "source");
        });
        if (child.report.starts_with("skip: ")) GTEST_SKIP() << "cannot mount a small disk: " << child.report;
        EXPECT_EQ(child.report, "the disk is full|the disk is full|names.csv |old") << (named ? "named" : "O_TMPFILE");
    }
}

// Root may write any folder, but no disk mounted read-only: Open says so at once.
TEST(Disk, ReadOnlyDiskIsSaidSoBeforeAnyWork) {
    SKIP_UNLESS_ROOT();
    const Folder folder;
    ASSERT_EQ(::mkdir((folder / "disk").c_str(), 0755), 0);
    Make(folder / "disk/names.csv", "old");
    const Child child = WithMount(folder / "disk", "bind", [&] {
        std::string report;
        for (const char* name : {"new.csv", "names.csv"})
            for (const OutputOptions& options : {OutputOptions(), Staged()}) {
                Problem problem;
                report += (Output::Open(folder / "disk/" + name, options, problem) ? "opened" : problem.reason) + "|";
            }
        return report;
    });
    if (child.report.starts_with("skip: ")) GTEST_SKIP() << "cannot mount read-only: " << child.report;
    EXPECT_EQ(child.report, "the disk is read-only|the disk is read-only|the disk is read-only|the disk is read-only|");
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
