// Writing bytes through a descriptor with every call checked, and copying a file.
#include "files/OutputState.h"

#include <cerrno>
#include <new>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files::detail {

namespace {

constexpr std::size_t kKernelPiece = std::size_t{4} << 20;
constexpr std::size_t kBufferPiece = std::size_t{1} << 20;

bool Stopped(const std::function<bool()>& stop, Problem& problem) {
    if (!stop || !stop()) return false;
    problem = FromErrno(ECANCELED);
    return true;
}

// The errors after which copy_file_range cannot copy between these two files at all
// (other file systems, a pipe, a file opened for appending): read and write instead.
bool KernelCopyUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP || error == EPERM ||
           error == EBADF;
}

} // namespace

bool WriteAll(int fd, const char* data, std::size_t size, Problem& problem) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A standard output the caller left non-blocking: wait until it takes more.
            struct pollfd ready {fd, POLLOUT, 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR) {
                problem = FromErrno(errno);
                return false;
            }
            continue;
        }
        if (n <= 0) {
            problem = FromErrno(n < 0 ? errno : EIO);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyContents(int source, int out, bool clone, const std::function<bool()>& stop, Problem& problem) {
    if (Stopped(stop, problem)) return false;
    struct stat info {};
    const bool regular = ::fstat(source, &info) == 0 && S_ISREG(info.st_mode);
    // A reflink clones the whole source over the whole destination, whatever their
    // offsets: only from the start of a file into our own new, empty one.
    if (clone && regular && ::lseek(source, 0, SEEK_CUR) == 0 && ::ioctl(out, FICLONE, source) == 0) {
        if (::lseek(source, 0, SEEK_END) >= 0 && ::lseek(out, 0, SEEK_END) >= 0) return true;
        problem = FromErrno(errno);
        return false;
    }
    // copy_file_range only between regular files: on /proc and the like it reports
    // nothing to copy where there is something.
    while (regular) {
        const ssize_t n = ::copy_file_range(source, nullptr, out, nullptr, kKernelPiece, 0);
        if (n == 0) return true;
        if (n > 0) {
            if (Stopped(stop, problem)) return false;
            continue;
        }
        if (errno == EINTR) continue;
        if (KernelCopyUnsupported(errno)) break;  // read and write below, from where it stopped
        problem = FromErrno(errno);
        return false;
    }
    std::vector<char> buffer;
    try {
        buffer.resize(kBufferPiece);
    } catch (const std::bad_alloc&) {
        problem = FromErrno(ENOMEM);
        return false;
    }
    for (;;) {
        const ssize_t n = ::read(source, buffer.data(), buffer.size());
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = FromErrno(errno);
            problem.reason = "the file to copy could not be read (" + problem.reason + ")";
            return false;
        }
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n), problem) || Stopped(stop, problem))
            return false;
    }
}

} // namespace tallowby::files::detail
