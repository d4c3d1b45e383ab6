#include "export/XlsxCheck.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

// minizip's file functions over an open descriptor, read with pread.
struct Stream {
    int fd;
    ZPOS64_T position = 0;
    bool failed = false;
};

voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* s = static_cast<Stream*>(stream);
    const ssize_t n = ::pread(s->fd, buffer, size, static_cast<off_t>(s->position));
    if (n < 0) {
        s->failed = true;
        return 0;
    }
    s->position += static_cast<ZPOS64_T>(n);
    return static_cast<uLong>(n);
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->position; }

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<Stream*>(stream);
    struct stat info {};
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        s->position = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        s->position += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        if (::fstat(s->fd, &info) != 0) return -1;
        s->position = static_cast<ZPOS64_T>(info.st_size) + offset;
        return 0;
    default:
        return -1;
    }
}

int ZCALLBACK Close(voidpf, voidpf) { return 0; }
int ZCALLBACK Error(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->failed ? 1 : 0; }

bool Broken(files::Problem& problem, const std::string& what) {
    problem = {"the finished workbook is incomplete (" + what +
                   "): a write to the disk failed while it was assembled",
               "Check the free space of the disk and of the temporary folder, then try again.", 0};
    return false;
}

// Reads the current part to its end, counting "<row " and keeping its last bytes.
bool CountRows(unzFile zip, std::int64_t& rows, std::string& tail) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
    std::string buffer(256 * 1024, '\0');
    std::string carry;
    tail.clear();
    for (;;) {
        const int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0) {
            unzCloseCurrentFile(zip);
            return false;
        }
        if (n == 0) break;
        // The last four bytes of the previous piece go first: a "<row " split between
        // two pieces is found, and none is counted twice.
        const std::string piece = carry + buffer.substr(0, static_cast<std::size_t>(n));
        for (std::size_t at = piece.find("<row "); at != std::string::npos; at = piece.find("<row ", at + 5)) ++rows;
        carry = piece.substr(piece.size() - std::min<std::size_t>(piece.size(), 4));
        tail.append(piece, piece.size() - std::min<std::size_t>(piece.size(), 32));
        if (tail.size() > 32) tail.erase(0, tail.size() - 32);
    }
    return unzCloseCurrentFile(zip) == UNZ_OK;  // UNZ_CRCERROR when the part is not what was stored
}

} // namespace

bool CheckWorkbook(int fd, const std::vector<std::int64_t>& rowsPerSheet, files::Problem& problem) {
    Stream stream{fd};
    zlib_filefunc64_def functions{};
    functions.zopen64_file = &Open;
    functions.zread_file = &Read;
    functions.zwrite_file = &Write;
    functions.ztell64_file = &Tell;
    functions.zseek64_file = &Seek;
    functions.zclose_file = &Close;
    functions.zerror_file = &Error;
    functions.opaque = &stream;
    unzFile zip = unzOpen2_64("workbook", &functions);
    if (zip == nullptr) return Broken(problem, "its table of contents cannot be read");
    bool whole = true;
    std::string what;
    for (std::size_t i = 0; i < rowsPerSheet.size() && whole; ++i) {
        const std::string part = "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
        std::int64_t rows = 0;
        std::string tail;
        if (unzLocateFile(zip, part.c_str(), 1) != UNZ_OK) {
            whole = false;
            what = part + " is missing";
        } else if (!CountRows(zip, rows, tail) || tail.find("</worksheet>") == std::string::npos) {
            whole = false;
            what = part + " is cut short";
        } else if (rows != rowsPerSheet[i]) {
            whole = false;
            what = part + " holds " + std::to_string(rows) + " rows of " + std::to_string(rowsPerSheet[i]);
        }
    }
    unzClose(zip);
    return whole || Broken(problem, what);
}

} // namespace tallowby
