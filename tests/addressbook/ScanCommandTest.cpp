// tallowby-cli scan, run as a program: the tree printed one node a line, then the message.
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace tallowby {
namespace {

using namespace tallowby::test;

TEST(ScanCommand, PrintsTheTreeAndTheMessage) {
    TempDir dir;
    WriteFile(dir / "book.dxl",
              Book(Person("P1", "8fa", TextItem("FirstName", "Ann") + TextItem("MiddleInitial", "M.") +
                                           TextItem("LastName", "Lee")) +
                   Named("P2", "bob", "Adams") + Named("P3", "Émile", "Zola") + Named("P4", "", "") +
                   "<document form='Group'>" + TextItem("Type", "Group") + "</document>"));
    const std::string command = std::string(TALLOWBY_CLI) + " scan '" + (dir / "book.dxl") + "' >'" + (dir / "out") +
                                "' 2>'" + (dir / "err") + "' </dev/null";
    const int status = std::system(command.c_str());

    // Contact lines (display text, a tab, the key) in the view's order under their category.
    const std::multimap<std::string, std::string> contacts = {
        {"A", "Ann M. Lee\tP1-8fa"}, {"B", "bob Adams\tP2-1P2"}, {"Other", "\tP4-1P4"},
        {"E", "Émile Zola\tP3-1P3"}};
    std::string expected = "Notes Address Book\n";
    std::vector<std::string> categories;
    for (char c = 'A'; c <= 'Z'; ++c) categories.emplace_back(1, c);
    categories.emplace_back("Other");
    for (const auto& category : categories) {
        expected += "  " + category + "\n";
        for (auto [it, end] = contacts.equal_range(category); it != end; ++it) expected += "    " + it->second + "\n";
    }
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    EXPECT_EQ(ReadFile(dir / "out"), expected + "Notes Address Book Scan Completed\n");
    EXPECT_EQ(ReadFile(dir / "err"), "");
}

} // namespace
} // namespace tallowby
