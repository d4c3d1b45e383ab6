// The scan's backup copy of the address book, and the file copy beneath it.
#pragma once

#include <string>

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
std::string MakeBackupCopy(const std::string& databasePath);

} // namespace tallowby
