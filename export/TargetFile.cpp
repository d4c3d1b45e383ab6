#include "export/TargetFile.h"

#include "biff/Status.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

// Path of the temporary file being written, for a signal handler to remove. Plain
// characters in static storage: readable from a handler at any time.
char g_tempInProgress[PATH_MAX + 1];

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder part resolved through realpath, then the name: two spellings of the
// same place ("./a/../b.xls" and "b.xls") give the same text. Empty when the folder
// does not exist.
std::string CanonicalPath(const std::string& path) {
    std::string folder = FolderOf(path);
    if (folder.empty()) folder = ".";
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) return std::string();
    std::string result = resolved;
    if (result != "/") result += '/';
    return result + NameOf(path);
}

// The path with its last part followed through symbolic links, as far as they go (a
// link to a missing file gives that file's path). False with errno set on a loop.
bool FollowLinks(std::string& path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return false;
        target.resize(static_cast<std::size_t>(length));
        path = !target.empty() && target[0] == '/' ? target : FolderOf(path) + target;
    }
    errno = ELOOP;
    return false;
}

// $TMPDIR, else /tmp.
std::string SystemTempFolder() {
    const char* temp = std::getenv("TMPDIR");
    return temp != nullptr && *temp != '\0' ? temp : "/tmp";
}

// The first bytes of `name`, at most `limit`, not ending inside a UTF-8 sequence.
std::string Utf8Head(const std::string& name, std::size_t limit) {
    if (name.size() <= limit) return name;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

} // namespace

std::string OutputPathFor(const std::string& databasePath, ExportFormat format) {
    // Only the file name changes: the folders are taken as they are (on Linux their
    // names are case-sensitive). Lower-casing covers the ASCII letters; other
    // characters are kept as they are, since changing them would depend on the
    // locale and could make two different names one.
    std::string name = LowerAscii(NameOf(databasePath));
    const auto stem = name.find_first_not_of('.');  // ".hidden" has no extension
    const auto dot = name.rfind('.');
    if (stem != std::string::npos && dot != std::string::npos && dot > stem) name.resize(dot);
    return FolderOf(databasePath) + name + std::string(FormatExtension(format));
}

bool IsSameFile(const std::string& target, const std::string& database) {
    if (target == database) return true;
    struct stat a {}, b {};
    if (::stat(target.c_str(), &a) == 0 && ::stat(database.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    const std::string ca = CanonicalPath(target);
    return !ca.empty() && ca == CanonicalPath(database);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool TargetFile::Fail(int status) {
    reason_ = StatusText(status);
    return false;
}

bool TargetFile::Reserve(bool streams) {
    final_ = target_;
    if (!FollowLinks(final_)) return Fail(StatusFromErrno(errno, FileStep::Open));
    struct stat info {};
    if (::stat(final_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            reason_ = "it is a folder";
            return false;
        }
        if (!S_ISREG(info.st_mode)) {
            inPlace_ = true;
            staged_ = !streams;
            if (streams) {
                path_ = final_;
                return true;
            }
        }
    }
    std::string pattern;
    if (staged_) {
        pattern = SystemTempFolder() + "/.tallowby-export-XXXXXX";
    } else {
        const std::string folder = FolderOf(final_);
        long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
        if (nameMax < 14) nameMax = NAME_MAX;
        const std::size_t room = static_cast<std::size_t>(nameMax) - 8;  // "." and ".XXXXXX"
        pattern = folder + "." + Utf8Head(NameOf(final_), room) + ".XXXXXX";
    }
    if (pattern.size() > PATH_MAX) return Fail(kStatusPathAccess);
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Fail(StatusFromErrno(errno, FileStep::Open));
    ::close(fd);
    path_ = pattern;
    std::memcpy(g_tempInProgress, path_.c_str(), path_.size() + 1);
    return true;
}

bool TargetFile::Commit() {
    if (staged_) return CopyToTarget();
    if (inPlace_) {
        path_.clear();
        return true;
    }
    // The new file gets the permissions of the earlier one, or the usual ones.
    struct stat earlier {};
    mode_t mode;
    if (::stat(final_.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
        mode = earlier.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(StatusFromErrno(errno, FileStep::Open));
    int status = kStatusOk;
    if (::fchmod(fd, mode) != 0 && errno != EPERM) status = StatusFromErrno(errno, FileStep::Write);
    if (status == kStatusOk && ::fsync(fd) != 0) status = StatusFromErrno(errno, FileStep::Write);
    ::close(fd);
    if (status != kStatusOk) return Fail(status);
    if (::rename(path_.c_str(), final_.c_str()) != 0) return Fail(StatusFromErrno(errno, FileStep::Open));
    path_.clear();
    g_tempInProgress[0] = '\0';
    // Make the rename itself durable; a folder that cannot be synced is no failure.
    std::string folder = FolderOf(final_);
    if (folder.empty()) folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string TargetFile::ScratchFolder() const {
    if (inPlace_) return SystemTempFolder();
    const std::string folder = FolderOf(path_);
    return folder.empty() ? "." : folder;
}

// The complete temporary file, copied to the device or pipe and then removed.
bool TargetFile::CopyToTarget() {
    const int in = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(StatusFromErrno(errno, FileStep::Open));
    const int out = ::open(final_.c_str(), O_WRONLY | O_CLOEXEC);
    int status = out < 0 ? StatusFromErrno(errno, FileStep::Open) : int{kStatusOk};
    char buffer[64 * 1024];
    while (status == kStatusOk) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) status = StatusFromErrno(errno, FileStep::Write);
        if (got <= 0) break;
        for (ssize_t done = 0; status == kStatusOk && done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) status = put < 0 ? StatusFromErrno(errno, FileStep::Write) : int{kStatusIoError};
            else done += put;
        }
    }
    if (out >= 0 && ::close(out) != 0 && status == kStatusOk && errno != EINTR)
        status = StatusFromErrno(errno, FileStep::Write);
    ::close(in);
    Discard();
    return status == kStatusOk || Fail(status);
}

void TargetFile::Discard() {
    if (path_.empty()) return;
    if (!inPlace_ || staged_) ::unlink(path_.c_str());
    path_.clear();
    g_tempInProgress[0] = '\0';
}

const char* ExportTempFileInProgress() noexcept { return g_tempInProgress; }

} // namespace tallowby
