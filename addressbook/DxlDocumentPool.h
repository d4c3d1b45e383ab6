// The documents of a DXL book, kept compactly: per document its identity, its last
// change and every item the book carries for it, all values and their kinds, encoded
// into one byte record in an arena, so that memory follows the documents' text rather
// than the size of the file (which is mostly markup, design and binary data).
//
// A record:
//   varint unidLength, unid, varint noteidLength, noteid,
//   u8 hasModified, [8 bytes: the last change, packed, UTC],
//   varint binaryItems, varint itemCount,
//   per item: varint nameNumber, u8 ItemKind, varint valueCount, per value: u8 kind, payload
// with payload: text = varint length + UTF-8 bytes; number = 8 bytes (double);
// date-time = 8 bytes (year u16, month, day, hour, minute, second, hasTime).
#pragma once

#include "addressbook/Notes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

enum class DxlValueKind : std::uint8_t { Empty = 0, Text = 1, Number = 2, DateTime = 3 };

std::uint64_t PackDxlDateTime(const NotesDateTime& dateTime);

// One document as the reader gathers it, reused from one document to the next.
struct DxlGatheredDocument {
    struct Item {
        std::uint32_t name;  // its number in the book's DxlItemNames
        ItemKind kind;
        bool binary;         // holds binary data: counted, not stored
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
    std::optional<NotesDateTime> modified;  // UTC
    std::uint32_t binaryItems = 0;           // binary and "$" items met
    std::vector<Item> items;    // in the order read; the first item of a name only
    std::vector<Value> values;  // of all items, back to back
    std::string text;           // the texts of all values, back to back

    void Clear();
    const Item* Find(std::uint32_t name) const;
    // The first value of the item when it is a text; "" otherwise.
    std::string_view FirstText(std::optional<std::uint32_t> name) const;
};

// A stored document decoded far enough to find its items.
struct DxlStoredDocument {
    struct Item {
        std::uint32_t name;
        ItemKind kind;
        const unsigned char* values;  // the value count, then the values
    };
    std::string_view unid, noteid;
    std::optional<NotesDateTime> modified;
    std::uint32_t binaryItems = 0;
    std::vector<Item> items;  // in stored order

    const Item* Find(std::uint32_t name) const;
    // The values of an item; one empty value for none (null).
    static NotesValues Values(const Item* item);
};

class DxlDocumentPool {
public:
    // Stores a document (its binary items only counted); false, storing nothing, for
    // one whose record would be larger than 4 GB. `sortKey` orders the documents once
    // SortIntoViewOrder is called.
    bool Add(const DxlGatheredDocument& document, std::string_view sortKey);

    // Takes over the documents of `later` (read apart, from the book's later part)
    // after its own, their item numbers translated by `numbers` (DxlItemNames::Merge).
    void Append(DxlDocumentPool&& later, const std::vector<std::uint32_t>& numbers);

    // Puts the documents into their view's order: by sort key, ties in the order they
    // were added.
    void SortIntoViewOrder();

    std::size_t size() const { return documents_.size(); }
    std::uint64_t binaryItems() const { return binaryItems_; }

    DxlStoredDocument Decode(std::size_t viewIndex) const;

private:
    struct StoredDocument {
        const unsigned char* data;
        std::uint32_t size;
    };
    unsigned char* Allocate(std::size_t size);

    std::vector<std::unique_ptr<unsigned char[]>> blocks_;  // the arena
    unsigned char* blockNext_ = nullptr;
    std::size_t blockLeft_ = 0;
    std::vector<StoredDocument> documents_;  // in file order, then in view order
    std::uint64_t binaryItems_ = 0;
    // Sort keys back to back; 64-bit offsets, so that any amount of them sorts right.
    std::string keys_;
    std::vector<std::uint64_t> keyOffsets_;
};

} // namespace tallowby
