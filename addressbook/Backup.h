// The scan's backup copy of the address book, and the file copy beneath it.
#pragma once

#include "files/Output.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tallowby {

// Copies a file; true on success. Never fails by throwing. With failIfExists an
// existing destination is never replaced; without, it is replaced in one rename once
// the copy is complete. Only a regular file is copied, and the source is opened
// without ever waiting (a named pipe is refused).
bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists);

// The backup path: in the book's own folder, the book's file name with its last
// extension replaced by ".bak", or ".bak" appended when it has none ("Names.NSF"
// gives "Names.bak", "mail/ab" gives "mail/ab.bak"; a name that only starts with a
// dot, ".names", has none). Empty when the path names no file ("", "mail/", "..").
std::string BackupPathFor(const std::string& databasePath);

// The backup copy of one scan. The copy is made on a thread of its own while the scan
// reads the book (copying is work for the kernel and the disk, reading for the
// parser; both only read the book), into a new file that replaces an earlier
// NAME.bak only when Commit is called: once the book was read to its end without a
// failure. A backup name that is the book itself (the same file under another name)
// is never written.
class BackupCopy {
public:
    explicit BackupCopy(std::string bookPath);
    ~BackupCopy();  // a copy not committed is removed; waits for the thread
    BackupCopy(const BackupCopy&) = delete;
    BackupCopy& operator=(const BackupCopy&) = delete;

    // Waits until the copy has ended, with the run's checkpoints, so that a stop of the
    // run need not wait for it.
    void Wait();
    // Puts the complete copy in place. "" when it was; else why no backup was made, as
    // the end of a sentence ("cannot write /d/names.bak: the disk is full").
    std::string Commit();
    // Stops and removes the copy; an earlier backup stays as it was.
    void Discard();

private:
    void Copy();

    std::string bookPath_, backupPath_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> finished_ = false;
    std::unique_ptr<files::Output> output_;
    std::string problem_;
    std::thread thread_;
};

} // namespace tallowby
