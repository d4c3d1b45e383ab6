// Opening an output: what stands at the target decides how it is written, and
// everything that can be refused is refused here, before any work is done.
#include "files/Cleanup.h"
#include "files/OutputState.h"
#include "files/Testing.h"

#include <atomic>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files {

using detail::Fd;

namespace {

std::atomic<bool> g_namedOnly{false};

bool IsStandardOutputName(const std::string& path) {
    return path == "-" || path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
}

} // namespace

namespace testing {
void UseNamedTemporaries(bool on) { g_namedOnly = on; }
} // namespace testing

bool detail::NamedTemporariesOnly() { return g_namedOnly; }

std::unique_ptr<Output> Output::Open(const std::string& path, const OutputOptions& options, Problem& problem) {
    problem = {};
    try {
        std::unique_ptr<Output> out(new Output());
        out->state_ = std::make_unique<State>();
        out->state_->options = options;
        out->path_ = out->finalPath_ = path;
        if (!out->state_->Open(*out, problem)) {
            out->Discard();
            return nullptr;
        }
        return out;
    } catch (const std::bad_alloc&) {
        problem = FromErrno(ENOMEM);
        return nullptr;
    }
}

Output::~Output() { Discard(); }

void Output::Discard() {
    if (state_) state_->Discard(*this);
}

bool Output::State::Open(Output& out, Problem& problem) {
    if (out.path_.empty()) {
        problem = {"no file name was given", "Name the file to write.", EINVAL};
        return false;
    }
    if (IsStandardOutputName(out.path_)) return OpenStandardOutput(out, problem);
    if (!detail::FindPlace(out.path_, place, problem)) return false;
    out.finalPath_ = place.Path();
    if (!place.exists ? !OpenNew(out, problem) : !OpenExisting(out, problem)) return false;
    if (out.kind_ == Kind::File && !options.staged) out.fd_ = file.get();
    return true;
}

bool Output::State::OpenExisting(Output& out, Problem& problem) {
    const mode_t mode = place.info.st_mode;
    if (S_ISDIR(mode)) {
        problem = FromErrno(EISDIR);
        return false;
    }
    if (S_ISSOCK(mode)) {
        problem = {"it is a socket", "Choose another file name.", ENXIO};
        return false;
    }
    if (S_ISFIFO(mode) || S_ISCHR(mode) || S_ISBLK(mode)) return OpenInPlace(out, problem);
    return OpenReplacement(out, problem);
}

bool Output::State::OpenStandardOutput(Output& out, Problem& problem) {
    struct stat info {};
    if (::fcntl(1, F_GETFD) < 0 || ::fstat(1, &info) != 0) {
        problem = {"standard output is closed", "Give the program an output (> FILE), or name a file.", EBADF};
        return false;
    }
    if (S_ISREG(info.st_mode) && detail::Protects(options, info)) {  // >> book.dxl
        problem = detail::TheBookItself();
        return false;
    }
    out.kind_ = Kind::StandardOutput;
    out.fd_ = 1;
    return !options.staged || MakeStaging(out, problem);
}

