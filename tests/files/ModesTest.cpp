// Permissions: a new file has its final ones from its first moment; an earlier file
// passes its own on only when it is the user's.
#include "FilesTestSupport.h"

namespace tallowby::files::test {
namespace {

TEST(Modes, NewFileNeverWiderThanModeAndUmaskAllow) {
    struct Case {
        mode_t umask, mode, final;
    };
    const Case cases[] = {{077, 0600, 0600}, {077, 0644, 0600}, {022, 0644, 0644}, {022, 0600, 0600}, {027, 0666, 0640}};
    ForBothTemporaries([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE("umask " + std::to_string(c.umask) + " mode " + std::to_string(c.mode));
            const Folder folder;
            const Umask mask(c.umask);
            Problem problem;
            const auto out = Output::Open(folder / "names.csv", WithMode(c.mode), problem);
            ASSERT_NE(out, nullptr) << problem.reason;
            struct stat writing {};
            ASSERT_EQ(::fstat(out->fd(), &writing), 0);
            EXPECT_EQ(writing.st_mode & 07777, c.final);
            ASSERT_TRUE(out->Write("new", problem) && out->Commit(problem)) << problem.reason;
            EXPECT_EQ(ModeOf(folder / "names.csv"), c.final);
        }
    });
}

TEST(Modes, EarlierFileKeepsItsModeOnlyWhenTheUsersOwn) {
    ForBothTemporaries([] {
        for (const mode_t mode : {0640, 0755, 0600}) {
            const Folder folder;
            const Umask mask(022);
            Make(folder / "names.csv", "old", mode);
            Problem problem;
            const auto out = Output::Open(folder / "names.csv", WithMode(0666), problem);
            ASSERT_NE(out, nullptr) << problem.reason;
            struct stat writing {};
            ASSERT_EQ(::fstat(out->fd(), &writing), 0);
            EXPECT_EQ(writing.st_mode & ~mode & 0777, 0u) << "wider than the final mode while written";
            ASSERT_TRUE(out->Write("new", problem) && out->Commit(problem)) << problem.reason;
            EXPECT_EQ(ModeOf(folder / "names.csv"), mode);
            EXPECT_EQ(Read(folder / "names.csv"), "new");
        }
    });
}

} // namespace
} // namespace tallowby::files::test
