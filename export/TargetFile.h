// Where an export goes: the name formed from the address book's, and the file that
// is written. A complete file replaces the target in one rename; until then the
// target, or an earlier file of that name, stays as it was.
#pragma once

#include "export/ExportFormat.h"

#include <string>

namespace tallowby {

// The output name for a database: same folder, file name lower-cased with its last
// extension replaced by the format's (appended when there is none; a name that only
// starts with a dot, ".hidden", has none). Only ASCII letters are lower-cased; other
// characters of the name are kept as they are.
std::string OutputPathFor(const std::string& databasePath, ExportFormat format = ExportFormat::Xls);

// True when writing `target` would replace the file `database`: the same text, the
// same file under another name (a hard or symbolic link, "./" or ".." in the path,
// a case-insensitive file system), or the same place in the folder tree.
bool IsSameFile(const std::string& target, const std::string& database);

// True when `path` names a folder (links followed).
bool IsFolder(const std::string& path);

// The file an export writes. A regular target (or one that does not exist yet) is
// written under a temporary name beside it, ".NAME.XXXXXX" cut to fit the longest
// file name the system allows, and renamed over it by Commit. A symbolic link is
// followed to the file it names, which is replaced that way while the link stays.
// A device, a pipe or a socket (--output /dev/null, a FIFO) is written in place:
// renaming over it would replace the node itself; a writer that needs to seek gets
// its temporary file in $TMPDIR (else /tmp) and Commit copies it there. The
// destructor removes the temporary file unless Commit succeeded.
class TargetFile {
public:
    explicit TargetFile(std::string target) : target_(std::move(target)) {}
    ~TargetFile() { Discard(); }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Chooses and reserves the path to write; false with reason() set when it cannot.
    // A writer that cannot write front to back (`streams` false: it seeks back) gets
    // a temporary file even for a device or a pipe; Commit then copies it there.
    bool Reserve(bool streams = true);
    // The path the sheet writes to: the temporary file, or the target in place.
    const std::string& path() const { return path_; }
    // True when the target is a device or a pipe, written directly.
    bool inPlace() const { return inPlace_; }
    // Where a writer may keep temporary files of its own: the folder of the file
    // written, or for a device or pipe the system's temporary folder.
    std::string ScratchFolder() const;
    // Makes the complete, closed file the target; false with reason() set.
    bool Commit();
    // Removes the temporary file (nothing for a target written in place).
    void Discard();
    const std::string& reason() const { return reason_; }

private:
    bool Fail(int status);
    bool CopyToTarget();

    std::string target_;
    std::string final_;  // the target with symbolic links followed
    std::string path_;
    std::string reason_;
    bool inPlace_ = false;
    bool staged_ = false;  // in place, through a temporary file
};

// The temporary file a run is writing, or "" when none: a signal handler may unlink
// it (the text lives in static storage and is safe to read there).
const char* ExportTempFileInProgress() noexcept;

} // namespace tallowby
