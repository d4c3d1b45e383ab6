// Commit puts a complete file in place, or leaves the target as it was: a staged
// writer's file, a verify that fails, a name that changed while the file was written,
// a copy stopped half way.
#include "FilesTestSupport.h"

#include <algorithm>

namespace tallowby::files::test {
namespace {

TEST(Commit, StagedFileMovesInOnlyWhenItVerifies) {
    for (const bool verifies : {true, false}) {
        SCOPED_TRACE(verifies ? "verifies" : "fails to verify");
        const Folder folder;
        Make(folder / "book.xlsx", "old", 0640);
        Problem problem;
        const auto out = Output::Open(folder / "book.xlsx", Staged(), problem);
        ASSERT_NE(out, nullptr) << problem.reason;
        EXPECT_EQ(out->fd(), -1);
        EXPECT_EQ(ModeOf(out->StagingFolder()), 0700u);
        EXPECT_EQ(out->StagingPath(), out->StagingFolder() + "/book.xlsx");
        Make(out->StagingPath(), "workbook", 0644);
        Make(out->StagingFolder() + "/writer.tmp", "the writer's own");
        const auto verify = [&](int fd, Problem& found) {
            char head[8] = {};
            const bool read = ::read(fd, head, sizeof head) == 8 && std::string(head, 8) == "workbook";
            if (!verifies || !read) found = {"it is not a workbook", "", 0};
            return verifies && read;
        };
        EXPECT_EQ(out->Commit(problem, verify), verifies);
        EXPECT_EQ(problem.reason, verifies ? "" : "it is not a workbook");
        EXPECT_EQ(Read(folder / "book.xlsx"), verifies ? "workbook" : "old");
        EXPECT_EQ(ModeOf(folder / "book.xlsx"), 0640u);
        EXPECT_EQ(Names(folder.path()), std::set<std::string>{"book.xlsx"});
    }
}

// A link, a pipe or a file put at the name while the output was written stays.
TEST(Commit, WhatTookTheNameMeanwhileIsLeftAlone) {
    struct Case {
        bool existed;
        std::function<void(const std::string&)> plant;
        std::string reason;
    };
    const Case cases[] = {
        {true, [](const std::string& at) { ::mkfifo(at.c_str(), 0600); },
         "it became a named pipe while the output was being written; it was left as it is"},
        {true, [](const std::string& at) { ::symlink("victim", at.c_str()); },
         "it became a symbolic link while the output was being written; it was left as it is"},
        {false, [](const std::string& at) { Make(at, "theirs"); },
         "a file of that name appeared while the output was being written; it was left as it is"},
    };
    ForBothTemporaries([&] {
        for (const Case& c : cases) {
            const Folder folder;
            Make(folder / "victim", "secret");
            if (c.existed) Make(folder / "names.csv", "old");
            Problem problem;
            const auto out = Output::Open(folder / "names.csv", {}, problem);
            ASSERT_NE(out, nullptr) << problem.reason;
            ASSERT_TRUE(out->Write("new", problem));
            ::unlink((folder / "names.csv").c_str());
            c.plant(folder / "names.csv");
            const struct stat planted = Lstat(folder / "names.csv");
            EXPECT_FALSE(out->Commit(problem));
            EXPECT_EQ(problem.reason, c.reason);
            EXPECT_EQ(Lstat(folder / "names.csv").st_ino, planted.st_ino);
            EXPECT_EQ(Read(folder / "victim"), "secret");
            EXPECT_FALSE(AnyTemporaryIn(folder.path()));
        }
    });
}

// In a folder others may write, a named temporary file swapped for a link is not
// renamed into place: the file is never reopened by name.
TEST(Commit, SwappedTemporaryNameIsNotPutInPlace) {
    const Folder folder;
    Make(folder / "victim", "secret");
    files::testing::UseNamedTemporaries(true);
    Problem problem;
    const auto out = Output::Open(folder / "names.csv", {}, problem);
    files::testing::UseNamedTemporaries(false);
    ASSERT_NE(out, nullptr) << problem.reason;
    ASSERT_TRUE(out->Write("new", problem));
    const auto names = Names(folder.path());
    const auto temporary = std::find_if(names.begin(), names.end(), [](auto& n) { return n.starts_with(".tallowby"); });
    ASSERT_NE(temporary, names.end());
    ASSERT_EQ(::rename((folder / *temporary).c_str(), (folder / "moved").c_str()), 0);
    ASSERT_EQ(::symlink("victim", (folder / *temporary).c_str()), 0);
    EXPECT_FALSE(out->Commit(problem));
    EXPECT_EQ(problem.reason, "its temporary file was replaced while it was written");
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "names.csv")));
    EXPECT_EQ(Read(folder / "victim"), "secret");
}

TEST(Commit, CopyFromCopiesTheRestOrStopsWhenAsked) {
    const Folder folder;
    std::string big(9 << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + (i / 4096) % 26);
    Make(folder / "source", "skip" + big);
    const int source = ::open((folder / "source").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(source, 0);
    for (const bool stop : {true, false}) {
        ASSERT_EQ(::lseek(source, 4, SEEK_SET), 4);
        Problem problem;
        const auto out = Output::Open(folder / "copy", {}, problem);
        ASSERT_NE(out, nullptr) << problem.reason;
        int asked = 0;
        const bool copied = out->CopyFrom(source, problem, [&] { return stop && ++asked > 1; });
        EXPECT_EQ(copied, !stop);
        if (stop) {
            EXPECT_EQ(problem.error, ECANCELED);
            EXPECT_EQ(problem.reason, "the work was stopped");
            out->Discard();
            EXPECT_EQ(Names(folder.path()), std::set<std::string>{"source"});
        } else {
            ASSERT_TRUE(out->Commit(problem)) << problem.reason;
            EXPECT_TRUE(Read(folder / "copy") == big);
        }
    }
    ::close(source);
}

} // namespace
} // namespace tallowby::files::test
