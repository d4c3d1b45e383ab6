#include "addressbook/Backup.h"

#include "addressbook/BookFile.h"
#include "addressbook/RunControl.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; 0, or the errno of a failed close (a last write refused).
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// ---------------------------------------------------------------- interruption

// The temporary copy being written, for the signal handler to remove: plain
// characters in static storage, safe to read there at any moment.
char g_copyInProgress[PATH_MAX + 1];
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previousActions[std::size(kCleanupSignals)];

void RemoveCopyAndResignal(int signal) {
    if (g_copyInProgress[0] != '\0') ::unlink(g_copyInProgress);
    g_copyInProgress[0] = '\0';
    for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i)
        if (kCleanupSignals[i] == signal) ::sigaction(signal, &g_previousActions[i], nullptr);
    ::raise(signal);  // delivered on return, as the program would have had it
}

// While it lives, Ctrl-C, SIGTERM and SIGHUP first remove the temporary copy, then
// act as they would have. A signal the program ignores stays ignored. The handler is
// in place and knows the file's name before the file is created, so no signal, on
// any thread, can come between the two.
class RemovedOnInterrupt {
public:
    RemovedOnInterrupt() {
        struct sigaction action {};
        action.sa_handler = &RemoveCopyAndResignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i) {
            struct sigaction current {};
            if (::sigaction(kCleanupSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            installed_[i] = ::sigaction(kCleanupSignals[i], &action, &g_previousActions[i]) == 0;
        }
    }
    ~RemovedOnInterrupt() {
        for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i)
            if (installed_[i]) ::sigaction(kCleanupSignals[i], &g_previousActions[i], nullptr);
        g_copyInProgress[0] = '\0';
    }
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

    // The file to remove ("" none).
    void Name(const std::string& path) {
        if (path.size() >= sizeof g_copyInProgress) return;
        g_copyInProgress[0] = '\0';
        std::atomic_signal_fence(std::memory_order_seq_cst);
        std::memcpy(g_copyInProgress + 1, path.c_str() + 1, path.size());
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_copyInProgress[0] = path.empty() ? '\0' : path[0];  // complete before it counts
    }

private:
    bool installed_[std::size(kCleanupSignals)] = {};
};

// Creates a new file ".tallowby-copy-XXXXXX" (six random letters) in folder, short
// whatever the destination's name. Returns its descriptor and path, or -1 with errno.
int CreateTemporary(const std::string& folder, std::string& path, RemovedOnInterrupt& interrupted) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
            const auto seed = static_cast<std::uint64_t>(::getpid()) * 2654435761u + ::time(nullptr) + attempt;
            for (std::size_t k = 0; k < sizeof random; ++k) random[k] = static_cast<unsigned char>(seed >> (8 * k));
        }
        path = folder + ".tallowby-copy-";
        for (const unsigned char r : random) path += kLetters[r % (sizeof kLetters - 1)];
        if (path.size() > PATH_MAX) {
            errno = ENAMETOOLONG;
            return -1;
        }
        interrupted.Name(path);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        const int error = errno;
        interrupted.Name({});  // not ours to remove
        if (error != EEXIST) {
            errno = error;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

// ---------------------------------------------------------------- copying

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the rest of `in` to the empty `out`: as a reflink where the file system
// shares blocks, else inside the kernel, else through a buffer. 0 or an errno. The
// copy goes in pieces of a few MiB; between them a stop of the run (a checkpoint on
// the run's thread, or `stop` for a copy on a thread of its own) ends it, with
// ECANCELED for `stop`.
int CopyContents(int in, int out, const std::atomic<bool>* stop) {
    const auto stopped = [stop] {
        Checkpoint();
        return stop != nullptr && stop->load();
    };
    if (::ioctl(out, FICLONE, in) == 0) return 0;
    for (;;) {
        if (stopped()) return ECANCELED;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{4} << 20, 0);
        if (n == 0) return 0;
        if (n > 0 || errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM ||
            errno == EBADF)
            break;  // not between these files: read and write below, from where it stopped
        return errno;
    }
    std::vector<char> buffer;
    try {
        buffer.resize(std::size_t{1} << 20);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    for (;;) {
        if (stopped()) return ECANCELED;
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0) return 0;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || !WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return errno;
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The copy behind CopyFileTo; "" when made, else why not.
std::string CopyFile(const std::string& source, const std::string& destination, bool failIfExists,
                     const std::atomic<bool>* stop = nullptr) {
    if (source.empty() || destination.empty()) return "no file name was given";
    BookProblem problem;
    FileDescriptor in(OpenBookFile(source, problem));
    if (in.get() < 0) return "cannot read " + source + ": " + problem.reason;
    struct stat sourceInfo {};
    if (::fstat(in.get(), &sourceInfo) != 0) return "cannot read " + source + ": " + FileErrorText(errno);
    struct stat destinationInfo {};
    if (failIfExists && ::lstat(destination.c_str(), &destinationInfo) == 0) return destination + " exists already";
    const auto cannotWrite = [&](int error) { return "cannot write " + destination + ": " + FileErrorText(error); };

    // The temporary file lies in the destination's folder, so that the final rename
    // stays within one file system and is atomic.
    RemovedOnInterrupt interrupted;
    std::string temporary;
    FileDescriptor out(CreateTemporary(FolderOf(destination), temporary, interrupted));
    if (out.get() < 0) return cannotWrite(errno);

    int error = 0;
    try {
        error = CopyContents(in.get(), out.get(), stop);
    } catch (const RunStopped&) {
        out.Close();
        ::unlink(temporary.c_str());
        throw;
    }
    if (error == 0 && ::fchmod(out.get(), sourceInfo.st_mode & 0777) != 0) error = errno;
    if (error == 0 && ::fsync(out.get()) != 0) error = errno;
    if (const int closed = out.Close(); error == 0) error = closed;
    if (error == 0 && failIfExists) {
        // Never replaces a file that appeared meanwhile.
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
            return {};
        error = errno;
        if (error == EINVAL || error == ENOSYS) error = ::link(temporary.c_str(), destination.c_str()) == 0 ? 0 : errno;
        ::unlink(temporary.c_str());
        return error == 0 ? std::string() : cannotWrite(error);
    }
    if (error == 0 && ::rename(temporary.c_str(), destination.c_str()) == 0) return {};
    if (error == 0) error = errno;
    ::unlink(temporary.c_str());
    return cannotWrite(error);
}

} // namespace

bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists) {
    try {
        return CopyFile(source, destination, failIfExists).empty();
    } catch (const RunStopped&) {
        throw;
    } catch (...) {
        return false;
    }
}

