// The private folder of a staged output: a writer that opens its file by name and
// seeks in it (libxlsxwriter) writes there, where nobody else can reach, and Commit
// moves or copies the finished file to the target.
#include "files/Cleanup.h"
#include "files/OutputState.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files {

using detail::Fd;

// Beside the target for a file, so that Commit's rename stays on one file system; in
// $TMPDIR (else /tmp) for a device, a pipe or standard output.
bool Output::State::MakeStaging(Output& out, Problem& problem) {
    const bool beside = out.kind_ == Kind::File;
    std::string parentText = place.folderText, subject = "the folder";
    if (!beside) {
        const char* fromEnvironment = std::getenv("TMPDIR");
        const bool named = fromEnvironment != nullptr && *fromEnvironment != '\0';
        parentText = named ? fromEnvironment : "/tmp";
        subject = "the temporary folder " + Printable(parentText) + (named ? " (from $TMPDIR)" : "");
        detail::Place temporaryFolder;
        if (!detail::OpenFolder(AT_FDCWD, parentText, subject, temporaryFolder, problem) ||
            !detail::CheckFolderWritable(temporaryFolder, subject, problem))
            return false;
        stagingParent = std::move(temporaryFolder.folder);
    }
    const int parent = StagingParent();
    detail::SweepLeftoversOnce(parent);
    for (int attempt = 0;; ++attempt) {
        std::string name = detail::NewTemporaryName();
        const int slot = detail::RegisterTemporary(parent, name, true);
        if (::mkdirat(parent, name.c_str(), 0700) == 0) {
            stagingName = std::move(name);
            stagingSlot = slot;
            break;
        }
        const int error = errno;
        detail::UnregisterTemporary(slot);
        if (error != EEXIST || attempt == 100) {
            problem = beside ? FromErrno(error) : detail::FolderProblem(error, subject, true);
            return false;
        }
    }
    staging.reset(::openat(parent, stagingName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!staging) {
        problem = FromErrno(errno);
        return false;  // Discard removes the folder
    }
    detail::SetTemporaryContents(stagingSlot, staging.get());
    ::flock(staging.get(), LOCK_EX);  // a sweep by another run leaves it alone
    out.stagingFolder_ = parentText.empty() ? stagingName : detail::Place::JoinPath(parentText, stagingName);
    stagedFile = out.kind_ == Kind::StandardOutput ? "output" : place.name;
    out.stagingPath_ = detail::Place::JoinPath(out.stagingFolder_, stagedFile);
    return true;
}

// The finished file, as the writer left it: a regular file of this user, not a link.
bool Output::State::OpenStaged(Fd& staged, Problem& problem) {
    staged.reset(::openat(staging.get(), stagedFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!staged && errno == ENOENT) {
        problem = {"the file to put in place was never written", "", ENOENT};
        return false;
    }
    if (!staged && errno != ELOOP) {
        problem = FromErrno(errno);
        return false;
    }
    if (!staged || ::fstat(staged.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        problem = {"what was written is not a regular file of this user", "", 0};
        return false;
    }
    return true;
}

void Output::State::RemoveStaging() {
    if (!stagingName.empty()) {
        if (staging) detail::RemoveRegularFilesIn(staging.get());
        ::unlinkat(StagingParent(), stagingName.c_str(), AT_REMOVEDIR);
        stagingName.clear();
    }
    // Forgotten before its descriptor closes: the handler never reads a number that
    // may already name another folder.
    detail::UnregisterTemporary(stagingSlot);
    stagingSlot = -1;
    staging.reset();
}

} // namespace tallowby::files
