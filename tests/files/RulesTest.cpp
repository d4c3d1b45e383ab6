// What Open refuses, in the words the person reads. (Links of the user's own are
// followed for every format: FormatsTest.)
#include "FilesTestSupport.h"

namespace tallowby::files::test {
namespace {

struct Refusal {
    const char* what;
    std::function<std::string(const Folder&)> prepare;  // returns the path to open
    std::string reason;  // "$F" stands for the test's folder
    int error;
    OutputOptions options = {};
};

TEST(Rules, OpenRefusesWithAReasonThatSaysWhy) {
    const Refusal refusals[] = {
        {"missing folder", [](const Folder& f) { return f / "nope/names.csv"; }, "the folder does not exist", ENOENT},
        {"a folder", [](const Folder& f) { return f.path(); }, "it is a folder", EISDIR},
        {"a name ending in /", [](const Folder& f) { return f / "x/"; }, "it is a folder", EISDIR},
        {"a name too long", [](const Folder& f) { return f / std::string(300, 'n'); }, "the name is too long",
         ENAMETOOLONG},
        {"a path too long",
         [](const Folder& f) {
             std::string path = f.path();
             while (path.size() < 5000) path += "/" + std::string(200, 'p');
             return path + "/names.csv";
         },
         "the name is too long", ENAMETOOLONG},
        {"a file of /proc", [](const Folder&) { return std::string("/proc/self/status"); }, "the file is read-only",
         EACCES},
        {"an existing file, replace off",
         [](const Folder& f) {
             Make(f / "names.csv", "old");
             return f / "names.csv";
         },
         "it exists already", EEXIST, NoReplace()},
        {"a link loop",
         [](const Folder& f) {
             ::symlink("b", (f / "a").c_str());
             ::symlink("a", (f / "b").c_str());
             return f / "a";
         },
         "it leads through too many symbolic links", ELOOP},
        {"a link into a missing folder",
         [](const Folder& f) {
             ::symlink((f / "gone/names.csv").c_str(), (f / "link").c_str());
             return f / "link";
         },
         "the folder of the link's target $F/gone/names.csv does not exist", ENOENT},
        {"a pipe nobody reads",
         [](const Folder& f) {
             ::mkfifo((f / "pipe").c_str(), 0600);
             return f / "pipe";
         },
         "it is a named pipe that nobody reads", ENXIO},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const Folder folder;
        const std::string path = r.prepare(folder);
        const auto before = Names(folder.path());
        Problem problem;
        EXPECT_EQ(Output::Open(path, r.options, problem), nullptr);
        std::string reason = r.reason;
        if (const auto at = reason.find("$F"); at != std::string::npos) reason.replace(at, 2, folder.path());
        EXPECT_EQ(problem.reason, reason);
        EXPECT_EQ(problem.error, r.error);
        EXPECT_EQ(Names(folder.path()), before);
    }
}

TEST(Rules, TheAddressBookIsNeverWrittenUnderAnyName) {
    const Folder folder;
    Make(folder / "names.dxl", "<database/>");
    ASSERT_EQ(::link((folder / "names.dxl").c_str(), (folder / "hard.csv").c_str()), 0);
    ASSERT_EQ(::symlink("names.dxl", (folder / "soft.csv").c_str()), 0);
    for (const char* name : {"names.dxl", "hard.csv", "soft.csv"}) {
        Problem problem;
        EXPECT_EQ(Output::Open(folder / name, Protecting(IdentityOf(folder / "names.dxl")), problem), nullptr);
        EXPECT_EQ(problem.reason, "it is the address book itself") << name;
        EXPECT_EQ(problem.error, EEXIST);
    }
    EXPECT_EQ(Read(folder / "names.dxl"), "<database/>");
}

TEST(Rules, ReadOnlyFileIsRefusedAsTheShellRefusesIt) {
    const Folder folder;
    Make(folder / "names.csv", "old", 0444);
    Problem problem;
    EXPECT_EQ(Output::Open(folder / "names.csv", {}, problem), nullptr);  // root too
    EXPECT_EQ(problem.reason, "the file is read-only");
    EXPECT_EQ(problem.remedy, "Make it writable (chmod u+w), or choose another name.");
    EXPECT_EQ(Read(folder / "names.csv"), "old");
    if (::geteuid() != 0) return;
    ASSERT_EQ(::chown((folder / "names.csv").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    EXPECT_EQ(InChild([&] { return WriteOutput(folder / "names.csv", "new"); }, kNobody).report, "the file is read-only");
    EXPECT_EQ(Read(folder / "names.csv"), "old");
}

} // namespace
} // namespace tallowby::files::test
