// The text rules of a vCard, for both versions the export writes: 3.0 (RFC 2426, on
// RFC 2425's directory profile) and 4.0 (RFC 6350). A card is a run of content lines
// "NAME;PARAM=VALUE:value" ended by CR LF; a line longer than 75 octets is folded onto
// continuation lines that start with a space, never inside a UTF-8 sequence. Text
// values escape backslash, comma, semicolon and line breaks; characters no content
// line can carry (controls other than the tab) are left out and counted. A semicolon is
// escaped wherever 3.0's text grammar has it; 4.0 escapes it only in the compound
// values it separates (N, ADR, ORG), as RFC 6350 allows and as its readers expect.
#pragma once

#include "addressbook/Notes.h"
#include "addressbook/ValueText.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::vcard {

inline constexpr std::size_t kMaxLineOctets = 75;

// Appends `text` as a text value: "\" and "," escaped, ";" too when `semicolons`, CR LF /
// CR / LF as "\n", other control characters dropped, bytes that break UTF-8 replaced by
// U+FFFD. True when something was dropped or replaced.
bool AppendEscaped(std::string& out, std::string_view text, bool semicolons = true);

// True for a value that can stand unescaped in a URI-valued property (URL, MEMBER,
// UID): printable ASCII or UTF-8 text without spaces, quotes or the characters text
// values escape.
bool IsPlainUri(std::string_view value);

// True for something@domain.tld without spaces: what an "e-mail" value must be to be
// an EMAIL (a Notes address "Ann Smith/Acme@Acme" is not).
bool LooksLikeEmail(std::string_view value);

// "mailto:" and the address, characters outside the unreserved set and "@!$&'*+=" in
// percent-encoding.
std::string MailtoUri(std::string_view address);

// "urn:uuid:ea20158a-0f40-05d1-b4f7-fa8b6979f2f9" for the 32 hexadecimal digits of a
// Notes Universal ID; "" for anything else.
std::string UuidUrn(std::string_view unid);

// "X-NOTES-" and the item's name upper-cased, each character a property name cannot
// hold (anything but ASCII letters, digits and "-") as "-".
std::string NotesPropertyName(std::string_view item);

// A date that exists: a year 1..9999, a month, a day of that month.
bool IsCalendarDate(const NotesDateTime& date);
// A date as a card writes it: "1962-08-11" (3.0) or "19620811" (4.0).
std::string DateValue(const NotesDateTime& date, int version);
// A date-time in ISO 8601 for a text value: "1962-08-11", or "1962-08-11T14:30:05".
std::string IsoText(const NotesDateTime& value);
// A moment in UTC: "20220203T194805Z".
std::string UtcStamp(const NotesDateTime& utc);
// The calendar date a text holds as "1962-08-11" or "19620811"; false for any other text.
bool ParseIsoDate(std::string_view text, NotesDateTime& date);

// Each value of an item as text, empty ones left out: by ValueText with names
// abbreviated (and a lone "0" left out when `zeroIsEmpty`), but a date-time in ISO 8601
// as written (IsoText), never by the regional settings nor moved by a time zone.
std::vector<std::string> ItemTexts(const NotesItem& item, bool zeroIsEmpty = false);

// Builds cards into a buffer: each property's logical line is written to it, then
// folded there when it is longer than a line may be.
class CardText {
public:
    CardText(std::string& out, int version) : out_(out), semicolons_(version != 4) {}

    // A property whose value is already in its final form (a URI, a date, a fixed word).
    void Raw(std::string_view name, std::string_view params, std::string_view value);
    // A text value, escaped.
    void Text(std::string_view name, std::string_view params, std::string_view value);
    // A list of text values separated by commas (CATEGORIES, NICKNAME).
    void List(std::string_view name, std::string_view params, const std::vector<std::string>& values);
    // Components separated by semicolons, the values of each by commas (N, ADR, ORG).
    void Structured(std::string_view name, std::string_view params,
                    const std::vector<const std::vector<std::string>*>& components);

    // Values that lost characters a card cannot carry, so far.
    int32_t valuesWithDroppedCharacters() const { return dropped_; }

private:
    void Start(std::string_view name, std::string_view params);
    void Escape(std::string_view text, bool compound = false);
    void Finish();

    std::string& out_;
    const bool semicolons_;  // escaped in every text value
    std::size_t start_ = 0;  // where the logical line being written begins
    std::string line_;       // scratch for folding
    int32_t dropped_ = 0;
};

} // namespace tallowby::vcard
