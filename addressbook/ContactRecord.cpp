#include "addressbook/ContactRecord.h"

#include "addressbook/ContactTree.h"
#include "addressbook/Notes.h"

#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <new>

namespace tallowby {

namespace {

// Leading and trailing spaces only; tabs and line breaks are kept.
std::string_view TrimSpaces(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

} // namespace

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

std::string FieldText(NotesDocument& document, std::size_t field) {
    // The item names as the call takes them, made once.
    static const std::array<std::string, kRecordFieldCount> names = [] {
        std::array<std::string, kRecordFieldCount> made;
        for (std::size_t i = 0; i < kRecordFieldCount; ++i) made[i] = std::string(kRecordFields[i].item);
        return made;
    }();
    try {
        return ValueText(document.GetItemValue(names.at(field)), kRecordFields[field].rule);
    } catch (const NotesError&) {
        return {};  // an item that cannot be read leaves its field empty
    }
}

ContactFields ReadContactFields(NotesDocument& document) {
    ContactFields fields;
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) fields[i] = FieldText(document, i);
    return fields;
}

std::string ContactListText(const std::string& displayText, const std::string& email) {
    if (!displayText.empty()) return displayText;
    return email.empty() ? std::string(kNoName) : email;
}

} // namespace tallowby
