#include "addressbook/ContactRecord.h"

#include "addressbook/ContactTree.h"
#include "addressbook/Notes.h"

#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <new>

namespace tallowby {

const std::array<std::string_view, kRecordFieldCount> kRecordItems = {
    "FirstName",          "MiddleInitial",        "LastName",        "Suffix",
    "Title",              "MailAddress",          "CompanyName",     "JobTitle",
    "OfficeStreetAddress", "OfficeCity",          "OfficeZip",       "OfficeState",
    "OfficeCountry",      "Location",             "WebSite",         "Department",
    "Manager",            "Assistant",            "OfficePhoneNumber", "OfficeFAXPhoneNumber",
    "CellPhoneNumber",    "PhoneNumber_6",        "MiscPhone1",      "MiscPhone2",
    "MiscPhone3",         "StreetAddress",        "City",            "Zip",
    "State",              "Country",              "Spouse",          "Children",
    "PhoneNumber",        "HomeFAXPhoneNumber",   "PersPager",       "Birthday",
    "Anniversary",        "Comment",              "ShortName",       "AltFullNameSort",
    "MailDomain",         "Categories",
};

namespace {

// Leading and trailing spaces only; tabs and line breaks are kept.
std::string_view TrimSpaces(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

} // namespace

std::string RecordText(const ContactFields& fields) {
    std::size_t size = kRecordFieldCount - 1;
    for (const auto& f : fields) size += f.size();
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
        if (i > 0) text += '|';
        text += fields[i];
    }
    return text;
}

std::string ContactKey(const std::string& universalID, const std::string& noteID) {
    std::string key;
    key.reserve(universalID.size() + 1 + noteID.size());
    key += universalID;
    key += '-';
    key += noteID;
    return key;
}

std::string DisplayText(const std::string& first, const std::string& middle,
                        const std::string& last) {
    std::string text = first;
    text += ' ';
    if (!middle.empty()) {
        text += middle;
        text += ' ';
    }
    text += last;
    return std::string(TrimSpaces(text));
}

std::string CategoryKey(const std::string& firstName) {
    // The first character of the trimmed name decides. A letter with diacritics files
    // under its base letter, the first character of its canonical decomposition ("É"
    // is "E" and a combining acute accent); letters without one (Ø, Ł, Æ), other
    // scripts, digits, punctuation and blank names go to "Other".
    const std::string_view trimmed = TrimSpaces(firstName);
    if (trimmed.empty()) return kOtherKey;
    const auto length = static_cast<int32_t>(std::min<std::size_t>(trimmed.size(), 4));
    int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(trimmed.data(), offset, length, c);
    if (c < 0) return kOtherKey;  // not well-formed UTF-8
    if (c >= 0x80) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
        icu::UnicodeString decomposition;
        if (U_FAILURE(status) || !nfd->getDecomposition(c, decomposition) ||
            decomposition.isEmpty())
            return kOtherKey;
        c = decomposition.char32At(0);
    }
    if (c >= 'a' && c <= 'z') return std::string(1, static_cast<char>(c - 'a' + 'A'));
    if (c >= 'A' && c <= 'Z') return std::string(1, static_cast<char>(c));
    return kOtherKey;
}

ContactFields ReadContactFields(NotesDocument& document, int* unreadable) {
    // The item names as the call takes them, made once.
    static const std::array<std::string, kRecordFieldCount> names = [] {
        std::array<std::string, kRecordFieldCount> made;
        for (std::size_t i = 0; i < kRecordFieldCount; ++i) made[i] = std::string(kRecordItems[i]);
        return made;
    }();
    ContactFields fields;
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
        try {
            NotesValues values = document.GetItemValue(names[i]);
            if (values.empty()) continue;
            if (auto* text = std::get_if<std::string>(&values.front()))
                fields[i] = std::move(*text);  // a text is its own text: no copy
            else
                fields[i] = ValueToText(values.front());
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            fields[i].clear();
            if (unreadable) ++*unreadable;
        }
    }
    return fields;
}

} // namespace tallowby
