// CopyFileTo, the backup path and the backup the scan makes before it opens the book.
#include "addressbook/Scan.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace tallowby {
namespace {

using namespace tallowby::testing;
namespace fs = std::filesystem;

std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    unsigned state = 12345;
    for (auto& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return data;
}

TEST(CopyFileTo, CopiesLargeAndEmptyFilesExactly) {
    TempDir dir;
    const std::string big = Pattern((3u << 20) + 17);  // larger than any copy buffer
    WriteFile(dir / "big.nsf", big);
    WriteFile(dir / "empty.nsf", "");
    EXPECT_TRUE(CopyFileTo(dir / "big.nsf", dir / "big.bak", false));
    EXPECT_TRUE(CopyFileTo(dir / "empty.nsf", dir / "empty.bak", true));
    EXPECT_EQ(ReadFile(dir / "big.bak"), big);
    EXPECT_EQ(ReadFile(dir / "empty.bak"), "");
    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"big.bak", "big.nsf", "empty.bak", "empty.nsf"}));
}

TEST(CopyFileTo, FailIfExistsKeepsTheExistingFileOtherwiseItIsReplaced) {
    TempDir dir;
    WriteFile(dir / "a.nsf", "new contents");
    WriteFile(dir / "a.bak", "old backup that is longer than the new contents");
    EXPECT_FALSE(CopyFileTo(dir / "a.nsf", dir / "a.bak", true));
    EXPECT_EQ(ReadFile(dir / "a.bak"), "old backup that is longer than the new contents");
    EXPECT_TRUE(CopyFileTo(dir / "a.nsf", dir / "a.bak", false));
    EXPECT_EQ(ReadFile(dir / "a.bak"), "new contents");
    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"a.bak", "a.nsf"}));
}

TEST(CopyFileTo, FailuresReturnFalseAndLeaveNoTemporaryFile) {
    TempDir dir;
    WriteFile(dir / "a.nsf", "data");
    fs::create_directory(dir / "folder");
    WriteFile(dir / "folder/inside", "keep");

    EXPECT_FALSE(CopyFileTo(dir / "missing.nsf", dir / "missing.bak", false));
    EXPECT_FALSE(CopyFileTo(dir / "folder", dir / "folder.bak", false));       // not a file
    EXPECT_FALSE(CopyFileTo(dir / "a.nsf", dir / "folder", false));            // a folder in the way
    EXPECT_FALSE(CopyFileTo(dir / "a.nsf", dir / "no/such/folder/a.bak", false));
    EXPECT_FALSE(CopyFileTo("", dir / "x.bak", false));
    EXPECT_FALSE(CopyFileTo(dir / "a.nsf", "", false));

    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"a.nsf", "folder"}));
    EXPECT_EQ(FileNames(dir.path() / "folder"), std::vector<std::string>{"inside"});
    EXPECT_EQ(ReadFile(dir / "folder/inside"), "keep");
}

TEST(BackupPath, LastFourCharactersGiveWayToBak) {
    EXPECT_EQ(BackupPathFor("/d/names.nsf"), "/d/names.bak");
    EXPECT_EQ(BackupPathFor("/d/NAMES.NSF"), "/d/NAMES.bak");
    EXPECT_EQ(BackupPathFor("/d/names.dxl"), "/d/names.bak");
    EXPECT_EQ(BackupPathFor("/d/book"), "/d/.bak");  // no extension: the name itself goes
    EXPECT_EQ(BackupPathFor("book"), ".bak");
    EXPECT_EQ(BackupPathFor("/d/ab"), "/.bak");
}

TEST(BackupPath, NoBackupForShortPathsOrABakDatabase) {
    EXPECT_EQ(BackupPathFor(""), "");
    EXPECT_EQ(BackupPathFor("abc"), "");
    EXPECT_EQ(BackupPathFor("/d/names.bak"), "");
    EXPECT_EQ(BackupPathFor(".bak"), "");
    EXPECT_EQ(BackupPathFor("/d/names.BAK"), "/d/names.bak");  // a different file
}

TEST(BackupPath, CountsCharactersNotBytes) {
    EXPECT_EQ(BackupPathFor("/d/名簿.nsf"), "/d/名簿.bak");
    EXPECT_EQ(BackupPathFor("/d/ab名簿"), "/d/.bak");
    EXPECT_EQ(BackupPathFor("名簿録"), "");        // three characters, nine bytes
    EXPECT_EQ(BackupPathFor("名簿録x"), ".bak");
}

