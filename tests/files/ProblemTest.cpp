// The reasons the whole program gives for a failed call, and paths as messages show them.
#include "files/Problem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>

namespace tallowby::files {
namespace {

TEST(Problem, FromErrnoGivesAFittingRemedy) {
    const Problem full = FromErrno(ENOSPC);
    EXPECT_EQ(full.reason, "the disk is full");
    EXPECT_EQ(full.remedy, "Free some space on the disk, or choose another folder, then try again.");
    EXPECT_EQ(full.error, ENOSPC);
    EXPECT_EQ(FromErrno(ECANCELED).remedy, "");  // the person stopped it: nothing to advise
    // An error with no words of ours: the system's text, in lower case, and no advice.
    EXPECT_EQ(FromErrno(EXDEV).reason, "invalid cross-device link");
    EXPECT_EQ(FromErrno(EXDEV).remedy, "");
}

TEST(Problem, PrintableLetsNoControlCharacterReachTheScreen) {
    const std::pair<std::string, std::string> cases[] = {
        {"names.xlsx", "names.xlsx"},
        {"\xC3\x89mile Zola.csv", "\xC3\x89mile Zola.csv"},
        {"C:\\notes\\names.csv", "C:\\notes\\names.csv"},  // nothing else escaped: backslashes as they are
        {"a\\b\n", "a\\\\b\\n"},
        {"\033]0;owned\a.csv", "\\033]0;owned\\007.csv"},
        {"tab\tcr\r", "tab\\tcr\\r"},
        {"del\x7f", "del\\177"},
        {"csi\xC2\x9B" "31m", "csi\\302\\23331m"},  // C1 CSI in UTF-8
        {"lone\x9B", "lone\\233"},                  // CSI to a terminal reading Latin-1
        {std::string("nul\0x", 5), "nul\\000x"},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(Printable(path), shown);
}

} // namespace
} // namespace tallowby::files