bool Output::State::OpenInPlace(Output& out, Problem& problem) {
    const struct stat& info = place.info;
    const bool pipe = S_ISFIFO(info.st_mode);
    if (!detail::MayUse(place.folderInfo, info.st_uid)) {
        const std::string what = pipe ? "pipe" : "device";
        problem = {"it is " + detail::KindText(info.st_mode) + " of another user in a shared folder (the " + what +
                       " belongs to " + detail::OwnerText(info.st_uid) + "), which is not written",
                   "Remove the " + what + ", or choose another file name.", 0};
        return false;
    }
    // Non-blocking, so that a pipe without a reader refuses at once instead of
    // holding the run; O_NOFOLLOW, so that a link put there meanwhile is not followed.
    file.reset(::openat(place.folder.get(), place.name.c_str(),
                        O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (!file) {
        problem = pipe && errno == ENXIO
                      ? Problem{"it is a named pipe that nobody reads",
                                "Start the program that reads it first, or choose another file name.", ENXIO}
                      : FromErrno(errno);
        return false;
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0 || opened.st_dev != info.st_dev || opened.st_ino != info.st_ino) {
        problem = {"it was replaced while it was opened", "Check what replaced it, then try again.", 0};
        return false;
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        problem = FromErrno(errno);
        return false;
    }
    out.kind_ = Kind::InPlace;
    out.fd_ = file.get();
    return !options.staged || MakeStaging(out, problem);
}

bool Output::State::OpenReplacement(Output& out, Problem& problem) {
    const struct stat& info = place.info;
    if (detail::Protects(options, info)) {
        problem = detail::TheBookItself();
        return false;
    }
    if (!options.replace) {
        problem = FromErrno(EEXIST);
        return false;
    }
    // As the shell refuses `>` on a file without write permission, also for root,
    // whom the system would let write anything.
    const uid_t self = ::geteuid();
    const bool writable = self == 0 ? (info.st_mode & 0222) != 0
                                    : ::faccessat(place.folder.get(), place.name.c_str(), W_OK, AT_EACCESS) == 0;
    if (!writable) {
        if (self != 0 && errno != EACCES && errno != EPERM) {
            problem = FromErrno(errno);
        } else {
            problem = {"the file is read-only",
                       info.st_uid == self ? "Make it writable (chmod u+w), or choose another name."
                                           : "Ask its owner for write permission, or choose another name.",
                       EACCES};
        }
        return false;
    }
    // In a sticky folder only the file's owner (or the folder's) may rename over it:
    // say so now rather than after all the work.
    if ((place.folderInfo.st_mode & S_ISVTX) && self != 0 && info.st_uid != self && place.folderInfo.st_uid != self) {
        problem = {"it belongs to another user (" + detail::OwnerText(info.st_uid) +
                       ") in a folder where only a file's owner may replace it",
                   "Choose another file name.", EPERM};
        return false;
    }
    if (!detail::CheckFolderWritable(place, "the folder", problem)) return false;
    existed = true;
    // Only the user's own file passes its permissions on; set-id and sticky bits never.
    keepOwnersGroup = info.st_uid == self;
    group = info.st_gid;
    finalMode = keepOwnersGroup ? info.st_mode & 0777 : options.mode & 0666 & ~detail::CurrentUmask();
    return options.staged ? MakeStaging(out, problem) : CreateTemporary(finalMode & 0666, problem);
}

bool Output::State::OpenNew(Output& out, Problem& problem) {
    if (!detail::CheckFolderWritable(place, "the folder", problem)) return false;
    noReplace = true;
    finalMode = options.mode & 0666 & ~detail::CurrentUmask();
    // The new file is made now, so that a read-only disk or a full inode table shows
    // before any work; the kernel applies the umask.
    return options.staged ? MakeStaging(out, problem) : CreateTemporary(options.mode & 0666, problem);
}

// Only permissions that are no wider than the final ones, from the first moment.
bool Output::State::CreateTemporary(mode_t mode, Problem& problem) {
    detail::SweepLeftoversOnce(place.folder.get());
    const int folder = place.folder.get();
    if (!detail::NamedTemporariesOnly()) {
        file.reset(::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
        if (file) {
            anonymous = true;
            ::flock(file.get(), LOCK_EX);
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            problem = FromErrno(errno);
            return false;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = detail::NewTemporaryName();
        const int slot = detail::RegisterTemporary(folder, name, false);  // before the name exists
        file.reset(::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file) {
            ::flock(file.get(), LOCK_EX);  // a sweep by another run leaves it alone
            temporary = std::move(name);
            temporarySlot = slot;
            return true;
        }
        const int error = errno;
        detail::UnregisterTemporary(slot);
        if (error != EEXIST) {
            problem = FromErrno(error);
            return false;
        }
    }
    problem = FromErrno(EEXIST);
    return false;
}

void Output::State::Discard(Output& out) {
    if (!temporary.empty()) {
        ::unlinkat(place.folder.get(), temporary.c_str(), 0);
        temporary.clear();
    }
    detail::UnregisterTemporary(temporarySlot);
    temporarySlot = -1;
    file.reset();
    RemoveStaging();
    out.fd_ = -1;  // standard output itself stays open: it was never ours
    finished = true;
}

bool Output::Write(std::string_view bytes, Problem& problem) {
    problem = {};
    if (fd_ < 0 || !state_ || state_->finished) {
        problem = {"it is not open for writing", "", EBADF};
        return false;
    }
    state_->untouched = state_->untouched && bytes.empty();
    return detail::WriteAll(fd_, bytes.data(), bytes.size(), problem);
}

bool Output::CopyFrom(int source, Problem& problem, const std::function<bool()>& stop) {
    problem = {};
    if (fd_ < 0 || !state_ || state_->finished) {
        problem = {"it is not open for writing", "", EBADF};
        return false;
    }
    // A reflink replaces the whole destination: only for our own new, empty file.
    const bool clone = kind_ == Kind::File && state_->untouched;
    state_->untouched = false;
    return detail::CopyContents(source, fd_, clone, stop, problem);
}

std::optional<FileId> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

} // namespace tallowby::files
