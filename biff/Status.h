// Status numbers returned by ExcelFile operations.
#pragma once

#include <cstdint>
#include <string>

namespace tallowby {

enum WriterStatus : int16_t {
    kStatusOk = 0,
    kStatusOutOfRange = 6,     // a value does not fit its field
    kStatusTypeMismatch = 13,  // a cell value cannot be converted
    kStatusNoFile = 52,        // no open file
    kStatusIoError = 57,       // device input/output error, other write failures
    kStatusDiskFull = 61,      // ENOSPC, EDQUOT
    kStatusTooManyFiles = 67,  // EMFILE, ENFILE
    kStatusPermission = 70,    // EACCES, EPERM
    kStatusReadOnly = 71,      // EROFS: the file system is mounted read-only
    kStatusFileTooLarge = 72,  // EFBIG: past the file size limit (ulimit -f) or the file system's
    kStatusPathAccess = 75,    // other failures to delete or open
    kStatusPathNotFound = 76,  // ENOENT, ENOTDIR while opening
};

// What was being done to the file when a system call failed.
enum class FileStep { Delete, Open, Write };

// The status number for a failed system call's errno: ENOSPC or EDQUOT 61; EFBIG 72;
// EIO 57; EMFILE or ENFILE 67; EACCES or EPERM 70; EROFS 71; ENOENT or ENOTDIR while
// opening 76; any other failure to delete or open 75; any other write failure 57.
int16_t StatusFromErrno(int err, FileStep step);

// True for the statuses that come from the file itself (the file could not be
// created, written or closed), as opposed to a value that did not fit.
bool IsFileStatus(int status);

// The reason in plain words, for messages to the user ("the disk is full").
std::string StatusText(int status);

} // namespace tallowby
