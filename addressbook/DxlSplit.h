// Where a large DXL book can be cut in two, so that both parts are read at once, each
// by a parser of its own, each made a whole document:
//   the first part:  the file up to the cut, then "</database>";
//   the second part: the file up to the end of the root's start tag (its declaration,
//                    its document type, <database ...>), then the file from the cut.
// The cut lies just before an element that follows "</document>" or "</note>" near
// the file's middle. Whether it lies between two of the root's children, outside any
// comment or CDATA section, only the first part's parser can tell: when that part is
// not well-formed, the reader reads the book whole instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallowby {

struct DxlSplit {
    std::string head;     // the file up to the end of the root's start tag
    std::string closing;  // the root's end tag, spelled as its start tag names it
    std::uint64_t at = 0; // the file offset of the cut
};

// Looks for a cut in the open file `fd` of `size` bytes, reading only its beginning
// and a stretch after its middle. None when there is none to be found: a file in
// UTF-16, a root start tag past the first 64 KB, no element boundary near the middle.
std::optional<DxlSplit> FindDxlSplit(int fd, std::uint64_t size);

} // namespace tallowby
