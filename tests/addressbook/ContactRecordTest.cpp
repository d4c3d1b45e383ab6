// The contact record: field order, record text, key, display text and category.
#include "addressbook/ContactRecord.h"
#include "addressbook/Notes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallowby {
namespace {

using testing::FakeDocument;

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == '|')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

TEST(ContactRecord, ItemNamesInRecordOrder) {
    const char* expected[] = {
        "FirstName", "MiddleInitial", "LastName", "Suffix", "Title", "MailAddress",
        "CompanyName", "JobTitle", "OfficeStreetAddress", "OfficeCity", "OfficeZip",
        "OfficeState", "OfficeCountry", "Location", "WebSite", "Department", "Manager",
        "Assistant", "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber",
        "PhoneNumber_6", "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City",
        "Zip", "State", "Country", "Spouse", "Children", "PhoneNumber", "HomeFAXPhoneNumber",
        "PersPager", "Birthday", "Anniversary", "Comment", "ShortName", "AltFullNameSort",
        "MailDomain", "Categories"};
    ASSERT_EQ(std::size(expected), kRecordFieldCount);
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) EXPECT_EQ(kRecordItems[i], expected[i]) << i;
}

TEST(ContactRecord, EmptyRecordIsFortyOneSeparators) {
    const ContactFields empty{};
    EXPECT_EQ(RecordText(empty), std::string(41, '|'));
}

TEST(ContactRecord, FieldsJoinedInIndexOrderWithoutTrimming) {
    ContactFields fields{};
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) fields[i] = "f" + std::to_string(i);
    fields[3] = "0";           // a "0" stays "0"
    fields[8] = " 12 Road\n";  // blanks and line breaks are kept
    const auto parts = Split(RecordText(fields));
    ASSERT_EQ(parts.size(), kRecordFieldCount);
    EXPECT_EQ(parts[0], "f0");
    EXPECT_EQ(parts[3], "0");
    EXPECT_EQ(parts[8], " 12 Road\n");
    EXPECT_EQ(parts[41], "f41");
}

TEST(ContactRecord, BarInsideAValueShiftsEveryLaterField) {
    ContactFields fields{};
    fields[0] = "Ann";
    fields[5] = "ann@a|b";  // one extra separator
    fields[41] = "VIP";
    const std::string text = RecordText(fields);
    const auto parts = Split(text);
    ASSERT_EQ(parts.size(), kRecordFieldCount + 1);
    EXPECT_EQ(parts[5], "ann@a");
    EXPECT_EQ(parts[6], "b");
    EXPECT_EQ(parts[42], "VIP");
    EXPECT_NE(text.find("ann@a|b"), std::string::npos);  // stored unescaped
}

TEST(ContactRecord, KeyIsUniversalIdDashNoteId) {
    EXPECT_EQ(ContactKey("3F1C2A5B7D9E4F60852584A2004F3C1B", "8fa"),
              "3F1C2A5B7D9E4F60852584A2004F3C1B-8fa");
    EXPECT_EQ(ContactKey("", ""), "-");
}

TEST(ContactRecord, DisplayTextMiddleNameAndTrimming) {
    EXPECT_EQ(DisplayText("Ann", "", "Lee"), "Ann Lee");
    EXPECT_EQ(DisplayText("Ann", "M.", "Lee"), "Ann M. Lee");
    EXPECT_EQ(DisplayText("", "", "Lee"), "Lee");
    EXPECT_EQ(DisplayText("Ann", "", ""), "Ann");
    EXPECT_EQ(DisplayText("", "M.", ""), "M.");
    EXPECT_EQ(DisplayText("", "", ""), "");
    // Only the ends are trimmed, and only of spaces.
    EXPECT_EQ(DisplayText("  Ann ", "", "Lee  "), "Ann  Lee");
    EXPECT_EQ(DisplayText("Ann", " ", "Lee"), "Ann   Lee");  // a blank middle name is not empty
    EXPECT_EQ(DisplayText("\tAnn", "", "Lee\n"), "\tAnn Lee\n");
}

TEST(ContactRecord, CategoryOfLatinInitialsInEitherCase) {
    EXPECT_EQ(CategoryKey("Ann"), "A");
    EXPECT_EQ(CategoryKey("ann"), "A");
    EXPECT_EQ(CategoryKey("zoe"), "Z");
    EXPECT_EQ(CategoryKey("Z"), "Z");
    EXPECT_EQ(CategoryKey("   bob  "), "B");
}

TEST(ContactRecord, CategoryOtherForEverythingElse) {
    for (const std::string name :
         {"", "   ", "7eleven", "'t Hooft", "-Ann", "Émile", "émile", "Åsa", "Иван", "李小龙",
          "Ａnn" /* full-width A */, "@home", "\xC3" /* a lone lead byte */}) {
        EXPECT_EQ(CategoryKey(name), "Other") << name;
    }
}

TEST(ContactRecord, ReadsFirstValueOfEachItemInRecordOrder) {
    FakeDocument doc("U", "1");
    std::vector<std::string> calls;
    doc.log = &calls;
    doc.Set("FirstName", "Ann")
        .Set("Categories", NotesValues{std::string("Sales"), std::string("VIP")})
        .Set("Suffix", "0")
        .Set("OfficeZip", NotesValues{12345.0})
        .Set("Birthday", NotesValues{NotesDateTime{1970, 3, 15, 0, 0, 0, false}})
        .Set("Comment", NotesValues{std::string("line 1\nline 2")});
    const ContactFields fields = ReadContactFields(doc);
    ASSERT_EQ(calls.size(), kRecordFieldCount);
    for (std::size_t i = 0; i < kRecordFieldCount; ++i)
        EXPECT_EQ(calls[i], "GetItemValue " + std::string(kRecordItems[i]));
    EXPECT_EQ(fields[0], "Ann");
    EXPECT_EQ(fields[41], "Sales");
    EXPECT_EQ(fields[3], "0");
    EXPECT_EQ(fields[10], "12345");
    EXPECT_EQ(fields[35], "1970-03-15");  // tests run under the C locale
    EXPECT_EQ(fields[37], "line 1\nline 2");
    EXPECT_EQ(fields[2], "");  // an item the document lacks
}

TEST(ContactRecord, UnreadableItemLeavesItsFieldEmptyAndTheRestIsRead) {
    FakeDocument doc("U", "1");
    doc.Set("FirstName", "Ann").Set("LastName", "Lee").Set("MailAddress", "ann@x").Set("Categories", "VIP");
    doc.FailItem("LastName").FailItem("Categories");
    int unreadable = 0;
    const ContactFields fields = ReadContactFields(doc, &unreadable);
    EXPECT_EQ(unreadable, 2);
    EXPECT_EQ(fields[0], "Ann");
    EXPECT_EQ(fields[2], "");
    EXPECT_EQ(fields[5], "ann@x");
    EXPECT_EQ(fields[41], "");
}

} // namespace
} // namespace tallowby
