// What went wrong with a file, in words for the person who runs the program: the
// reason (the end of a sentence that names no path: the caller's message already
// names the file) and what to do about it. One table turns the system's error numbers
// into such reasons for the whole program.
#pragma once

#include <string>
#include <string_view>

namespace tallowby::files {

struct Problem {
    std::string reason;  // "the disk is full", "it is a folder"
    std::string remedy;  // a whole sentence, or "" when the caller's own advice fits
    int error = 0;       // the errno behind it; 0 for a rule of this program
    bool empty() const { return reason.empty(); }
};

// The reason for a failed call's errno: "the disk is full", "the disk quota is used
// up", "the file would be larger than the file size limit allows", "the disk is
// read-only", "permission was denied", "the name is too long", "the disk reported an
// input/output error", "too many files are open", "there is not enough memory", ...;
// for an errno without an entry, strerror's text starting in lower case. ENOENT gives
// "it does not exist" and ENOTDIR "a part of its path is not a folder": callers that
// know what was missing (the folder, the book) say so themselves.
std::string ErrorText(int error);

// The reason and a fitting remedy for a failed call's errno.
Problem FromErrno(int error);

// A path or name as messages show it: every control character (C0, DEL, C1) written
// as an escape ("\n", "\t", "\r", "\033", "\177", "\302\233"), and a backslash as
// "\\" only when something else was escaped, so that ordinary names read as they
// are and no terminal escape sequence ever reaches the screen raw.
std::string Printable(std::string_view path);

} // namespace tallowby::files
