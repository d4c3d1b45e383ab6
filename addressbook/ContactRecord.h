// The contact record: the 42 fields a person document shows in the details panel,
// and what is derived from them for the tree (key, display text, category). Each
// field is the first value of the item of the same name as text; Suffix and Title
// hold "0" for none, which shows as no text. The fields, their items and that rule
// are this table's, for the panel and the export's classic layout alike.
#pragma once

#include "addressbook/ValueText.h"

#include <array>
#include <string>
#include <string_view>

namespace tallowby {

class NotesDocument;

struct RecordField {
    std::string_view item;  // the Notes item that fills it
    TextRule rule;          // first value; "0" is empty for Suffix and Title
};

inline constexpr std::size_t kRecordFieldCount = 42;

namespace record_rules {
inline constexpr TextRule kFirstValue{};
inline constexpr TextRule kZeroIsEmpty{false, true, false};
} // namespace record_rules

// In record order (index 0 FirstName ... index 41 Categories).
inline constexpr std::array<RecordField, kRecordFieldCount> kRecordFields = [] {
    using namespace record_rules;
    return std::array<RecordField, kRecordFieldCount>{{
        {"FirstName", kFirstValue},          {"MiddleInitial", kFirstValue},     {"LastName", kFirstValue},
        {"Suffix", kZeroIsEmpty},            {"Title", kZeroIsEmpty},            {"MailAddress", kFirstValue},
        {"CompanyName", kFirstValue},        {"JobTitle", kFirstValue},          {"OfficeStreetAddress", kFirstValue},
        {"OfficeCity", kFirstValue},         {"OfficeZip", kFirstValue},         {"OfficeState", kFirstValue},
        {"OfficeCountry", kFirstValue},      {"Location", kFirstValue},          {"WebSite", kFirstValue},
        {"Department", kFirstValue},         {"Manager", kFirstValue},           {"Assistant", kFirstValue},
        {"OfficePhoneNumber", kFirstValue},  {"OfficeFAXPhoneNumber", kFirstValue}, {"CellPhoneNumber", kFirstValue},
        {"PhoneNumber_6", kFirstValue},      {"MiscPhone1", kFirstValue},        {"MiscPhone2", kFirstValue},
        {"MiscPhone3", kFirstValue},         {"StreetAddress", kFirstValue},     {"City", kFirstValue},
        {"Zip", kFirstValue},                {"State", kFirstValue},             {"Country", kFirstValue},
        {"Spouse", kFirstValue},             {"Children", kFirstValue},          {"PhoneNumber", kFirstValue},
        {"HomeFAXPhoneNumber", kFirstValue}, {"PersPager", kFirstValue},         {"Birthday", kFirstValue},
        {"Anniversary", kFirstValue},        {"Comment", kFirstValue},           {"ShortName", kFirstValue},
        {"AltFullNameSort", kFirstValue},    {"MailDomain", kFirstValue},        {"Categories", kFirstValue},
    }};
}();

// The record index of the field of that item; a compile-time error for an item that
// is no field.
consteval std::size_t RecordFieldOf(std::string_view item) {
    for (std::size_t i = 0; i < kRecordFieldCount; ++i)
        if (kRecordFields[i].item == item) return i;
    throw "no record field of that item";
}

// Record indexes the tree and the listings use.
inline constexpr std::size_t kFirstNameField = 0;
inline constexpr std::size_t kMiddleNameField = 1;
inline constexpr std::size_t kLastNameField = 2;
inline constexpr std::size_t kEmailField = 5;
inline constexpr std::size_t kCompanyField = 6;

using ContactFields = std::array<std::string, kRecordFieldCount>;

// The text of one field of a document; an item that cannot be read gives "".
std::string FieldText(NotesDocument& document, std::size_t field);

// The 42 fields of a person document in record order.
ContactFields ReadContactFields(NotesDocument& document);

// UniversalID "-" NoteID.
std::string ContactKey(const std::string& universalID, const std::string& noteID);

// "First Middle Last" (or "First Last" with no middle name), spaces trimmed at both ends.
std::string DisplayText(const std::string& first, const std::string& middle, const std::string& last);

// How a contact is listed (the tree, tallowby-cli scan): its display text; for a
// contact without a name its e-mail address, else "(no name)".
std::string ContactListText(const std::string& displayText, const std::string& email);
inline constexpr const char* kNoName = "(no name)";

// The key of the category node a contact is filed under: "A".."Z" for a trimmed first
// name that begins with a Latin letter (either case, with or without diacritics that
// decompose canonically: "Émile" is under "E"), otherwise "Other".
std::string CategoryKey(const std::string& firstName);

} // namespace tallowby
