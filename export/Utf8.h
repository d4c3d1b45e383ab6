// Counting characters in UTF-8 text, for the cell limits of the formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tallowby {

// Decodes the character at text[pos]: its code and its length in bytes. A byte that
// does not start a well-formed sequence (overlong forms, surrogates and values above
// U+10FFFF included) is a character of its own, of length 1 and code 0xFFFFFFFF.
std::size_t DecodeUtf8At(std::string_view text, std::size_t pos, uint32_t& code);

inline constexpr uint32_t kInvalidUtf8 = 0xFFFFFFFF;

// Length in bytes of the first `limit` characters of a text, and whether the text
// has more characters than that. A stray byte counts as one character.
std::size_t Utf8Prefix(std::string_view text, std::size_t limit, bool& longer);

} // namespace tallowby