// The scan's backup, with a fake session so that the scan itself succeeds.
class ScanBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        PopulateDefaultTree(tree);
        book.Add("U1", "1", "Ann", "Lee");
        domino.emplace(kDominoProgID, [this]() -> std::shared_ptr<NotesSession> {
            backupSeenAtSession = fs::exists(expectedBackup);
            return FactoryFor(book)();
        });
        notes.emplace(kNotesProgID, SessionFactory{});
    }

    ScanOutcome Scan(const std::string& databasePath) {
        FakeText path(databasePath);
        ScanWindow window{path, tree, progress, lblRead, create, scan, messages};
        return CmdEnumerateNotes_Click(window, state);
    }

    TempDir dir;
    FakeBook book;
    std::optional<ScopedSessionClass> domino, notes;
    std::string expectedBackup;
    bool backupSeenAtSession = false;
    MemoryContactTree tree;
    FakeProgress progress;
    FakeControl lblRead{true, true}, create{false, true}, scan{true, true};
    FakeMessages messages;
    ModuleState state;
};

TEST_F(ScanBackupTest, BackupIsMadeBeforeTheBookIsOpenedAndReplacesAnOldOne) {
    WriteFile(dir / "names.nsf", "address book");
    WriteFile(dir / "names.bak", "an older backup, longer than the book");
    expectedBackup = dir / "names.bak";
    EXPECT_EQ(Scan(dir / "names.nsf"), ScanOutcome::Completed);
    EXPECT_TRUE(backupSeenAtSession);
    EXPECT_EQ(ReadFile(dir / "names.bak"), "address book");
    EXPECT_EQ(ReadFile(dir / "names.nsf"), "address book");
    EXPECT_EQ(book.openedPaths, std::vector<std::string>{dir / "names.nsf"});  // the book, not the copy
    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"names.bak", "names.nsf"}));
}

TEST_F(ScanBackupTest, PathWithoutExtensionBacksUpToDotBak) {
    fs::create_directory(dir / "sub");
    WriteFile(dir / "sub/book", "address book");
    EXPECT_EQ(Scan(dir / "sub/book"), ScanOutcome::Completed);
    EXPECT_EQ(ReadFile(dir / "sub/.bak"), "address book");
    EXPECT_EQ(FileNames(dir.path() / "sub"), (std::vector<std::string>{".bak", "book"}));
}

TEST_F(ScanBackupTest, MissingDatabaseMakesNoBackupAndTheScanGoesOn) {
    EXPECT_EQ(Scan(dir / "missing.nsf"), ScanOutcome::Completed);
    EXPECT_TRUE(FileNames(dir.path()).empty());
    EXPECT_TRUE(tree.Contains("U1-1"));
}

TEST_F(ScanBackupTest, BakDatabaseIsLeftUntouched) {
    WriteFile(dir / "names.bak", "the book itself");
    const auto before = fs::last_write_time(dir / "names.bak");
    EXPECT_EQ(Scan(dir / "names.bak"), ScanOutcome::Completed);
    EXPECT_EQ(ReadFile(dir / "names.bak"), "the book itself");
    EXPECT_EQ(fs::last_write_time(dir / "names.bak"), before);
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"names.bak"});
    EXPECT_EQ(book.openedPaths, std::vector<std::string>{dir / "names.bak"});
}

TEST_F(ScanBackupTest, FolderInTheBackupsPlaceIsLeftAloneAndTheScanGoesOn) {
    WriteFile(dir / "names.nsf", "address book");
    fs::create_directory(dir / "names.bak");
    EXPECT_EQ(Scan(dir / "names.nsf"), ScanOutcome::Completed);
    EXPECT_TRUE(fs::is_directory(dir / "names.bak"));
    EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"names.bak", "names.nsf"}));
}

TEST_F(ScanBackupTest, ShortRelativePathMakesNoBackup) {
    // Run inside the test's folder: a relative path is taken from the current folder.
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    WriteFile("abc", "address book");
    WriteFile("abcd", "address book 2");
    const ScanOutcome shortPath = Scan("abc");
    const ScanOutcome fourCharacters = Scan("abcd");
    const auto names = FileNames(dir.path());
    const std::string copy = fs::exists(".bak") ? ReadFile(".bak") : "";
    fs::current_path(previous);

    EXPECT_EQ(shortPath, ScanOutcome::Completed);
    EXPECT_EQ(fourCharacters, ScanOutcome::Completed);
    EXPECT_EQ(names, (std::vector<std::string>{".bak", "abc", "abcd"}));
    EXPECT_EQ(copy, "address book 2");
}

} // namespace
} // namespace tallowby
