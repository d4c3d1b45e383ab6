// CopyFileTo, the backup path and the backup the scan makes before it opens the book.
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

using namespace tallowby::test;
using Names = std::set<std::string>;

TEST(CopyFileTo, CopiesExactlyReplacesOnlyWhenAllowedAndFailsCleanly) {
    TempDir dir;
    std::string big((3u << 20) + 17, '\0');  // larger than any copy buffer
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFile(dir / "big.nsf", big);
    WriteFile(dir / "empty.nsf", "");
    WriteFile(dir / "big.bak", "an older backup");
    EXPECT_FALSE(CopyFileTo(dir / "big.nsf", dir / "big.bak", true));
    EXPECT_EQ(ReadFile(dir / "big.bak"), "an older backup");
    EXPECT_TRUE(CopyFileTo(dir / "big.nsf", dir / "big.bak", false));
    EXPECT_EQ(ReadFile(dir / "big.bak"), big);
    EXPECT_TRUE(CopyFileTo(dir / "empty.nsf", dir / "empty.bak", true));
    EXPECT_EQ(ReadFile(dir / "empty.bak"), "");
    // Failures return false and leave no temporary file behind.
    std::filesystem::create_directory(dir / "folder");
    EXPECT_FALSE(CopyFileTo(dir / "missing.nsf", dir / "missing.bak", false));
    EXPECT_FALSE(CopyFileTo(dir / "folder", dir / "folder.bak", false));  // not a file
    EXPECT_FALSE(CopyFileTo(dir / "empty.nsf", dir / "folder", false));   // a folder in the way
    EXPECT_FALSE(CopyFileTo(dir / "empty.nsf", dir / "no/such/a.bak", false));
    EXPECT_EQ(FileNames(dir.path()), (Names{"big.bak", "big.nsf", "empty.bak", "empty.nsf", "folder"}));
    EXPECT_TRUE(FileNames(dir.path() / "folder").empty());
}

TEST(BackupPath, LastFourCharactersGiveWayToBak) {
    const char* cases[][2] = {
        {"/d/names.nsf", "/d/names.bak"}, {"/d/NAMES.NSF", "/d/NAMES.bak"}, {"/d/book", "/d/.bak"},
        {"book", ".bak"}, {"/d/名簿.nsf", "/d/名簿.bak"}, {"/d/ab名簿", "/d/.bak"},  // characters, not bytes
        {"名簿録x", ".bak"}, {"/d/names.BAK", "/d/names.bak"},
        // No backup for a path shorter than four characters, or for a book named *.bak.
        {"", ""}, {"abc", ""}, {"名簿録", ""}, {".bak", ""}, {"/d/names.bak", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(BackupPathFor(c[0]), c[1]) << c[0];
}

// The backup is complete before the book is opened, never destroys data, and the
// scan goes on whether or not it was made.
TEST(ScanBackup, MadeBeforeTheBookIsOpenedAndNeverDestroysData) {
    using Files = std::map<std::string, std::string>;
    const struct {
        const char* name;
        Files before;
        std::string database;
        Files after;
    } cases[] = {
        {"an existing backup is replaced", {{"names.nsf", "book"}, {"names.bak", "an older, longer backup"}},
         "names.nsf", {{"names.nsf", "book"}, {"names.bak", "book"}}},
        {"a path without extension", {{"book", "book"}}, "book", {{"book", "book"}, {".bak", "book"}}},
        {"a missing book", {}, "missing.nsf", {}},
        {"a book named .bak", {{"names.bak", "book"}}, "names.bak", {{"names.bak", "book"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanRig rig;
        rig.book.Add("U1", "1", "Ann", "Lee");
        for (const auto& [name, content] : c.before) WriteFile(rig.dir / name, content);
        Files atSession;
        const auto files = [&] {
            Files now;
            for (const auto& name : FileNames(rig.dir.path())) now[name] = ReadFile(rig.dir / name);
            return now;
        };
        ScopedSessionClass domino(kDominoProgID, [&] {
            atSession = files();
            return rig.book.Factory()();
        });
        EXPECT_EQ(rig.Run(c.database), ScanOutcome::Completed);
        EXPECT_EQ(rig.book.opened, "'' " + (rig.dir / c.database));  // the book, not the copy
        EXPECT_EQ(atSession, c.after);
        EXPECT_EQ(files(), c.after);
    }
}

} // namespace
} // namespace tallowby
