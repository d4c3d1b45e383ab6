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
    kStatusPermission = 70,    // EACCES, EPERM, EROFS
    kStatusPathAccess = 75,    // other failures to delete or open
    kStatusPathNotFound = 76,  // ENOENT, ENOTDIR while opening
};

// True for the statuses that come from the file itself (the file could not be
// created, written or closed), as opposed to a value that did not fit.
bool IsFileStatus(int status);

// The reason in plain words, for messages to the user ("the disk is full").
std::string StatusText(int status);

} // namespace tallowby
