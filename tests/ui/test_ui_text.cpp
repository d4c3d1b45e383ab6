// The details panel's heading and the web addresses, as plain strings.
#include "ui/ContactPanel.h"
#include "ui/WebLinks.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

using Fields = std::vector<std::string>;

TEST(PanelHeading, MiddleNameOnlyWhenNotEmptyAndNothingTrimmed) {
    const std::pair<Fields, std::string> cases[] = {
        {{"Anna", "", "Lindgren"}, "Anna Lindgren"}, {{"", "", "Lindgren"}, " Lindgren"},
        {{"Anna", "K.", "Lindgren"}, "Anna K. Lindgren"}, {{"Anna", "", ""}, "Anna "},
        {{" Anna", " ", "Lind "}, " Anna   Lind "}, {{"", "", ""}, " "}};
    for (const auto& [names, heading] : cases) {
        ContactFields fields;
        for (std::size_t i = 0; i < names.size(); ++i) fields[i] = names[i];
        EXPECT_EQ(PanelHeading(fields), heading);
    }
}

TEST(WebLinks, WebAddressesAndFilePaths) {
    const std::pair<const char*, bool> cases[] = {
        {"https://www.corvane.example/tallowby", true}, {"http://example.org", true},
        {"file:///tmp/names.xls", true}, {"mailto:support@corvane.example", true},
        {"", false}, {"/home/anna/names.xls", false}, {"names.xls", false},
        {"C:\\Mail\\names.xls", false},   // a drive letter, not a scheme
        {"notes:old/names.xls", false},   // a relative name with a colon
        {"./https://names.xls", false}};
    for (const auto& [text, web] : cases) EXPECT_EQ(IsWebAddress(text), web) << text;
}

} // namespace
} // namespace tallowby
