// tallowby-cli scan, run as a program: the printed tree, the message, the exit status.
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace tallowby {
namespace {

using namespace tallowby::testing;
namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CliRun RunCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = Quote(TALLOWBY_CLI);
    for (const auto& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(dir / "stdout.txt") + " 2>" + Quote(dir / "stderr.txt") + " </dev/null";
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFile(dir / "stdout.txt");
    run.err = ReadFile(dir / "stderr.txt");
    fs::remove(dir / "stdout.txt");
    fs::remove(dir / "stderr.txt");
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Person(const std::string& unid, const std::string& noteid, const std::string& first,
                   const std::string& last, const std::string& extra = "") {
    std::string doc = "<document form='Person'>\n <noteinfo noteid='" + noteid + "' unid='" + unid +
                      "' sequence='1'/>\n <item name='Type'><text>Person</text></item>\n";
    if (!first.empty()) doc += " <item name='FirstName'><text>" + first + "</text></item>\n";
    if (!last.empty()) doc += " <item name='LastName'><text>" + last + "</text></item>\n";
    return doc + extra + "</document>\n";
}

const char kSmallBook[] =
    "<?xml version='1.0' encoding='utf-8'?>\n"
    "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Small Directory'>\n";

std::string SmallBook() {
    return std::string(kSmallBook) +
           Person("AAAA0000000000000000000000000001", "8fa", "Ann", "Lee",
                  " <item name='MiddleInitial'><text>M.</text></item>\n") +
           Person("AAAA0000000000000000000000000002", "8fb", "bob", "Adams") +
           Person("AAAA0000000000000000000000000003", "8fc", "\xC3\x89mile", "Zola") +
           Person("AAAA0000000000000000000000000004", "8fd", "", "") +
           Person("AAAA0000000000000000000000000005", "8fe", "Zoe", "Quinn") +
           "<document form='Group'>\n <noteinfo noteid='900' unid='AAAA0000000000000000000000000009'/>\n"
           " <item name='Type'><text>Group</text></item>\n"
           " <item name='ListName'><text>Sales Team</text></item>\n</document>\n"
           "</database>\n";
}

// The default tree's lines with contact lines inserted after their category.
std::string ExpectedTree(const std::multimap<std::string, std::string>& contacts) {
    std::string out = "Notes Address Book\n";
    std::vector<std::string> categories;
    for (char c = 'A'; c <= 'Z'; ++c) categories.emplace_back(1, c);
    categories.emplace_back("Other");
    for (const auto& category : categories) {
        out += "  " + category + "\n";
        const auto [begin, end] = contacts.equal_range(category);
        for (auto it = begin; it != end; ++it) out += "    " + it->second + "\n";
    }
    return out;
}

TEST(ScanCommand, PrintsTheTreeThenTheCompletionMessage) {
    TempDir dir;
    WriteFile(dir / "book.dxl", SmallBook());
    const CliRun run = RunCli(dir, {"scan", dir / "book.dxl"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The view orders by last name, then first name: "" (no names), Adams, Lee, Quinn, Zola.
    const std::string expected =
        ExpectedTree({{"A", "Ann M. Lee\tAAAA0000000000000000000000000001-8fa"},
                      {"B", "bob Adams\tAAAA0000000000000000000000000002-8fb"},
                      {"Z", "Zoe Quinn\tAAAA0000000000000000000000000005-8fe"},
                      {"Other", "\tAAAA0000000000000000000000000004-8fd"},
                      {"Other", "\xC3\x89mile Zola\tAAAA0000000000000000000000000003-8fc"}}) +
        "Notes Address Book Scan Completed\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(dir / "book.bak"), SmallBook());  // the backup beside the book
}

TEST(ScanCommand, FailureMessageGoesToStderrWithoutATree) {
    TempDir dir;
    WriteFile(dir / "not-a-book.dxl", "this is not XML at all");
    WriteFile(dir / "no-people.dxl", std::string(kSmallBook) + "</database>\n");
    for (const std::string name : {"not-a-book.dxl", "no-people.dxl", "missing.dxl"}) {
        SCOPED_TRACE(name);
        const CliRun run = RunCli(dir, {"scan", dir / name});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, std::string(kNotAddressBook) + "\nAddress book: " +
                               (dir / name) + "\n");
    }
    EXPECT_EQ(ReadFile(dir / "not-a-book.bak"), "this is not XML at all");
    EXPECT_FALSE(fs::exists(dir / "missing.bak"));
}

TEST(ScanCommand, WrongUsageExitsTwo) {
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"scan"}, {"scan", "a.dxl", "b.dxl"}, {"scan", "--bogus"}}) {
        const CliRun run = RunCli(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("tallowby-cli scan DATABASE"), std::string::npos);
    }
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{});
}

TEST(ScanCommand, SampleBookListsEveryPersonOnce) {
    const fs::path sample = fs::path(TALLOWBY_EXAMPLES_DIR) / "names.dxl";
    if (!fs::exists(sample)) GTEST_SKIP() << "no " << sample;
    TempDir dir;
    fs::copy_file(sample, dir / "names.dxl");
    const CliRun run = RunCli(dir, {"scan", dir / "names.dxl"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_GT(lines.size(), 29u);
    EXPECT_EQ(lines.front(), "Notes Address Book");
    EXPECT_EQ(lines.back(), "Notes Address Book Scan Completed");

    std::vector<std::string> categories;
    std::set<std::string> keys;
    std::size_t contacts = 0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("    ", 0) == 0) {
            ++contacts;
            const auto tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << line;
            EXPECT_EQ(line.find('\t', tab + 1), std::string::npos) << line;
            const std::string key = line.substr(tab + 1);
            EXPECT_NE(key.find('-'), std::string::npos) << line;
            EXPECT_TRUE(keys.insert(key).second) << "twice: " << key;
        } else {
            ASSERT_EQ(line.rfind("  ", 0), 0u) << line;
            categories.push_back(line.substr(2));
        }
    }
    ASSERT_EQ(categories.size(), 27u);
    EXPECT_EQ(categories.front(), "A");
    EXPECT_EQ(categories[25], "Z");
    EXPECT_EQ(categories.back(), "Other");
    EXPECT_GE(contacts, 150u);
    EXPECT_TRUE(fs::exists(dir / "names.bak"));
}

} // namespace
} // namespace tallowby
