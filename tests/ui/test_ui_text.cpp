// The details panel's rules and the web addresses, as plain strings.
#include "ui/ContactPanel.h"
#include "ui/WebLinks.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitTag, EveryBarSeparates) {
    // No limit on the parts: a "|" inside a value shifts every later field one on.
    const std::pair<std::string, Fields> cases[] = {{"", {""}}, {"|", {"", ""}},
        {"a||b|", {"a", "", "b", ""}}, {"Smith|Jones", {"Smith", "Jones"}}};
    for (const auto& [tag, parts] : cases) EXPECT_EQ(SplitTag(tag), parts) << tag;
}

TEST(PanelHeading, MiddleNameOnlyWhenNotEmptyAndNothingTrimmed) {
    const std::pair<Fields, std::string> cases[] = {
        {{"Anna", "", "Lindgren"}, "Anna Lindgren"}, {{"", "", "Lindgren"}, " Lindgren"},
        {{"Anna", "K.", "Lindgren"}, "Anna K. Lindgren"}, {{"Anna", "", ""}, "Anna "},
        {{" Anna", " ", "Lind "}, " Anna   Lind "}, {{}, " "}};
    for (const auto& [fields, heading] : cases) EXPECT_EQ(PanelHeading(fields), heading);
}

TEST(PanelBoxText, ZeroIsEmptyOnlyInSuffixAndTitle) {
    for (std::size_t i = 0; i < 42; ++i)
        EXPECT_EQ(PanelBoxText(Fields(42, "0"), i), i == 3 || i == 4 ? "" : "0") << "box " << i;
    for (const std::string value : {"00", " 0", "0 ", "0.0", "O", "Ms."})
        for (const std::size_t box : {3, 4}) EXPECT_EQ(PanelBoxText({"", "", "", value, value}, box), value);
    EXPECT_EQ(PanelBoxText({"Anna", "", "Lindgren"}, 41), "");  // a field the record lacks
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
