// The details panel's rules and the web addresses, as plain strings.
#include "ui/ContactPanel.h"
#include "ui/WebLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallowby {
namespace {

std::string Record(std::vector<std::string> fields) {
    fields.resize(kPanelBoxCount);
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) text += '|';
        text += fields[i];
    }
    return text;
}

TEST(SplitTag, FortyOneSeparatorsGiveFortyTwoParts) {
    const std::string tag = Record({"Anna", "", "Lindgren"});
    const auto parts = SplitTag(tag);
    ASSERT_EQ(parts.size(), 42u);
    EXPECT_EQ(parts[0], "Anna");
    EXPECT_EQ(parts[1], "");
    EXPECT_EQ(parts[2], "Lindgren");
    EXPECT_EQ(parts[41], "");
}

TEST(SplitTag, EdgesAndRuns) {
    EXPECT_EQ(SplitTag(""), std::vector<std::string>{""});
    EXPECT_EQ(SplitTag("|"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(SplitTag("a||b|"), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitTag(std::string(41, '|')).size(), 42u);
}

TEST(SplitTag, ExtraBarShiftsEveryLaterField) {
    // A company name holding "|" pushes every later field one place on.
    std::vector<std::string> fields(kPanelBoxCount);
    fields[6] = "Smith|Jones";
    fields[7] = "Engineer";
    fields[41] = "Last";
    const auto parts = SplitTag(Record(fields));
    ASSERT_EQ(parts.size(), 43u);
    EXPECT_EQ(parts[6], "Smith");
    EXPECT_EQ(parts[7], "Jones");
    EXPECT_EQ(parts[8], "Engineer");
    EXPECT_EQ(parts[42], "Last");
    EXPECT_EQ(PanelBoxText(parts, 7), "Jones");
}

TEST(PanelHeading, MiddleNameOnlyWhenNotEmpty) {
    EXPECT_EQ(PanelHeading({"Anna", "", "Lindgren"}), "Anna Lindgren");
    EXPECT_EQ(PanelHeading({"Anna", "K.", "Lindgren"}), "Anna K. Lindgren");
}

TEST(PanelHeading, NothingIsTrimmed) {
    EXPECT_EQ(PanelHeading({"", "", "Lindgren"}), " Lindgren");
    EXPECT_EQ(PanelHeading({"Anna", "", ""}), "Anna ");
    EXPECT_EQ(PanelHeading({" Anna", " ", "Lind "}), " Anna   Lind ");
    EXPECT_EQ(PanelHeading({"", "", ""}), " ");
}

TEST(PanelBoxText, ZeroIsEmptyOnlyInSuffixAndTitle) {
    std::vector<std::string> fields(kPanelBoxCount, "0");
    EXPECT_EQ(PanelBoxText(fields, kSuffixIndex), "");
    EXPECT_EQ(PanelBoxText(fields, kTitleIndex), "");
    for (std::size_t i = 0; i < kPanelBoxCount; ++i) {
        if (i == kSuffixIndex || i == kTitleIndex) continue;
        EXPECT_EQ(PanelBoxText(fields, i), "0") << "box " << i;
    }
}

TEST(PanelBoxText, NearZerosAreShownUnchanged) {
    for (const std::string value : {"00", " 0", "0 ", "0.0", "O", "Jr."}) {
        std::vector<std::string> fields(kPanelBoxCount);
        fields[kSuffixIndex] = value;
        fields[kTitleIndex] = value;
        EXPECT_EQ(PanelBoxText(fields, kSuffixIndex), value);
        EXPECT_EQ(PanelBoxText(fields, kTitleIndex), value);
    }
}

TEST(PanelBoxText, MissingFieldsShowEmpty) {
    const std::vector<std::string> fields = {"Anna", "", "Lindgren"};
    EXPECT_EQ(PanelBoxText(fields, 2), "Lindgren");
    EXPECT_EQ(PanelBoxText(fields, 3), "");
    EXPECT_EQ(PanelBoxText(fields, 41), "");
    EXPECT_EQ(PanelHeading({}), " ");
}

TEST(WebLinks, BuiltFromTheHomePage) {
    EXPECT_EQ(std::string(kHomePageAddress), "https://www.corvane.example");
    EXPECT_EQ(HomePageLink(), "https://www.corvane.example/");
    EXPECT_EQ(ProductPage(), "https://www.corvane.example/tallowby");
}

TEST(WebLinks, WebAddressesAndFilePaths) {
    EXPECT_TRUE(IsWebAddress("https://www.corvane.example/tallowby"));
    EXPECT_TRUE(IsWebAddress("http://example.org"));
    EXPECT_TRUE(IsWebAddress("file:///tmp/names.xls"));
    EXPECT_TRUE(IsWebAddress("mailto:support@corvane.example"));
    EXPECT_FALSE(IsWebAddress(""));
    EXPECT_FALSE(IsWebAddress("/home/anna/names.xls"));
    EXPECT_FALSE(IsWebAddress("names.xls"));
    EXPECT_FALSE(IsWebAddress("C:\\Mail\\names.xls"));    // a drive letter, not a scheme
    EXPECT_FALSE(IsWebAddress("notes:old/names.xls"));    // a relative name with a colon
    EXPECT_FALSE(IsWebAddress("./https://names.xls"));
}

} // namespace
} // namespace tallowby
