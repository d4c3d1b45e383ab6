// The one way an item's values become text, for every window, listing and file: the
// first value or every value, the rule that "0" stands for no value (Suffix, Title),
// and names shown as Notes shows them.
#pragma once

#include "addressbook/Notes.h"

#include <string>
#include <string_view>

namespace tallowby {

struct TextRule {
    bool allValues = false;        // every value, one per line; else the first value
    bool zeroIsEmpty = false;      // a value "0" gives no text (Suffix and Title hold 0 for none)
    bool abbreviateNames = false;  // canonical names abbreviated ("CN=Ann Smith/O=Acme": "Ann Smith/Acme")
};

// The values as text by the rule. Each value becomes text by ValueToText (the user's
// regional settings); with abbreviateNames, a value of a names item, or any value in
// the canonical form, is abbreviated; with allValues, empty values are left out and
// the rest joined by line feeds.
std::string ValueText(const NotesValues& values, const TextRule& rule, ItemKind kind = ItemKind::Text);
std::string ValueText(const NotesItem& item, const TextRule& rule);

// True for a name in Notes' canonical form: "CN=" and at least one more component
// ("/OU=", "/O=", "/C="), in any case.
bool IsCanonicalName(std::string_view name);

// A name as Notes abbreviates it: each "CN=", "OU=", "O=" and "C=" label dropped
// ("CN=Ann Smith/OU=Sales/O=Acme/C=US" gives "Ann Smith/Sales/Acme/US"); a name in
// no canonical form stays as it is.
std::string AbbreviatedName(std::string_view name);

} // namespace tallowby
