// The person documents of a DXL book, kept compactly: per document only its identity
// and the kept items, encoded into one byte record in an arena, so that memory follows
// the number of contacts rather than the size of the file.
//
// A record:
//   varint unidLength, unid, varint noteidLength, noteid, u8 itemCount,
//   per item: u8 keptIndex, varint valueCount, per value: u8 kind, payload
// with payload: text = varint length + UTF-8 bytes; number = 8 bytes (double);
// date-time = 8 bytes (year u16, month, day, hour, minute, second, hasTime).
#pragma once

#include "addressbook/Notes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

// The items a book keeps per person document: the contact record's 42 items in
// record order, then Type and Form (which decide whether a document is a person).
inline constexpr int kDxlKeptItemCount = 44;
inline constexpr int kDxlFirstNameItem = 0;
inline constexpr int kDxlLastNameItem = 2;
inline constexpr int kDxlTypeItem = 42;
inline constexpr int kDxlFormItem = 43;

// The kept item of that name, matched ignoring ASCII case (as Notes matches item
// names): its index, or -1.
int DxlKeptItemIndex(std::string_view itemName);
// The usual spelling of the kept item with that index.
std::string_view DxlKeptItemName(int index);

enum class DxlValueKind : std::uint8_t { Empty = 0, Text = 1, Number = 2, DateTime = 3 };

// One document as the reader gathers it, reused from one document to the next.
struct DxlGatheredDocument {
    struct Item {
        std::uint8_t kept;
        std::uint32_t firstValue;
        std::uint32_t valueCount;
    };
    struct Value {
        DxlValueKind kind;
        std::size_t textOffset;  // Text: into text
        std::size_t textLength;
        std::uint64_t bits;  // Number: the double's bits; DateTime: packed
    };

    std::string unid, noteid;
    std::vector<Item> items;    // in the order read; the first item of a name only
    std::vector<Value> values;  // of all items, back to back
    std::string text;           // the texts of all values, back to back

    void Clear();
    const Item* Find(int kept) const;
    // The first value of the item when it is a text; "" otherwise.
    std::string_view FirstText(int kept) const;
};

std::uint64_t PackDxlDateTime(const NotesDateTime& dateTime);

class DxlPersonPool {
public:
    // Stores a person document; false, storing nothing, for one whose record would be
    // larger than 4 GB.
    bool Add(const DxlGatheredDocument& document);

    // Puts the persons into the $People view's order: by last name, then first name,
    // ignoring case, ties in the order they were added.
    void SortIntoViewOrder();

    std::size_t size() const { return persons_.size(); }
    std::size_t storedBytes() const { return storedBytes_; }

    // A stored person, decoded far enough to find its items.
    struct Decoded {
        std::string_view unid, noteid;
        const unsigned char* items[kDxlKeptItemCount] = {};  // nullptr: item not in the document
    };
    Decoded Decode(std::size_t viewIndex) const;
    // The values of an item found by Decode; one empty value for none.
    static NotesValues Values(const unsigned char* item);

private:
    struct StoredPerson {
        const unsigned char* data;
        std::uint32_t size;
    };
    unsigned char* Allocate(std::size_t size);

    std::vector<std::unique_ptr<unsigned char[]>> blocks_;  // the arena
    unsigned char* blockNext_ = nullptr;
    std::size_t blockLeft_ = 0;
    std::vector<StoredPerson> persons_;  // in file order, then in view order
    std::size_t storedBytes_ = 0;
    // Sort keys back to back; 64-bit offsets, so that any amount of them sorts right.
    std::string keys_;
    std::vector<std::uint64_t> keyOffsets_;
};

} // namespace tallowby
