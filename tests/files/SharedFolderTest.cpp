// What another user plants in a sticky folder everyone may write (as /tmp) at the
// name an export or backup is about to write: run as root and as nobody, with the
// kernel's own protection of such folders switched off or not, every refusal is
// the program's own and every file the plant points at stays as it was.
#include "FilesTestSupport.h"

#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

namespace tallowby::files::test {
namespace {

enum class Plant { LinkOfOther, LinkOfNobody, LinkOfRoot, PipeOfOther, DeviceOfOther, SetIdFileOfOther, Socket };

struct Case {
    Plant plant;
    uid_t runAs;
    std::string reason;  // "ok": written
    std::string written = "";  // then: where the bytes landed, its mode and owner
    mode_t mode = 0;
    uid_t owner = 0;
};

const std::string kLinkOfOther =
    "it is a symbolic link of another user in a shared folder (the link belongs to uid 65533), which is not followed";
const std::string kLinkOfNobody = "it is a symbolic link of another user in a shared folder (the link belongs to "
                                  "nobody (uid 65534)), which is not followed";
const std::string kPipe =
    "it is a named pipe of another user in a shared folder (the pipe belongs to uid 65533), which is not written";
const std::string kDevice =
    "it is a device of another user in a shared folder (the device belongs to uid 65533), which is not written";

// The folder: victim (root's, 0600), open/ (0777) with nobody's target.csv (0640),
// shared/ (1777, root's) with the plant at names.csv.
void Prepare(const Folder& folder, Plant plant) {
    Make(folder / "victim", "secret", 0600);
    ASSERT_EQ(::mkdir((folder / "open").c_str(), 0777), 0);
    ASSERT_EQ(::chmod((folder / "open").c_str(), 0777), 0);
    Make(folder / "open/target.csv", "old", 0640);
    ASSERT_EQ(::chown((folder / "open/target.csv").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::mkdir((folder / "shared").c_str(), 0700), 0);
    ASSERT_EQ(::chmod((folder / "shared").c_str(), 01777), 0);
    const std::string at = folder / "shared/names.csv";
    const auto link = [&](const std::string& to, uid_t owner) {
        ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0);
        ASSERT_EQ(::lchown(at.c_str(), owner, owner), 0);
    };
    switch (plant) {
    case Plant::LinkOfOther: return link(folder / "victim", kOther);
    case Plant::LinkOfNobody: return link(folder / "open/target.csv", kNobody);
    case Plant::LinkOfRoot: return link(folder / "open/target.csv", 0);
    case Plant::PipeOfOther: ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0); break;
    case Plant::DeviceOfOther: ASSERT_EQ(::mknod(at.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); break;
    case Plant::SetIdFileOfOther: Make(at, "theirs", 06777); break;
    case Plant::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        struct sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, at.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        break;
    }
    }
    ASSERT_EQ(::lchown(at.c_str(), kOther, kOther), 0);
    if (plant == Plant::SetIdFileOfOther) {
        ASSERT_EQ(::chmod(at.c_str(), 06777), 0);  // chown cleared it
    }
}

TEST(SharedFolder, PlantedLinksPipesDevicesAndFilesAreRefusedOrHarmless) {
    SKIP_UNLESS_ROOT();
    const Case cases[] = {
        {Plant::LinkOfOther, 0, kLinkOfOther},
        {Plant::LinkOfOther, kNobody, kLinkOfOther},
        {Plant::LinkOfNobody, 0, kLinkOfNobody},
        {Plant::LinkOfNobody, kNobody, "ok", "open/target.csv", 0640, kNobody},  // the user's own link
        {Plant::LinkOfRoot, kNobody, "ok", "open/target.csv", 0640, kNobody},    // the folder owner's
        {Plant::LinkOfRoot, 0, "ok", "open/target.csv", 0644, 0},  // nobody's 0640 not passed on to root's file
        {Plant::PipeOfOther, 0, kPipe},
        {Plant::PipeOfOther, kNobody, kPipe},
        {Plant::DeviceOfOther, 0, kDevice},
        {Plant::DeviceOfOther, kNobody, kDevice},
        {Plant::SetIdFileOfOther, 0, "ok", "shared/names.csv", 0644, 0},
        {Plant::SetIdFileOfOther, kNobody,
         "it belongs to another user (uid 65533) in a folder where only a file's owner may replace it"},
        {Plant::Socket, 0, "it is a socket"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("plant " + std::to_string(static_cast<int>(c.plant)) + " as uid " + std::to_string(c.runAs));
        const Folder folder;
        Prepare(folder, c.plant);
        const struct stat planted = Lstat(folder / "shared/names.csv");
        const Child child = InChild(
            [&] {
                ::umask(022);
                return WriteOutput(folder / "shared/names.csv", "new", WithMode(0666));
            },
            c.runAs);
        EXPECT_EQ(child.report, c.reason);
        EXPECT_EQ(Read(folder / "victim"), "secret");
        EXPECT_EQ(ModeOf(folder / "victim"), 0600u);
        EXPECT_FALSE(AnyTemporaryIn(folder / "shared") || AnyTemporaryIn(folder / "open"));
        if (c.written.empty()) {
            const struct stat now = Lstat(folder / "shared/names.csv");
            EXPECT_TRUE(now.st_ino == planted.st_ino && now.st_mode == planted.st_mode && now.st_uid == planted.st_uid);
            EXPECT_EQ(Read(folder / "open/target.csv"), "old");
            continue;
        }
        const struct stat landed = Lstat(folder / c.written);
        EXPECT_EQ(Read(folder / c.written), "new");
        EXPECT_EQ(landed.st_mode & 07777, c.mode);
        EXPECT_EQ(landed.st_uid, c.owner);
        if (S_ISLNK(planted.st_mode)) {
            EXPECT_EQ(Lstat(folder / "shared/names.csv").st_ino, planted.st_ino);
        }
    }
}

} // namespace
} // namespace tallowby::files::test
