// The contact record (record text, key, display text, category) and the default tree.
#include "addressbook/ContactRecord.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

TEST(DefaultTree, RootThenTwentySixLettersThenOther) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    EXPECT_TRUE(tree.displayOptionsSet());
    // depth, key, text, parent, image, expanded and tag of each node in tree order
    std::string nodes, expected = "0 Lotus Notes Address Book/Notes Address Book//1+\n";
    for (const auto& [n, depth] : tree.InTreeOrder())
        nodes += std::to_string(depth) + " " + n->key + "/" + n->text + "/" + n->parentKey + "/" +
                 std::to_string(n->image) + (n->expanded ? "+" : "") + n->tag + "\n";
    for (char c = 'A'; c <= 'Z'; ++c) expected += std::string("1 ") + c + "/" + c + "/Lotus Notes Address Book/2\n";
    EXPECT_EQ(nodes, expected + "1 Other/Other/Lotus Notes Address Book/2\n");
}

TEST(ContactRecord, ReadsTheFirstValueOfEachItemInRecordOrder) {
    test::FakeDocument doc("U", "1");
    for (const auto item : kRecordItems) doc.Set(std::string(item), {std::string(item), "a second value"});
    doc.Set("OfficeZip", {12345.0}).Set("Birthday", {NotesDateTime{1970, 3, 15, 0, 0, 0, false}});
    doc.Set("Suffix", {"0"}).Set("Title", {" Dr |\n"}).failing = {"City", "Spouse"};
    doc.items.erase("MiddleInitial");
    int unreadable = 0;
    // Nothing is trimmed or escaped: a "|" in a value moves every later field one place on.
    EXPECT_EQ(RecordText(ReadContactFields(doc, &unreadable)),
              "FirstName||LastName|0| Dr |\n|MailAddress|CompanyName|JobTitle|OfficeStreetAddress|OfficeCity|12345|"
              "OfficeState|OfficeCountry|Location|WebSite|Department|Manager|Assistant|OfficePhoneNumber|"
              "OfficeFAXPhoneNumber|CellPhoneNumber|PhoneNumber_6|MiscPhone1|MiscPhone2|MiscPhone3|StreetAddress|"
              "|Zip|State|Country||Children|PhoneNumber|HomeFAXPhoneNumber|PersPager|1970-03-15|Anniversary|"
              "Comment|ShortName|AltFullNameSort|MailDomain|Categories");
    EXPECT_EQ(unreadable, 2);  // City and Spouse; a missing item is not unreadable
    EXPECT_EQ(RecordText(ContactFields{}), std::string(41, '|'));
    EXPECT_EQ(ContactKey("3F1C2A5B7D9E4F60852584A2004F3C1B", "8fa"), "3F1C2A5B7D9E4F60852584A2004F3C1B-8fa");
}

TEST(ContactRecord, DisplayTextAndCategory) {
    const char* names[][4] = {
        {"Ann", "", "Lee", "Ann Lee"}, {"Ann", "M.", "Lee", "Ann M. Lee"}, {"", "", "Lee", "Lee"},
        {"Ann", "", "", "Ann"}, {"", "M.", "", "M."}, {"", "", "", ""}, {"  Ann ", "", "Lee  ", "Ann  Lee"},
        {"Ann", " ", "Lee", "Ann   Lee"},
        {"\tAnn", "", "Lee\n", "\tAnn Lee\n"},  // only spaces are trimmed
    };
    for (const auto& n : names) EXPECT_EQ(DisplayText(n[0], n[1], n[2]), n[3]) << n[0] << "/" << n[1] << "/" << n[2];
    // A Latin letter in either case, after leading spaces, also with diacritics that
    // decompose canonically; anything else is "Other".
    const char* categories[][2] = {
        {"Ann", "A"}, {"ann", "A"}, {"zoe", "Z"}, {"   bob  ", "B"}, {"", "Other"}, {"   ", "Other"},
        {"7eleven", "Other"}, {"'t Hooft", "Other"}, {"Émile", "E"}, {"émile", "E"}, {"Åke", "A"},
        {"Ólafur", "O"}, {"ǖ", "U"}, {"e\u0301mile", "E"}, {"Øystein", "Other"}, {"Łukasz", "Other"},
        {"Æsa", "Other"}, {"ǅ" /* compatibility only */, "Other"}, {"Иван", "Other"},
        {"Йован", "Other"}, {"李小龙", "Other"}, {"Ａnn" /* full-width */, "Other"}, {"\xC3", "Other"},
        {"\xC3\x89", "E"}, {"\xE0\x80\x80", "Other"} /* overlong */,
    };
    for (const auto& c : categories) EXPECT_EQ(CategoryKey(c[0]), c[1]) << c[0];
}

} // namespace
} // namespace tallowby
