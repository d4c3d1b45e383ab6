// A Notes address book read from a DXL export (the Domino XML format that Notes
// writes with File > Export): its title and the person documents of its $People
// view, each with its identity and the items this program reads.
//
// The file is streamed once through expat. Per person document only the note's
// identity and the kept items (the 42 contact-record items plus Type and Form) are
// stored, compactly, so memory follows the number of contacts, not the size of the
// file: exports carry many more items, design notes and groups, all dropped while
// reading. An item the book does not keep reads like an item the document lacks.
//
// A file that is not a well-formed DXL database cannot be read: the read throws
// NotesError naming the file and the fault. No DTD or external entity is ever
// loaded; a file that declares entities or uses an undefined one is refused.
#pragma once

#include "addressbook/DxlPersonPool.h"
#include "addressbook/Notes.h"

#include <cstddef>
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
    static std::shared_ptr<const DxlBook> ReadFile(const std::string& path);

    // The same from bytes in memory; `name` stands for the file in messages.
    static std::shared_ptr<const DxlBook> ReadBuffer(std::string_view bytes,
                                                     const std::string& name);

    // The title attribute of the database element ("" when it has none).
    const std::string& Title() const { return title_; }

    // The $People view: person documents ordered by LastName, then FirstName,
    // compared case-insensitively, ties in file order.
    std::size_t PersonCount() const { return persons_.size(); }

    // One stored person document, decoded for item look-ups.
    class Person {
    public:
        Person(const DxlBook& book, std::size_t viewIndex) : decoded_(book.persons_.Decode(viewIndex)) {}
        std::string_view UniversalID() const { return decoded_.unid; }
        std::string_view NoteID() const { return decoded_.noteid; }
        // The item's values in order; one empty value when the document lacks the
        // item, the book does not keep it, or its kind has no values to offer.
        NotesValues ItemValues(std::string_view itemName) const {
            // The contact record asks for the items in the kept order: the one after
            // the last is tried first, spelled as usual, before the name is looked up.
            const bool next = next_ < kDxlKeptItemCount && DxlKeptItemName(next_) == itemName;
            const int kept = next ? next_ : DxlKeptItemIndex(itemName);
            next_ = kept + 1;
            return DxlPersonPool::Values(kept >= 0 ? decoded_.items[kept] : nullptr);
        }

    private:
        DxlPersonPool::Decoded decoded_;
        mutable int next_ = 0;
    };

    // Bytes held for the stored person documents (a memory figure for benchmarks).
    std::size_t StoredBytes() const { return persons_.storedBytes(); }

private:
    friend class DxlReader;
    DxlBook() = default;

    std::string title_;
    DxlPersonPool persons_;  // in view order once read
};

} // namespace tallowby
