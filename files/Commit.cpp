// Putting a finished file in place: read back if asked, on the disk (fsync), its
// final permissions, then one step that makes it the target. Until that step the
// target, and whatever stood at its name, stays as it was.
#include "files/Cleanup.h"
#include "files/OutputState.h"

#include <cerrno>
#include <cstdio>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files {

using detail::Fd;

namespace {

using Verify = std::function<bool(int, Problem&)>;

bool VerifyAt(int fd, const Verify& verify, Problem& problem) {
    if (!verify) return true;
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        problem = FromErrno(errno);
        return false;
    }
    Problem found;
    if (verify(fd, found)) return true;
    problem = found.empty() ? Problem{"it did not read back as it was written", "", EIO} : found;
    return false;
}

bool Failed(Problem& problem, int error) {
    problem = FromErrno(error);
    return false;
}

Problem Appeared(const struct stat* now) {
    return {(now ? detail::KindText(now->st_mode) : "a file") +
                " of that name appeared while the output was being written; it was left as it is",
            "Check what made it, then try again.", EEXIST};
}

// A name still leads to the file held open: nobody swapped it meanwhile.
bool SameFile(int folder, const std::string& name, int fd) {
    struct stat atName {}, held {};
    return ::fstatat(folder, name.c_str(), &atName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &held) == 0 &&
           atName.st_dev == held.st_dev && atName.st_ino == held.st_ino;
}

// Gives the O_TMPFILE file a name: through /proc, which needs no privilege, else
// with AT_EMPTY_PATH (CAP_DAC_READ_SEARCH) where /proc is not mounted. 0 or an errno.
int LinkAnonymous(int fd, int folder, const std::string& name) {
    char proc[48];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    const int first = errno;
    if (first == EEXIST || first == ENOSPC || first == EDQUOT || first == EROFS || first == EIO) return first;
    if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return ::access("/proc/self/fd", F_OK) == 0 ? first : errno;
}

// The rename made durable; a folder that cannot be synced is no failure.
void SyncFolder(int folder) {
    const Fd readable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable) ::fsync(readable.get());
}

} // namespace

bool Output::Commit(Problem& problem, const Verify& verify) {
    problem = {};
    if (!state_ || state_->finished) {
        problem = {"it was already put in place or given up", "", EINVAL};
        return false;
    }
    bool done = false;
    try {
        done = state_->Commit(*this, problem, verify);
    } catch (const std::bad_alloc&) {
        problem = FromErrno(ENOMEM);
    }
    Discard();  // what is left: a temporary name after a failure, the private folder, descriptors
    return done;
}

bool Output::State::Commit(Output& out, Problem& problem, const Verify& verify) {
    if (out.kind_ == Kind::File) return options.staged ? CommitStagedFile(problem, verify) : CommitFile(problem, verify);
    if (options.staged) return CommitCopy(out, problem, verify);
    return FinishInPlace(out, problem);
}

bool Output::State::CommitFile(Problem& problem, const Verify& verify) {
    const int fd = file.get();
    if (!VerifyAt(fd, verify, problem)) return false;
    if (::fsync(fd) != 0) return Failed(problem, errno);
    return SetPermissions(fd, problem) && NameStillSafe(problem) && PutInPlace(fd, problem);
}

bool Output::State::CommitStagedFile(Problem& problem, const Verify& verify) {
    Fd staged;
    if (!OpenStaged(staged, problem) || !VerifyAt(staged.get(), verify, problem)) return false;
    if (::fsync(staged.get()) != 0) return Failed(problem, errno);
    if (!SetPermissions(staged.get(), problem) || !NameStillSafe(problem)) return false;
    if (!SameFile(staging.get(), stagedFile, staged.get())) {
        problem = {"the file written was replaced before it was put in place", "Try again.", 0};
        return false;
    }
    return MoveIn(staging.get(), stagedFile, problem);
}

// A device, a pipe or standard output gets the staged file's bytes.
bool Output::State::CommitCopy(Output& out, Problem& problem, const Verify& verify) {
    Fd staged;
    if (!OpenStaged(staged, problem) || !VerifyAt(staged.get(), verify, problem)) return false;
    if (::lseek(staged.get(), 0, SEEK_SET) != 0) return Failed(problem, errno);
    return detail::CopyContents(staged.get(), out.fd_, false, {}, problem) && FinishInPlace(out, problem);
}

