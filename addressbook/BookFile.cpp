#include "addressbook/BookFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {


// Why a file of this type is not read; empty for a regular file.
BookProblem ProblemWithType(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return {"it is a folder, not a file", "Choose the DXL file inside the folder."};
    const char* what = S_ISFIFO(mode)  ? "a named pipe (FIFO)"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "a special file";
    return {std::string("it is not a regular file but ") + what,
            "Choose the DXL file itself; devices, pipes and sockets are never read."};
}

BookProblem ProblemWithOpening(int error) {
    switch (error) {
    case ENOENT:
        return {"the file does not exist", "Check the name and the folder of the file."};
    case ENOTDIR:
        return {"a part of its path is not a folder", "Check the name and the folder of the file."};
    case EACCES:
    case EPERM:
        return {"permission to read it was denied",
                "Ask for permission to read the file, or copy it to a folder of your own."};
    case ENOMEM:
        return MemoryProblem();
    default:
        return {"the file cannot be read: " + files::ErrorText(error), kExportAsDxl};
    }
}

} // namespace

int OpenBookFile(const std::string& path, BookProblem& problem) {
    // Look before opening: opening a device can have effects of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        problem = ProblemWithOpening(errno);
        return -1;
    }
    if (problem = ProblemWithType(info.st_mode); !problem.empty()) return -1;
    // Non-blocking, so that a file swapped for a pipe meanwhile cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = ProblemWithOpening(errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        problem = ProblemWithOpening(errno);
    } else {
        problem = ProblemWithType(info.st_mode);
    }
    if (problem.empty() && ::fcntl(fd, F_SETFL, 0) != 0) problem = ProblemWithOpening(errno);
    if (!problem.empty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

BookProblem CheckBookFile(const std::string& path) {
    BookProblem problem;
    const int fd = OpenBookFile(path, problem);
    if (fd >= 0) ::close(fd);
    return problem;
}

BookProblem MemoryProblem() {
    return {"there is not enough memory to read it",
            "Close other programs and try again, or split the address book into smaller ones."};
}

std::optional<BookStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return BookStamp{{info.st_dev, info.st_ino}, static_cast<std::int64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace tallowby
