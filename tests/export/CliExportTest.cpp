// `tallowby-cli export` end to end: a small DXL book in the test's folder, the
// program run as a child process, its exit status, stdout, stderr and files.
#include "ExportTestSupport.h"

#include "addressbook/Messages.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tallowby::test {
namespace {

const char kSmallBook[] = R"(<?xml version='1.0' encoding='utf-8'?>
<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Small'>
<view name='People' alias='$People'><noteinfo noteid='11e' unid='FFFFFFFF0000011E0000000000000001' sequence='1'/></view>
<document form='Person'>
<noteinfo noteid='8fe' unid='00000001000000010000000000000001' sequence='1'/>
<item name='Type'><text>Person</text></item>
<item name='FirstName'><text>Émile</text></item>
<item name='LastName'><text>Dubois</text></item>
<item name='Suffix'><text>0</text></item>
<item name='Categories'><textlist><text>Customer</text><text>VIP</text></textlist></item>
</document>
<document form='Person'>
<noteinfo noteid='902' unid='00000001000000020000000000000001' sequence='1'/>
<item name='Type'><text>Person</text></item>
<item name='FirstName'><text>Ann</text></item>
<item name='LastName'><text>Lee</text></item>
</document>
<document form='Person'>
<noteinfo noteid='906' unid='00000001000000030000000000000001' sequence='1'/>
<item name='Type'><text>Person</text></item>
<item name='FirstName'><text>Bo</text></item>
<item name='CompanyName'><text>Lindqvist &amp; Söner AB</text></item>
</document>
</database>
)";

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs tallowby-cli with `args`; stdout and stderr go to files in `dir`. `path`, when
// given, replaces PATH in the child's environment.
Outcome RunCli(const TempDir& dir, const std::vector<std::string>& args,
               const std::string* path = nullptr) {
    const std::string outFile = dir / ".cli-stdout", errFile = dir / ".cli-stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argvText = {TALLOWBY_CLI};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        if (!path || std::string(*e).rfind("PATH=", 0) != 0) envText.emplace_back(*e);
    if (path) envText.push_back("PATH=" + *path);
    std::vector<char*> env;
    for (std::string& entry : envText) env.push_back(entry.data());
    env.push_back(nullptr);

    Outcome outcome;
    pid_t pid = 0;
    const int error = posix_spawn(&pid, TALLOWBY_CLI, &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return outcome;
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadFile(outFile);
    outcome.err = ReadFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return outcome;
}

class CliExportTest : public ::testing::Test {
protected:
    std::string Book(const std::string& name = "names.dxl") {
        const std::string path = dir / name;
        WriteFile(path, kSmallBook);
        return path;
    }
    std::size_t LabelCount(const std::string& file) {
        return Labels(ParseRecords(ReadFile(file))).size();
    }
    TempDir dir;
};

TEST_F(CliExportTest, WritesBesideTheBookAndPrintsTheMessageAndThePath) {
    const std::string book = Book("Names.DXL");
    const Outcome run = RunCli(dir, {"export", book});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3 Contacts Saved Successfully\n" + (dir / "names.xls") + "\n");
    EXPECT_EQ(run.err, "") << "no progress bar when stderr is no terminal";
    EXPECT_EQ(LabelCount(dir / "names.xls"), 4u * 39u);
    EXPECT_EQ(FolderEntries(dir.path()), (std::set<std::string>{"Names.DXL", "names.xls"}));
}

TEST_F(CliExportTest, WritesWhereOutputSays) {
    const std::string book = Book();
    fs::create_directories(dir.path() / "out");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", "--output", dir / "out/a.xls", book},
          std::vector<std::string>{"export", book, "--output=" + (dir / "out/b.xls")}}) {
        const Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("3 Contacts Saved Successfully\n"), std::string::npos);
    }
    EXPECT_EQ(LabelCount(dir / "out/a.xls"), 4u * 39u);
    EXPECT_EQ(LabelCount(dir / "out/b.xls"), 4u * 39u);
    EXPECT_FALSE(fs::exists(dir.path() / "names.xls"));
}

TEST_F(CliExportTest, NeverWritesOverTheBook) {
    const std::string book = Book();
    Outcome run = RunCli(dir, {"export", "--output", book, book});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("written over the address book"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(book), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(book), kSmallBook);

    const std::string named = Book("book.xls");
    run = RunCli(dir, {"export", named});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadFile(named), kSmallBook);
}

TEST_F(CliExportTest, FailuresGoToStderrWithExitStatusOne) {
    const std::string book = Book();

    Outcome run = RunCli(dir, {"export", dir / "absent.dxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(dir / "absent.dxl"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    run = RunCli(dir, {"export", "--output", dir / "missing/x.xls", book});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(dir / "missing/x.xls"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the folder does not exist"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "terminal line ends";

    const std::string text = dir / "notes.dxl";
    WriteFile(text, "this is not an address book\n");
    run = RunCli(dir, {"export", text});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(kNotAddressBook), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.path() / "notes.xls"));
}

TEST_F(CliExportTest, WrongUseShowsTheUsageWithExitStatusTwo) {
    const std::string book = Book();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export"}, std::vector<std::string>{"export", "--fast", book},
          std::vector<std::string>{"export", book, book},
          std::vector<std::string>{"export", book, "--output"},
          std::vector<std::string>{"export", "--output=", book}}) {
        const Outcome run = RunCli(dir, args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_NE(run.err.find("Usage: tallowby-cli export [--output FILE] [--open] DATABASE"),
                  std::string::npos) << run.err;
    }
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"names.dxl"});
}

TEST_F(CliExportTest, OpenHandsTheFileToXdgOpenWithoutAShell) {
    // A name a shell would act on: the opener must get it as one argument.
    const std::string book = Book("my book $(touch pwned).dxl");
    const std::string bin = dir / "bin";
    fs::create_directories(bin);
    WriteFile(bin + "/xdg-open",
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + (dir / "opened") +
                  "\"\necho 'opener says hello'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);

    const Outcome run = RunCli(dir, {"export", "--open", book}, &bin);
    const std::string worksheet = dir / "my book $(touch pwned).xls";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3 Contacts Saved Successfully\n" + worksheet + "\n")
        << "the opener's own output stays off stdout";
    EXPECT_EQ(ReadFile(dir / "opened"), worksheet + "\n");
    EXPECT_FALSE(fs::exists(dir.path() / "pwned"));
}

TEST_F(CliExportTest, OpenWithoutXdgOpenStillSucceeds) {
    const std::string book = Book();
    const std::string empty = dir / "nobin";
    fs::create_directories(empty);
    const Outcome run = RunCli(dir, {"export", "--open", book}, &empty);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("3 Contacts Saved Successfully"), std::string::npos);
    EXPECT_NE(run.err.find("xdg-open"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(dir.path() / "names.xls"));
}

} // namespace
} // namespace tallowby::test