bool Output::State::FinishInPlace(Output& out, Problem& problem) {
    struct stat info {};
    // A file behind standard output, or a disk, is synced; a terminal or pipe cannot be.
    if (::fstat(out.fd_, &info) == 0 && (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode)) && ::fsync(out.fd_) != 0 &&
        errno != EINVAL && errno != EROFS)
        return Failed(problem, errno);
    if (out.kind_ == Kind::InPlace) {
        out.fd_ = -1;
        // close reports what a device or network file system refused at the end.
        if (::close(file.release()) != 0 && errno != EINTR) return Failed(problem, errno);
    }
    return true;
}

// The user's own file that stood there passes on its group and mode; a staged file
// gets the final mode, since its writer chose its own.
bool Output::State::SetPermissions(int fd, Problem& problem) const {
    // A group the user is not in cannot be given: the file then has the user's own.
    if (keepOwnersGroup && ::fchown(fd, static_cast<uid_t>(-1), group) != 0) {
        // no failure: the new file keeps the user's own group
    }
    if ((keepOwnersGroup || options.staged) && ::fchmod(fd, finalMode) != 0) return Failed(problem, errno);
    return true;
}

// Looks again at the name just before the file goes there: a link, pipe or device
// that took its place meanwhile is never renamed over.
bool Output::State::NameStillSafe(Problem& problem) {
    struct stat now {};
    if (::fstatat(place.folder.get(), place.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return Failed(problem, errno);
        noReplace = true;  // gone meanwhile: nothing that appears now is replaced
        return true;
    }
    if (!existed) {
        problem = Appeared(&now);
        return false;
    }
    if (!S_ISREG(now.st_mode)) {
        problem = {"it became " + detail::KindText(now.st_mode) +
                       " while the output was being written; it was left as it is",
                   "Check what made it, then try again.", 0};
        return false;
    }
    if (detail::Protects(options, now)) {
        problem = detail::TheBookItself();
        return false;
    }
    return true;
}

bool Output::State::PutInPlace(int fd, Problem& problem) {
    const int folder = place.folder.get();
    if (anonymous && noReplace) {
        // Linking straight to the name is as exclusive as RENAME_NOREPLACE, and the
        // file never has a temporary name at all.
        const int error = LinkAnonymous(fd, folder, place.name);
        if (error == EEXIST) {
            problem = Appeared(nullptr);
            return false;
        }
        if (error != 0) return Failed(problem, error);
        SyncFolder(folder);
        return true;
    }
    if (anonymous) {
        for (int attempt = 0; temporary.empty(); ++attempt) {
            std::string name = detail::NewTemporaryName();
            const int slot = detail::RegisterTemporary(folder, name, false);
            const int error = LinkAnonymous(fd, folder, name);
            if (error == 0) {
                temporary = std::move(name);
                temporarySlot = slot;
                break;
            }
            detail::UnregisterTemporary(slot);
            if (error != EEXIST || attempt == 100) return Failed(problem, error);
        }
    }
    if (!SameFile(folder, temporary, fd)) {
        // Someone who may write the folder put something else there: not ours to remove.
        temporary.clear();
        problem = {"its temporary file was replaced while it was written",
                   "Check who else may write in the folder, then try again.", 0};
        return false;
    }
    if (!MoveIn(folder, temporary, problem)) return false;
    temporary.clear();
    detail::UnregisterTemporary(temporarySlot);
    temporarySlot = -1;
    return true;
}

bool Output::State::MoveIn(int fromFolder, const std::string& fromName, Problem& problem) {
    const int folder = place.folder.get();
    const char* from = fromName.c_str();
    int error = 0;
    if (::renameat2(fromFolder, from, folder, place.name.c_str(), noReplace ? RENAME_NOREPLACE : 0) != 0) {
        error = errno;
        if (noReplace && (error == EINVAL || error == ENOSYS)) {
            // A file system without RENAME_NOREPLACE: a hard link is as exclusive.
            error = ::linkat(fromFolder, from, folder, place.name.c_str(), 0) == 0 ? 0 : errno;
            if (error == 0) ::unlinkat(fromFolder, from, 0);
        }
    }
    if (error == EEXIST && noReplace) {
        problem = Appeared(nullptr);
        return false;
    }
    if (error != 0) return Failed(problem, error);
    SyncFolder(folder);
    return true;
}

} // namespace tallowby::files
