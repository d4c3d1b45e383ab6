// Status numbers of the worksheet writer, in words for the user.
#include "biff/Status.h"

#include <cerrno>

namespace tallowby {

int16_t StatusFromErrno(int err, FileStep step) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return kStatusDiskFull;
    case EFBIG:
        return kStatusFileTooLarge;
    case EIO:
        return kStatusIoError;
    case EMFILE:
    case ENFILE:
        return kStatusTooManyFiles;
    case EACCES:
    case EPERM:
        return kStatusPermission;
    case EROFS:
        return kStatusReadOnly;
    case ENOENT:
    case ENOTDIR:
        if (step == FileStep::Open) return kStatusPathNotFound;
        break;
    default:
        break;
    }
    return step == FileStep::Write ? kStatusIoError : kStatusPathAccess;
}

bool IsFileStatus(int status) {
    switch (status) {
    case kStatusNoFile:
    case kStatusIoError:
    case kStatusDiskFull:
    case kStatusTooManyFiles:
    case kStatusPermission:
    case kStatusReadOnly:
    case kStatusFileTooLarge:
    case kStatusPathAccess:
    case kStatusPathNotFound:
        return true;
    default:
        return false;
    }
}

std::string StatusText(int status) {
    switch (status) {
    case kStatusOk:
        return "no error";
    case kStatusOutOfRange:
        return "a value does not fit its place in the file";
    case kStatusTypeMismatch:
        return "a cell value is not a number";
    case kStatusNoFile:
        return "the file is not open";
    case kStatusIoError:
        return "the device reported a read or write error";
    case kStatusDiskFull:
        return "the disk is full";
    case kStatusTooManyFiles:
        return "too many files are open";
    case kStatusPermission:
        return "permission was denied";
    case kStatusReadOnly:
        return "the disk is read-only";
    case kStatusFileTooLarge:
        return "the file would be larger than the file size limit allows";
    case kStatusPathAccess:
        return "the file or its folder could not be used";
    case kStatusPathNotFound:
        return "the folder does not exist";
    default:
        return "unexpected error " + std::to_string(status);
    }
}

} // namespace tallowby