std::string BackupPathFor(const std::string& databasePath) {
    const std::string folder = FolderOf(databasePath);
    std::string name = databasePath.substr(folder.size());
    if (name.empty() || name == "." || name == "..") return {};
    const auto stem = name.find_first_not_of('.');  // ".names" has no extension
    const auto dot = name.rfind('.');
    if (stem != std::string::npos && dot != std::string::npos && dot > stem) name.resize(dot);
    return folder + name + ".bak";
}

std::string MakeBackupCopy(const std::string& databasePath, const std::atomic<bool>* stop) {
    try {
        const std::string backup = BackupPathFor(databasePath);
        if (backup.empty()) return "the path " + databasePath + " names no file";
        struct stat book {};
        if (const BookProblem problem = CheckBookFile(databasePath); !problem.empty())
            return "cannot read " + databasePath + ": " + problem.reason;
        if (::stat(databasePath.c_str(), &book) != 0) return "cannot read " + databasePath + ": " + FileErrorText(errno);

        std::string destination = backup;
        struct stat existing {};
        if (::lstat(backup.c_str(), &existing) == 0) {
            const bool link = S_ISLNK(existing.st_mode);
            if (link && ::stat(backup.c_str(), &existing) != 0)
                return backup + " is a symbolic link to nothing that can be written (" + FileErrorText(errno) + ")";
            if (existing.st_dev == book.st_dev && existing.st_ino == book.st_ino)
                return backup + " is the address book itself";
            if (S_ISDIR(existing.st_mode)) return backup + " is a folder";
            if (!S_ISREG(existing.st_mode)) return backup + " is not a regular file";
            if (link) {
                char resolved[PATH_MAX];
                if (::realpath(backup.c_str(), resolved) == nullptr)
                    return "cannot follow the link " + backup + ": " + FileErrorText(errno);
                destination = resolved;
            }
        }
        return CopyFile(databasePath, destination, false, stop);
    } catch (const std::bad_alloc&) {
        return "there is not enough memory";
    }
}

BackupInBackground::BackupInBackground(std::string databasePath) : databasePath_(std::move(databasePath)) {
    try {
        thread_ = std::thread([this] {
            try {
                problem_ = MakeBackupCopy(databasePath_, &stop_);
            } catch (...) {  // nothing may leave a thread; the copy cleans up after itself
                problem_ = FileErrorText(ECANCELED);
            }
            finished_ = true;
        });
    } catch (const std::system_error&) {
        deferred_ = true;  // no thread to be had: Wait makes the copy, in the caller's thread
    }
}

BackupInBackground::~BackupInBackground() {
    if (thread_.joinable()) thread_.join();
}

void BackupInBackground::Stop() {
    stop_ = true;
    if (deferred_) problem_ = FileErrorText(ECANCELED);
    deferred_ = false;
}

const std::string& BackupInBackground::WaitOrStop() {
    while (thread_.joinable() && !finished_.load()) {
        Checkpoint();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Wait();
}

const std::string& BackupInBackground::Wait() {
    if (thread_.joinable()) thread_.join();
    if (deferred_) {
        deferred_ = false;
        problem_ = MakeBackupCopy(databasePath_, &stop_);
    }
    return problem_;
}

} // namespace tallowby
