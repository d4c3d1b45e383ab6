// Status numbers for real file-system failures.
#include "BiffTestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::testing {

namespace fs = std::filesystem;

class FileSystemTest : public BiffTest {};

// CreateFile's status in a child process without root's rights (root writes into
// any folder whatever its permission bits); -1 when the rights cannot be dropped.
int CreateAsNobody(const fs::path& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(255);
        ::_exit(ExcelFile().CreateFile(path.string()));
    }
    int wstatus = 0;
    if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid || !WIFEXITED(wstatus)) return -1;
    return WEXITSTATUS(wstatus) == 255 ? -1 : WEXITSTATUS(wstatus);
}

TEST_F(FileSystemTest, MissingFolderIs76) {
    EXPECT_EQ(xl_.CreateFile(File("no-such-folder/sheet.xls")), kStatusPathNotFound);
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
    EXPECT_EQ(xl_.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    EXPECT_EQ(xl_.CloseFile(), kStatusNoFile);
}

TEST_F(FileSystemTest, ReadOnlyFolderIs70) {
    fs::create_directory(dir_ / "locked");
    std::ofstream(File("locked/old.xls")) << "old";
    ASSERT_EQ(::chmod(dir_.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(File("locked").c_str(), 0555), 0);
    const int createStatus = CreateAsNobody(dir_ / "locked/new.xls");
    const int replaceStatus = CreateAsNobody(dir_ / "locked/old.xls");
    ::chmod(File("locked").c_str(), 0755);
    if (createStatus < 0) GTEST_SKIP() << "cannot give up root's rights here";
    EXPECT_EQ(createStatus, kStatusPermission);
    EXPECT_EQ(replaceStatus, kStatusPermission);
    EXPECT_EQ(Read("locked/old.xls"), Hex("'old'"));
}

// /dev/full fails every write with ENOSPC: a link to it stands for a full disk.
TEST_F(FileSystemTest, DiskFullThroughDevFullIs61) {
    if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "this system has no /dev/full";
    fs::create_symlink("/dev/full", dir_ / "full.xls");
    // The start of the file is written at once; later records wait in the buffer,
    // and the call that needs its room reports the failure.
    EXPECT_EQ(xl_.CreateFile(File("full.xls")), kStatusDiskFull);
    int16_t status = 0;
    for (int row = 1; row < 10000 && status == 0; ++row)
        status = xl_.WriteValue(2, 0, 0, 0, row, 1, std::string(100, 'x'), 0);
    EXPECT_EQ(status, kStatusDiskFull);
    EXPECT_EQ(xl_.CloseFile(), kStatusDiskFull);
    EXPECT_EQ(xl_.CloseFile(), kStatusDiskFull);  // still open: nothing given up
    EXPECT_TRUE(fs::is_symlink(dir_ / "full.xls"));  // a device is written to, never deleted
}

}  // namespace tallowby::testing
