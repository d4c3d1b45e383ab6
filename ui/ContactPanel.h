// What the details panel shows for one contact node: the tag split at "|", the
// heading above the boxes and the text of each of the 42 boxes. Plain strings, no
// widgets, so that the rules can be tested without a window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

inline constexpr std::size_t kPanelBoxCount = 42;
inline constexpr std::size_t kSuffixIndex = 3;
inline constexpr std::size_t kTitleIndex = 4;
inline constexpr std::size_t kEmailIndex = 5;

// Splits a record text at every "|" (no limit on the parts, nothing unescaped): n
// separators give n + 1 parts, so the empty text gives one empty part.
std::vector<std::string> SplitTag(std::string_view tag);

// "First Middle Last", or "First Last" when the middle name is empty (length 0).
// Nothing is trimmed: an empty first name leaves a leading blank.
std::string PanelHeading(const std::vector<std::string>& fields);

// The text that box `index` shows for its field: Suffix and Title show "0" as the
// empty box; every other value is shown as it is. A field that the record does not
// have (fewer than 42 parts) shows as empty.
std::string PanelBoxText(const std::vector<std::string>& fields, std::size_t index);

} // namespace tallowby
