// A Notes address book read from a DXL export (the Domino XML format that Notes
// writes with File > Export): its title, the person documents of its $People view and
// the group documents of its Groups view, each with its identity, its last change
// and every item it carries, with all values.
//
// The file is streamed once through expat. Per document only its identity and its
// items are stored, compactly, so memory follows the documents' text, not the size of
// the file: design notes, other documents and binary data (attachments, pictures, raw
// item data, Notes' own "$" items) are dropped while reading; binary items are
// counted.
//
// A file that is not a well-formed DXL database cannot be read: the read throws
// NotesError naming the file and the fault. No DTD or external entity is ever
// loaded; a file that declares entities or uses an undefined one is refused.
#pragma once

#include "addressbook/DxlDocumentPool.h"
#include "addressbook/DxlItemNames.h"
#include "addressbook/Notes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tallowby {

class DxlBook {
public:
    // Reads a DXL file. Throws NotesError, with the problem for the user, when the
    // file cannot be opened as a DXL database: missing, a folder, a device or pipe,
    // unreadable, not well-formed XML (truncated, binary, invalid UTF-8), another XML
    // vocabulary, hostile (entity declarations), or too large for the memory.
    //
    // A file of kTwoPartsFrom bytes or more is read in two parts at once when the
    // program may run on two processors; the book read is the same.
    static std::shared_ptr<const DxlBook> ReadFile(const std::string& path);
    static constexpr std::uint64_t kTwoPartsFrom = 4 << 20;
    // The same, trying two parts from `twoPartsFrom` bytes on, on any machine.
    static std::shared_ptr<const DxlBook> ReadFile(const std::string& path, std::uint64_t twoPartsFrom);

    // The same from bytes in memory; `name` stands for the file in messages.
    static std::shared_ptr<const DxlBook> ReadBuffer(std::string_view bytes, const std::string& name);

    // The title attribute of the database element ("" when it has none).
    const std::string& Title() const { return title_; }

    // The $People view: person documents ordered by LastName, then FirstName,
    // compared case-insensitively, ties in file order. The Groups view: group
    // documents by ListName.
    enum class View { People, Groups };
    std::size_t Count(View view) const { return Pool(view).size(); }
    DxlStoredDocument Document(View view, std::size_t index) const { return Pool(view).Decode(index); }

    const DxlItemNames& ItemNames() const { return names_; }

    // In how many parts the file was read: 2 when read in two parts at once.
    int parts() const { return parts_; }

private:
    friend class DxlReader;
    DxlBook() = default;
    const DxlDocumentPool& Pool(View view) const { return view == View::People ? persons_ : groups_; }

    std::string title_;
    DxlItemNames names_;
    DxlDocumentPool persons_, groups_;  // in view order once read
    int parts_ = 1;
};

} // namespace tallowby
