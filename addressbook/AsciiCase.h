// Case rules of Notes' own names (items, views, ProgIDs) and of file extensions:
// ASCII letters only, whatever the text around them.
#pragma once

#include <string>
#include <string_view>

namespace tallowby {

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with its ASCII letters in lower case.
inline std::string FoldedAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

} // namespace tallowby
