// Temporary names, and the removal of those a killed run (SIGKILL, a crash, a power
// cut) left behind.
//
// A leftover is removed only when every sign says it is one: the exact pattern, this
// user's, a regular file or a folder (never a link), last changed before this process
// started, and not locked. Every live temporary file or private folder of a run is
// held with flock, which the kernel drops when the run ends however it ends; so a
// slow run of the same user in the same folder keeps its files.
#include "files/Cleanup.h"
#include "files/Fd.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <set>
#include <tuple>
#include <type_traits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files::detail {

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

struct timespec Now(clockid_t clock = CLOCK_REALTIME) {
    struct timespec now {};
    ::clock_gettime(clock, &now);
    return now;
}

// When this process started, by the coarse clock that file systems stamp files
// with: the precise clock runs up to a tick ahead of it, so that a file made just
// after the start could look older than the start.
const struct timespec g_processStart = Now(CLOCK_REALTIME_COARSE);

bool Before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The leftover `name` in `folder` when it is one to remove: open (not following
// links), this user's, older than this run and locked by nobody; the lock is held
// while the returned descriptor lives.
Fd OpenLeftover(int folder, const char* name) {
    struct stat seen {};
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) return Fd();
    if (seen.st_uid != ::geteuid() || !Before(seen.st_mtim, g_processStart)) return Fd();
    if (!S_ISREG(seen.st_mode) && !S_ISDIR(seen.st_mode)) return Fd();
    const int how = S_ISDIR(seen.st_mode) ? O_RDONLY | O_DIRECTORY : O_RDONLY | O_NONBLOCK | O_NOCTTY;
    Fd fd(::openat(folder, name, how | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0 || opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino ||
        ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return Fd();
    return fd;
}

} // namespace

std::string NewTemporaryName() {
    unsigned char random[kTemporaryRandomLength];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        // No entropy yet (early boot): unpredictable enough for a name that is
        // created exclusively anyway.
        static std::atomic<unsigned long> counter{0};
        unsigned long long seed = static_cast<unsigned long long>(Now().tv_nsec) ^
                                  (static_cast<unsigned long long>(::getpid()) << 32) ^ (counter++ * 0x9E3779B97F4A7C15ull);
        for (unsigned char& r : random) {
            seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
            r = static_cast<unsigned char>(seed);
        }
    }
    std::string name(kTemporaryPrefix);
    for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    return name;
}

bool IsTemporaryName(std::string_view name) {
    if (name.size() != kTemporaryPrefix.size() + kTemporaryRandomLength || !name.starts_with(kTemporaryPrefix))
        return false;
    for (const char c : name.substr(kTemporaryPrefix.size()))
        if (!IsLetterOrDigit(c)) return false;
    return true;
}

void SweepLeftoversOnce(int folder) {
    // A folder's identity: its device and inode, and its birth time where the file
    // system keeps one, since the inode of a removed folder is soon given to a new one.
    struct statx info {};
    if (::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &info) != 0) return;
    const auto identity = std::tuple(info.stx_dev_major, info.stx_dev_minor, info.stx_ino,
                                     (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : 0,
                                     (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_nsec : 0);
    static std::mutex mutex;
    static std::set<std::remove_const_t<decltype(identity)>> swept;
    {
        const std::lock_guard lock(mutex);
        if (!swept.insert(identity).second) return;
    }
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    while (const struct dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name)) continue;
        const Fd leftover = OpenLeftover(folder, entry->d_name);
        if (!leftover) continue;
        struct stat kind {};
        if (::fstat(leftover.get(), &kind) != 0) continue;
        if (S_ISDIR(kind.st_mode)) {
            RemoveRegularFilesIn(leftover.get());
            ::unlinkat(folder, entry->d_name, AT_REMOVEDIR);  // fails, as it should, if anything else is inside
        } else {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace tallowby::files::detail
