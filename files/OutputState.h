// What an Output holds between Open and Commit. Its parts live in Output.cpp (opening),
// Staging.cpp (the private folder of a staged output) and Commit.cpp (putting the
// file in place).
#pragma once

#include "files/Folder.h"
#include "files/Output.h"

#include <cerrno>
#include <functional>
#include <string>

#include <sys/stat.h>

namespace tallowby::files {

namespace detail {
// Writes all bytes, through EINTR, partial writes and a descriptor left non-blocking.
bool WriteAll(int fd, const char* data, std::size_t size, Problem& problem);
// Copies what is left of `source` to `out`; `clone`: `out` is a new empty file of
// ours, which a reflink may fill.
bool CopyContents(int source, int out, bool clone, const std::function<bool()>& stop, Problem& problem);
// Whether Open creates named temporary files only (the test hook).
bool NamedTemporariesOnly();

inline bool Protects(const OutputOptions& options, const struct stat& info) {
    return options.protect && options.protect->device == info.st_dev && options.protect->inode == info.st_ino;
}
inline Problem TheBookItself() { return {"it is the address book itself", "Choose another file name.", EEXIST}; }
} // namespace detail

struct Output::State {
    OutputOptions options;
    detail::Place place;  // the final folder and name, links followed

    // File: what stood at the name at Open, and how Commit may put the new file there.
    bool existed = false;
    bool noReplace = false;  // nothing stood there, or the caller forbids replacing
    mode_t finalMode = 0;
    bool keepOwnersGroup = false;  // the user's own file: its group and mode stay
    gid_t group = 0;

    detail::Fd file;         // the new file (O_TMPFILE or named), or the device (InPlace)
    bool anonymous = false;  // O_TMPFILE: no name until Commit links it
    std::string temporary;   // its name in place.folder while it has one
    int temporarySlot = -1;
    bool untouched = true;   // nothing written yet: a reflink may fill it

    // Staged: the private folder, in place.folder or in the temporary folder.
    detail::Fd stagingParent;  // the temporary folder (InPlace, StandardOutput)
    detail::Fd staging;
    std::string stagingName, stagedFile;
    int stagingSlot = -1;

    bool finished = false;

    // Output.cpp
    bool Open(Output& out, Problem& problem);
    bool OpenExisting(Output& out, Problem& problem);
    bool OpenStandardOutput(Output& out, Problem& problem);
    bool OpenInPlace(Output& out, Problem& problem);
    bool OpenReplacement(Output& out, Problem& problem);
    bool OpenNew(Output& out, Problem& problem);
    bool CreateTemporary(mode_t mode, Problem& problem);
    void Discard(Output& out);

    // Staging.cpp
    bool MakeStaging(Output& out, Problem& problem);
    bool OpenStaged(detail::Fd& staged, Problem& problem);
    void RemoveStaging();
    int StagingParent() const { return stagingParent ? stagingParent.get() : place.folder.get(); }

    // Commit.cpp
    bool Commit(Output& out, Problem& problem, const std::function<bool(int, Problem&)>& verify);
    bool CommitFile(Problem& problem, const std::function<bool(int, Problem&)>& verify);
    bool CommitStagedFile(Problem& problem, const std::function<bool(int, Problem&)>& verify);
    bool CommitCopy(Output& out, Problem& problem, const std::function<bool(int, Problem&)>& verify);
    bool FinishInPlace(Output& out, Problem& problem);
    bool SetPermissions(int fd, Problem& problem) const;
    bool NameStillSafe(Problem& problem);
    bool PutInPlace(int fd, Problem& problem);
    bool MoveIn(int fromFolder, const std::string& fromName, Problem& problem);
};

} // namespace tallowby::files
