// The contact record: 42 fields read from a person document, joined by "|", and
// the node attributes derived from them (key, display text, category).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tallowby {

class NotesDocument;

inline constexpr std::size_t kRecordFieldCount = 42;

// Item names in record order (index 0 FirstName ... index 41 Categories).
extern const std::array<std::string_view, kRecordFieldCount> kRecordItems;

using ContactFields = std::array<std::string, kRecordFieldCount>;

// The 42 fields joined by "|": 41 separators, nothing escaped.
std::string RecordText(const ContactFields& fields);

// UniversalID "-" NoteID.
std::string ContactKey(const std::string& universalID, const std::string& noteID);

// "First Middle Last" (or "First Last" with no middle name), spaces trimmed at both ends.
std::string DisplayText(const std::string& first, const std::string& middle,
                        const std::string& last);

// The key of the category node a contact is filed under: "A".."Z" for a trimmed first
// name that begins with a Latin letter (either case, with or without diacritics that
// decompose canonically: "Émile" is under "E"), otherwise "Other".
std::string CategoryKey(const std::string& firstName);

// Reads the 42 items of a person document in record order, keeping the first value
// of each as text. An item that cannot be read leaves its field empty; the number of
// such items is added to *unreadable when it is given.
ContactFields ReadContactFields(NotesDocument& document, int* unreadable = nullptr);

} // namespace tallowby
