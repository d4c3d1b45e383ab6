// Status numbers for real file-system failures, and what the file holds after a
// write failed. Read-only folders and a disk that fills up are made with small
// tmpfs mounts inside the test's own folder when the test runs as root (where
// permission bits do not bind), so nothing outside that folder is touched.
#include "BiffTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::testing {
namespace {

namespace fs = std::filesystem;

// A tmpfs mounted on a folder for the life of the object.
class TmpfsMount {
public:
    static std::unique_ptr<TmpfsMount> Make(const fs::path& at, const char* options) {
        if (::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
            return nullptr;
        return std::unique_ptr<TmpfsMount>(new TmpfsMount(at));
    }
    ~TmpfsMount() { ::umount2(at_.c_str(), MNT_DETACH); }
    bool MakeReadOnly() {
        return ::mount("tmpfs", at_.c_str(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

private:
    explicit TmpfsMount(fs::path at) : at_(std::move(at)) {}
    fs::path at_;
};

// Runs `body` in a child process that has dropped root for "nobody", and returns
// its exit code, or -1 when the privileges could not be dropped.
template <typename Body>
int RunAsNobody(Body body) {
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        ::_exit(body());
    }
    int wstatus = 0;
    if (::waitpid(pid, &wstatus, 0) != pid || !WIFEXITED(wstatus)) return -1;
    int code = WEXITSTATUS(wstatus);
    return code == 255 ? -1 : code;
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()); }
    TempDir dir_;
};

TEST_F(FileSystemTest, MissingFolderIs76) {
    const fs::path missing = dir_.path() / "no-such-folder";
    ExcelFile xl;
    EXPECT_EQ(xl.CreateFile((missing / "sheet.xls").string()), kStatusPathNotFound);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("x"), 0), kStatusNoFile);
    // The failed open took a handle, so CloseFile reports that no file is open.
    EXPECT_EQ(xl.CloseFile(), kStatusNoFile);
}

TEST_F(FileSystemTest, FileInPlaceOfAFolderIs76) {
    const std::string plain = dir_.File("plain");
    WriteBytes(plain, Hex("00"));
    ExcelFile xl;
    EXPECT_EQ(xl.CreateFile(plain + "/sheet.xls"), kStatusPathNotFound);
    EXPECT_EQ(ReadBytes(plain), Hex("00"));
}

TEST_F(FileSystemTest, FolderInPlaceOfTheFileIs75AndIsKept) {
    const fs::path folder = dir_.path() / "sheet.xls";
    fs::create_directory(folder);
    WriteBytes(folder / "inside", Hex("01"));
    ExcelFile xl;
    EXPECT_EQ(xl.CreateFile(folder.string()), kStatusPathAccess);
    EXPECT_EQ(ReadBytes(folder / "inside"), Hex("01"));
}

TEST_F(FileSystemTest, ReadOnlyFolderIs70) {
    const fs::path folder = dir_.path() / "locked";
    fs::create_directory(folder);
    const std::string fresh = (folder / "new.xls").string();
    const std::string old = (folder / "old.xls").string();

    if (::geteuid() != 0) {
        WriteBytes(old, Hex("01 02"));
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        ExcelFile xl;
        EXPECT_EQ(xl.CreateFile(fresh), kStatusPermission);  // creating fails
        EXPECT_EQ(xl.CreateFile(old), kStatusPermission);    // deleting fails
        ::chmod(folder.c_str(), 0755);
        EXPECT_EQ(ReadBytes(old), Hex("01 02"));
        return;
    }

    // Root writes into any folder whatever its permission bits: use a read-only
    // file system instead, or else a child process without root's rights.
    if (auto mount = TmpfsMount::Make(folder, "size=64k")) {
        WriteBytes(old, Hex("01 02"));
        ASSERT_TRUE(mount->MakeReadOnly());
        ExcelFile xl;
        EXPECT_EQ(xl.CreateFile(fresh), kStatusPermission);
        EXPECT_EQ(xl.CreateFile(old), kStatusPermission);
        EXPECT_EQ(ReadBytes(old), Hex("01 02"));
        return;
    }
    WriteBytes(old, Hex("01 02"));
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0711), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const int createStatus = RunAsNobody([&] { return ExcelFile().CreateFile(fresh); });
    const int deleteStatus = RunAsNobody([&] { return ExcelFile().CreateFile(old); });
    ::chmod(folder.c_str(), 0755);
    if (createStatus < 0)
        GTEST_SKIP() << "running as root without the right to mount a tmpfs or to drop "
                        "privileges, so no folder can be made read-only here";
    EXPECT_EQ(createStatus, kStatusPermission);
    EXPECT_EQ(deleteStatus, kStatusPermission);
    EXPECT_EQ(ReadBytes(old), Hex("01 02"));
}

