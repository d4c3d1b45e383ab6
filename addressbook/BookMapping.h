// The book's file mapped into memory as the parser's input buffer, so that expat
// parses the whole file in one final call straight from the file's pages: no copy of
// the file, and none of the line and column bookkeeping that expat does over every
// byte at the end of each partial call.
//
// The mapping becomes the parser's buffer through the parser's memory functions: the
// buffer the parser allocates for the file's bytes is the mapping. Pages already
// parsed are given back as the parse goes on (they come again from the file should
// the parser look back), so the memory in use does not grow with the file.
//
// A part of the file can be mapped as well, with bytes of its own before and after
// it (written over the private copy of the mapped pages, never to the file): the
// reader parses a large book in two parts at once, each part made a whole document.
//
// A file shortened while mapped loses pages; reading one would end the program with
// SIGBUS. Here such a page reads as zeros instead, which the parser refuses as not
// well-formed, and lostPages() says what happened.
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tallowby {

class BookMapping {
public:
    // Maps the first `size` bytes of the open regular file `fd`; mapped() says whether
    // it could (an empty or very large file, or no address space left: not mapped).
    BookMapping(int fd, std::uint64_t size);
    // Maps bytes [begin, end) of the open regular file `fd` (of `fileSize` bytes) as
    // one buffer that starts with `head` and ends with `tail`; not mapped() when
    // `head` is longer than `begin`.
    BookMapping(int fd, std::uint64_t fileSize, std::uint64_t begin, std::uint64_t end, std::string_view head,
                std::string_view tail);
    ~BookMapping();
    BookMapping(const BookMapping&) = delete;
    BookMapping& operator=(const BookMapping&) = delete;

    bool mapped() const { return base_ != nullptr; }
    std::uint64_t size() const { return size_; }  // of the buffer: head, the file's bytes, tail
    const char* data() const { return buffer_; }

    // The memory functions a parser must be created with to take the mapping.
    static const XML_Memory_Handling_Suite* MemorySuite();

    // Makes the mapping the input buffer of `parser`, a new parser created with
    // MemorySuite(), holding the whole buffer: XML_ParseBuffer(parser, size(), XML_TRUE)
    // then parses it. False when the parser took its buffer from elsewhere; it has
    // parsed nothing then and is best freed.
    bool BecomeInputOf(XML_Parser parser);

    // The parse has passed `offset` of the buffer: pages well before it are given back.
    void Parsed(std::uint64_t offset);

    // Pages of the file vanished while mapped (the file was shortened, or its disk
    // failed); they read as zeros.
    bool lostPages() const;

private:
    char* base_ = nullptr;
    char* buffer_ = nullptr;     // in the first page of the mapping
    std::size_t reserved_ = 0;   // the whole mapping: the file's pages, then room for the buffer's tail
    std::uint64_t size_ = 0;
    std::uint64_t released_ = 0;  // pages of the mapping before this offset have been given back
    int slot_ = -1;
    bool taken_ = false;
};

} // namespace tallowby
