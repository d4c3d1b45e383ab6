// CopyFileTo, the backup path and the backup the scan makes before it opens the book.
#include "addressbook/Messages.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    // Failures return false at once and leave no temporary file behind; a named pipe
    // is refused without waiting for a writer.
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(CopyFileTo(dir / "missing.nsf", dir / "missing.bak", false));
    EXPECT_FALSE(CopyFileTo(dir / "folder", dir / "folder.bak", false));  // not a file
    EXPECT_FALSE(CopyFileTo(dir / "pipe", dir / "pipe.bak", false));
    EXPECT_FALSE(CopyFileTo(dir / "empty.nsf", dir / "folder", false));   // a folder in the way
    EXPECT_FALSE(CopyFileTo(dir / "empty.nsf", dir / "no/such/a.bak", false));
    EXPECT_EQ(FileNames(dir.path()), (Names{"big.bak", "big.nsf", "empty.bak", "empty.nsf", "folder", "pipe"}));
    EXPECT_TRUE(FileNames(dir.path() / "folder").empty());
}

// In the book's own folder, the last extension replaced by ".bak" or ".bak" appended.
TEST(BackupPath, BesideTheBookWithItsExtensionReplaced) {
    const char* cases[][2] = {
        {"/d/names.nsf", "/d/names.bak"}, {"/d/Names.NSF", "/d/Names.bak"}, {"mail/ab", "mail/ab.bak"},
        {"book", "book.bak"}, {"/d/名簿.nsf", "/d/名簿.bak"}, {"/d/a.b.dxl", "/d/a.b.bak"}, {"my.d/ab", "my.d/ab.bak"},
        {"/d/.names", "/d/.names.bak"}, {"/d/names.", "/d/names.bak"}, {"/d/names.bak", "/d/names.bak"},
        {"", ""}, {"/d/", ""}, {"..", ""}, {"/d/.", ""},  // no file name: no backup
    };
    for (const auto& c : cases) EXPECT_EQ(BackupPathFor(c[0]), c[1]) << c[0];
}

// The backup is made while the book is read and is complete when the scan's message
// shows; the scan goes on whether or not it was made, and when it was not, the
// message says why. (A book named *.bak, a book linked to its backup and a book
// without extension are rows of the bad-input matrix.)
TEST(ScanBackup, CompleteWhenTheMessageShowsOrItSaysWhyNot) {
    using Files = std::map<std::string, std::string>;  // name -> content, or "-> target" for a link
    const struct {
        const char* name;
        Files before;
        std::string database;
        Files after;
        std::string noBackup;  // the message's paragraph after the first, "@" the folder
    } cases[] = {
        {"an existing backup is replaced", {{"names.nsf", "book"}, {"names.bak", "an older, longer backup"}},
         "names.nsf", {{"names.nsf", "book"}, {"names.bak", "book"}}, ""},
        {"a missing book", {}, "missing.nsf", {}, "cannot read @/missing.nsf: the file does not exist"},
        {"a backup that is a link: its target gets the copy", {{"names.nsf", "book"}, {"names.bak", "-> kept.bak"},
         {"kept.bak", "old"}}, "names.nsf", {{"names.nsf", "book"}, {"names.bak", "-> kept.bak"}, {"kept.bak", "book"}}, ""},
        {"a folder in the backup's place", {{"names.nsf", "book"}, {"names.bak", "/"}}, "names.nsf",
         {{"names.nsf", "book"}, {"names.bak", "/"}}, "@/names.bak is a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanRig rig;
        rig.writeBook = false;
        rig.book.Add("U1", "1", "Ann", "Lee");
        const auto path = [&](const std::string& name) { return rig.dir.path() / name; };
        for (const auto& [name, content] : c.before) {
            if (content.starts_with("-> ")) std::filesystem::create_symlink(content.substr(3), path(name));
            else if (content == "/") std::filesystem::create_directory(path(name));
            else WriteFile(path(name), content);
        }
        const auto files = [&] {
            Files now;
            for (const auto& name : FileNames(rig.dir.path())) {
                if (std::filesystem::is_symlink(path(name))) now[name] = "-> " + std::filesystem::read_symlink(path(name)).string();
                else if (std::filesystem::is_directory(path(name))) now[name] = "/";
                else now[name] = ReadFile(path(name));
            }
            return now;
        };
        EXPECT_EQ(rig.Run(c.database), ScanOutcome::Completed);
        EXPECT_EQ(rig.book.opened, "'' " + (rig.dir / c.database));  // the book, not the copy
        EXPECT_EQ(files(), c.after);
        std::string noBackup = c.noBackup;
        if (const auto at = noBackup.find('@'); at != std::string::npos) noBackup.replace(at, 1, rig.dir.path());
        EXPECT_EQ(rig.messages.shown.at(0).first,
                  kScanCompleted + (noBackup.empty() ? "" : "\r\n\r\n" + (kNoBackup + noBackup) + "."));
    }
}

} // namespace
} // namespace tallowby
