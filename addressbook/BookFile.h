// Opening an address book's file for reading, and the words for what can go wrong
// with files. Only a regular file is read: a folder, a device, a named pipe or a
// socket is refused at once, and the open never waits (a pipe with no writer would
// otherwise hold the program forever).
#pragma once

#include "addressbook/Notes.h"
#include "files/Output.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tallowby {

// Opens path for reading. Returns the descriptor (blocking reads, close-on-exec), or
// -1 with `problem` saying why the book cannot be read.
int OpenBookFile(const std::string& path, BookProblem& problem);

// The same checks without keeping the file open: an empty problem when it can be read.
BookProblem CheckBookFile(const std::string& path);

// What to say when the memory ran out while reading or listing a book.
BookProblem MemoryProblem();

// A book's file as it was when read: another content shows in its size or time of
// change, another file in its identity.
struct BookStamp {
    files::FileId id;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const BookStamp&) const = default;
};

// The stamp of the file a path names now (links followed); none when it cannot be had.
std::optional<BookStamp> StampOf(const std::string& path);

} // namespace tallowby
