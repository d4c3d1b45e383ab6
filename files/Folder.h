// Where an output goes: its folder, held open, and the name in it, found by following
// symbolic links the way the kernel's rule for shared folders allows.
#pragma once

#include "files/Fd.h"
#include "files/Problem.h"

#include <string>

#include <sys/stat.h>

namespace tallowby::files::detail {

struct Place {
    Fd folder;               // O_PATH|O_DIRECTORY
    std::string folderText;  // as the path spells it; "" for the current folder
    std::string name;
    struct stat folderInfo {};
    bool exists = false;  // something, not a link, stands at `name`
    struct stat info {};  // that, not following links
    std::string Path() const { return folderText.empty() ? name : JoinPath(folderText, name); }
    static std::string JoinPath(const std::string& folder, const std::string& name) {
        return folder.ends_with('/') ? folder + name : folder + "/" + name;
    }
};

// "a/b/c" -> "a/b", "c"; "c" -> "", "c"; "/c" -> "/", "c".
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// A sticky folder everyone may write, as /tmp: the kernel's shared-folder rule holds.
bool IsShared(const struct stat& folder);
// Whether a link, FIFO or device owned by `owner` in `folder` may be followed or
// written: always outside a shared folder; in one, only when it is the user's own or
// the folder owner's.
bool MayUse(const struct stat& folder, uid_t owner);
// "nobody (uid 65534)", or "uid 65533" for a number without a name.
std::string OwnerText(uid_t owner);
// "a symbolic link", "a named pipe", "a device", "a folder", "a socket", "a file".
std::string KindText(mode_t mode);

// The reason a folder cannot be used, said of `subject` ("the folder", "the temporary
// folder /x (from $TMPDIR)"): "... does not exist", "... may not be written
// (permission was denied)".
Problem FolderProblem(int error, const std::string& subject, bool writing);

// Opens `folderText` ("" = ".") relative to `base` into place.folder.
bool OpenFolder(int base, const std::string& folderText, const std::string& subject, Place& place, Problem& problem);

// Finds what `path` leads to, following symbolic links (at most 40) as long as the
// shared-folder rule allows; place.exists false for a name to create.
bool FindPlace(const std::string& path, Place& place, Problem& problem);

// True when new names may be made in the folder; else the reason.
bool CheckFolderWritable(const Place& place, const std::string& subject, Problem& problem);

// The process's umask, read without changing it (other threads may create files).
mode_t CurrentUmask();

} // namespace tallowby::files::detail
