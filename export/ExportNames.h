// Where an export goes: the name formed from the address book's, and the checks made
// before anything is written.
#pragma once

#include "export/ExportFormat.h"

#include <string>

namespace tallowby {

// The output name for a database: same folder, file name lower-cased with its last
// extension replaced by the format's (appended when there is none; a name that only
// starts with a dot, ".hidden", has none), and "-full" or "-outlook" before it for
// those layouts (a vCard file holds the whole book without saying so). Only ASCII
// letters are lower-cased; other characters of the name are kept as they are.
std::string OutputPathFor(const std::string& databasePath, ExportFormat format = ExportFormat::Xls,
                          ExportLayout layout = ExportLayout::Classic);

// True when writing `target` would replace the file `database`: the same text, the
// same file under another name (a hard or symbolic link, "./" or ".." in the path,
// a case-insensitive file system), or the same place in the folder tree.
bool IsSameFile(const std::string& target, const std::string& database);

// True when `path` names a folder (links followed).
bool IsFolder(const std::string& path);

// True for the names of the program's standard output: "-", "/dev/stdout",
// "/dev/fd/1", "/proc/self/fd/1".
bool IsStandardOutput(const std::string& path);

} // namespace tallowby