TEST_F(FileSystemTest, TooManyOpenFilesIs67) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(lowestFree);  // no descriptor left to open
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    ExcelFile xl;
    const int16_t status = xl.CreateFile(dir_.File("sheet.xls"));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(status, kStatusTooManyFiles);
}

// /dev/full fails every write with ENOSPC. A link to it stands for a full disk;
// CreateFile writes to the device behind it and never deletes it.
TEST_F(FileSystemTest, DiskFullThroughDevFullIs61) {
    if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "this system has no /dev/full";
    const std::string link = dir_.File("full.xls");
    fs::create_symlink("/dev/full", link);
    {
        ExcelFile xl;
        // The start of the file is written at once, so CreateFile meets it.
        EXPECT_EQ(xl.CreateFile(link), kStatusDiskFull);
        // Records still fit in the buffer...
        EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("queued"), 0), 0);
        // ...until it must be written: the call that needs the room reports it.
        int16_t status = 0;
        int written = 0;
        for (; written < 10000 && status == 0; ++written)
            status = xl.WriteValue(2, 0, 0, 0, written + 2, 1, std::string(100, 'x'), 0);
        EXPECT_EQ(status, kStatusDiskFull);
        EXPECT_LT(written, 10000);
        // CloseFile cannot finish the file: it stays open and reports again.
        EXPECT_EQ(xl.CloseFile(), kStatusDiskFull);
        EXPECT_EQ(xl.CloseFile(), kStatusDiskFull);
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A small tmpfs that really fills up: the failure is reported, and once there is
// room again the file holds exactly the records of the calls that succeeded.
TEST_F(FileSystemTest, DiskFullLosesNoAcceptedRecord) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const fs::path small = dir_.path() / "small";
    fs::create_directory(small);
    auto mount = TmpfsMount::Make(small, "size=256k");
    if (!mount) GTEST_SKIP() << "this machine does not allow mounting a tmpfs";

    // Fill the file system to the last byte.
    const std::string filler = (small / "filler").string();
    {
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        std::vector<char> chunk(4096, 'f');
        while (::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        ASSERT_EQ(errno, ENOSPC);
        ::close(fd);
    }

    const std::string path = (small / "sheet.xls").string();
    ExcelFile xl;
    EXPECT_EQ(xl.CreateFile(path), kStatusDiskFull);
    // 3257 labels of 20 bytes fill the 64 KiB buffer exactly after the 396-byte start.
    Bytes expected = ExpectedFileStart();
    for (int i = 0; i < 3257; ++i) {
        char text[9];
        std::snprintf(text, sizeof text, "c%07d", i);
        ASSERT_EQ(xl.WriteValue(2, 0, 0, 0, i + 1, 1, std::string(text), 0), 0) << i;
        const auto row = static_cast<uint16_t>(i);
        expected += Hex("04 00 10 00") +
                    Bytes{static_cast<uint8_t>(row & 0xFF), static_cast<uint8_t>(row >> 8)} +
                    Hex("00 00 00 00 00 08") + Raw(text);
    }
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 9999, 1, std::string("no room"), 0), kStatusDiskFull);
    xl.PrintGridLines(true);  // cannot be written either, and cannot say so
    EXPECT_EQ(xl.CloseFile(), kStatusDiskFull);

    fs::remove(filler);
    // Now everything can be written; CloseFile still reports the lost setting.
    EXPECT_EQ(xl.CloseFile(), kStatusDiskFull);
    EXPECT_EQ(xl.CloseFile(), kStatusNoFile);
    EXPECT_TRUE(ReadBytes(path) == expected + kEof);
}

TEST(StatusText, FileStatusesAndTheirWords) {
    for (int status : {52, 57, 61, 67, 70, 75, 76}) EXPECT_TRUE(IsFileStatus(status)) << status;
    for (int status : {0, 6, 13, 53, -1}) EXPECT_FALSE(IsFileStatus(status)) << status;
    EXPECT_EQ(StatusText(kStatusDiskFull), "the disk is full");
    EXPECT_EQ(StatusText(kStatusPermission), "permission was denied");
    EXPECT_EQ(StatusText(kStatusPathNotFound), "the folder does not exist");
    EXPECT_EQ(StatusText(kStatusNoFile), "the file is not open");
    EXPECT_NE(StatusText(1234).find("1234"), std::string::npos);
    // Every status the writer can return has words of its own.
    const int all[] = {0, 6, 13, 52, 57, 61, 67, 70, 75, 76};
    for (int a : all) {
        for (int b : all) {
            if (a < b) {
                EXPECT_NE(StatusText(a), StatusText(b)) << a << " " << b;
            }
        }
    }
}

}  // namespace
}  // namespace tallowby::testing
