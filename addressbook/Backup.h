// The scan's backup copy of the address book, and the file copy beneath it.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace tallowby {

// Copies a file; true on success. Never fails by throwing; a run that is stopped
// meanwhile (RunControl.h) throws RunStopped, and no copy is left. With failIfExists
// false an existing destination is replaced, atomically: the copy goes to a temporary
// file beside the destination and is renamed over it only when complete. Only a
// regular file is copied, and the source is opened without ever waiting (a named
// pipe is refused).
bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists);

// The backup path: in the book's own folder, the book's file name with its last
// extension replaced by ".bak", or ".bak" appended when it has none ("Names.NSF"
// gives "Names.bak", "mail/ab" gives "mail/ab.bak"; a name that only starts with a
// dot, ".names", has none). Empty when the path names no file ("", "mail/", "..").
std::string BackupPathFor(const std::string& databasePath);

// Makes the backup copy of the book, replacing an older one. The book itself is
// never replaced: when the backup path leads to the book's own file (the same file
// under another name, through a link or the same name), no copy is made. A backup
// path that is a link to a regular file gets the copy at the link's target, and the
// link stays. Returns "" when the copy was made, else why not, as a sentence's end
// ("cannot write /d/names.bak: the disk is full").
// When `stop` is given and becomes true, the copy ends soon without a backup.
std::string MakeBackupCopy(const std::string& databasePath, const std::atomic<bool>* stop = nullptr);

// MakeBackupCopy on a thread of its own, so that the copy (work for the kernel and the
// disk) runs while the scan reads the book (work for the parser). Both only read the
// book. Wait returns the outcome (and makes the copy itself when no thread could be
// started); the destructor waits for the thread.
class BackupInBackground {
public:
    explicit BackupInBackground(std::string databasePath);
    ~BackupInBackground();
    BackupInBackground(const BackupInBackground&) = delete;
    BackupInBackground& operator=(const BackupInBackground&) = delete;
    // "" when the copy was made, else why not.
    const std::string& Wait();
    // The same, with the run's checkpoints while the copy goes on (RunControl.h), so
    // that a stop need not wait for it.
    const std::string& WaitOrStop();
    // Asks the copy to end soon, without a backup (the run was stopped); a copy not
    // begun is not made.
    void Stop();

private:
    std::atomic<bool> stop_ = false;
    std::atomic<bool> finished_ = false;  // the thread's copy has ended
    bool deferred_ = false;  // to be made by Wait, in the caller's thread
    std::string databasePath_;
    std::string problem_;
    std::thread thread_;
};

} // namespace tallowby
