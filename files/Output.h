// Every file this program creates, replaces or copies is written through an Output:
// the export's worksheets, workbooks, CSV files and cards, and the scan's backup copy.
//
// - The folder is opened once; everything after is relative to its descriptor.
// - A new file is created exclusively (O_TMPFILE, else a name of this program's own
//   pattern ".tallowby-tmp-XXXXXXXXXX" with O_CREAT|O_EXCL|O_NOFOLLOW), with its final
//   permissions from the start, written through its descriptor with every write
//   checked, fsync'ed, and put in place by Commit with one rename. Until then the
//   target, and any earlier file of that name, stays as it was.
// - Links and special files at the target name follow the kernel's rule for shared
//   folders: in a sticky world-writable folder (/tmp), a symbolic link, FIFO or device
//   is followed or written only when it belongs to the user running the program or to
//   the folder's owner; otherwise Open refuses and says why. Elsewhere a link is
//   followed (to a regular file: that file is replaced and the link stays) and a
//   device or FIFO is written in place.
// - Permissions: a new file gets OutputOptions::mode limited by the umask; a regular
//   file that stood at the target keeps its permission bits (0777) only when the user
//   owns it. A target the user may not write (no write bit: "the file is read-only")
//   is refused, for root as for others, as the shell refuses it.
// - "-", "/dev/stdout", "/dev/fd/1" and "/proc/self/fd/1" name standard output: the
//   descriptor the program was given (a pipe, a terminal, a file opened with > or >>)
//   is written, never opened by name and never renamed over.
// - Temporary names are registered while they exist, so that SIGINT, SIGTERM and
//   SIGHUP remove them (InstallSignalCleanup); a name of this program's pattern that
//   a killed run of the same user left in a folder, older than this run, is removed
//   by the next Open in that folder.
#pragma once

#include "files/Problem.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tallowby::files {

// A file's identity, to tell whether two names lead to the same file.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

struct OutputOptions {
    // Permission bits of a new file before the umask (the address book's, & 0666).
    mode_t mode = 0666;
    // A file that must never be replaced or written (the address book): Open refuses
    // a target that is this file, under any name; Problem::error is then EEXIST and
    // the reason "it is the address book itself".
    std::optional<FileId> protect;
    // The writer is a library that opens its file by name and seeks in it
    // (libxlsxwriter): it writes StagingPath(), a file inside a private folder (0700)
    // of this run, beside the target or, for a device, a pipe or standard output, in
    // $TMPDIR (else /tmp). Commit moves or copies it to the target.
    bool staged = false;
    // False: an existing file at the target is never replaced (Open refuses it, and
    // Commit's rename fails rather than replace one that appeared meanwhile).
    bool replace = true;
};

class Output {
public:
    enum class Kind {
        File,            // a regular file, new or replaced by Commit's rename
        InPlace,         // a device or FIFO of the user's own, written directly
        StandardOutput,  // the program's standard output
    };

    // Checks the target and prepares writing it. Null, with `problem` set, when the
    // target cannot be written: the folder is missing or not writable, the name is a
    // folder, a read-only file, a link or special file refused by the shared-folder
    // rule, the protected file, a socket, a name too long, the temporary folder
    // unusable (its path named, "$TMPDIR" too when it came from there) ...
    // A refusal by a rule of this program (the shared-folder rule, a file that
    // changed kind meanwhile) has Problem::error 0.
    static std::unique_ptr<Output> Open(const std::string& path, const OutputOptions& options, Problem& problem);

    ~Output();  // Discard, unless committed
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    Kind kind() const { return kind_; }
    // The path as given, and where the file lands (own links followed).
    const std::string& path() const { return path_; }
    const std::string& finalPath() const { return finalPath_; }

    // Not staged: the descriptor to write (the new file, the device, standard output).
    // Staged, and after Commit or Discard: -1.
    int fd() const { return fd_; }
    // Writes all of `bytes`; false with `problem` when the system refused some.
    bool Write(std::string_view bytes, Problem& problem);
    // Copies what is left of the open file `source` (a reflink where the file system
    // shares blocks, else copy_file_range, else read and write). `stop`, when given,
    // is asked between pieces of a few MiB; a stop fails with ECANCELED.
    bool CopyFrom(int source, Problem& problem, const std::function<bool()>& stop = {});

    // Staged: the file the library is to write, and the private folder it lies in
    // (for the library's own temporary files).
    const std::string& StagingPath() const { return stagingPath_; }
    const std::string& StagingFolder() const { return stagingFolder_; }

    // Puts the complete file in place: fsync, its final permissions, one rename over
    // the target (for a device, a pipe or standard output: the staged file's bytes
    // copied there). `verify`, when given, first reads the complete file through the
    // descriptor it is handed (at offset 0) and fails the commit with its problem;
    // an output written in place without staging cannot be read back and is not
    // verified. False with `problem`; the target is then as it was (for an output
    // written in place, what reached it stays). After Commit the Output holds nothing.
    bool Commit(Problem& problem, const std::function<bool(int fd, Problem&)>& verify = {});
    // Removes what was written under a temporary name; the target stays as it was.
    void Discard();

private:
    Output() = default;
    struct State;
    std::unique_ptr<State> state_;
    Kind kind_ = Kind::File;
    std::string path_, finalPath_, stagingPath_, stagingFolder_;
    int fd_ = -1;
};

// The identity of the file a path names (links followed); none when it cannot be had.
std::optional<FileId> IdentityOf(const std::string& path);

// While a run writes, SIGINT, SIGTERM and SIGHUP first remove every temporary name
// registered by an Output, then end the program as they would have. A signal that was
// ignored when this is first called stays ignored. Call once, early in main; safe to
// call again.
void InstallSignalCleanup();

} // namespace tallowby::files
