#include "ui/ContactPanel.h"

namespace tallowby {

std::vector<std::string> SplitTag(std::string_view tag) {
    std::vector<std::string> parts;
    parts.reserve(kPanelBoxCount);
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = tag.find('|', start);
        if (bar == std::string_view::npos) {
            parts.emplace_back(tag.substr(start));
            return parts;
        }
        parts.emplace_back(tag.substr(start, bar - start));
        start = bar + 1;
    }
}

namespace {
const std::string& FieldOrEmpty(const std::vector<std::string>& fields, std::size_t index) {
    static const std::string empty;
    return index < fields.size() ? fields[index] : empty;
}
} // namespace

std::string PanelHeading(const std::vector<std::string>& fields) {
    const std::string& first = FieldOrEmpty(fields, 0);
    const std::string& middle = FieldOrEmpty(fields, 1);
    const std::string& last = FieldOrEmpty(fields, 2);
    if (middle.empty()) return first + " " + last;
    return first + " " + middle + " " + last;
}

std::string PanelBoxText(const std::vector<std::string>& fields, std::size_t index) {
    const std::string& value = FieldOrEmpty(fields, index);
    if ((index == kSuffixIndex || index == kTitleIndex) && value == "0") return {};
    return value;
}

} // namespace tallowby
