// The text rules of a card, byte for byte: folding at 75 octets between characters and
// never between a backslash and what it escapes, escaping as each version wants it,
// UIDs, property names, addresses and dates; and a whole small card in each version.
#include "ExportTestSupport.h"

#include "export/VCardWriter.h"
#include "tallowby/Version.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

using vcard::CardText;

std::string Times(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

TEST(VCardTextTest, LinesFoldAt75OctetsNeverInsideACharacterOrAnEscape) {
    const struct { std::string value, expected; } cases[] = {
        // 3-byte characters: 5 + 23 * 3 = 74 octets; a 24th would make 77.
        {Times("東", 30), "NOTE:" + Times("東", 23) + "\r\n " + Times("東", 7) + "\r\n"},
        // 4-byte characters: 5 + 17 * 4 = 73.
        {Times("😀", 20), "NOTE:" + Times("😀", 17) + "\r\n " + Times("😀", 3) + "\r\n"},
        // ASCII: 75 octets, then a space and 74 each.
        {std::string(200, 'a'), "NOTE:" + std::string(70, 'a') + "\r\n " + std::string(74, 'a') + "\r\n " +
                                    std::string(56, 'a') + "\r\n"},
        // The 75th octet would be the backslash of "\,": the pair goes on together.
        {std::string(69, 'a') + ",b", "NOTE:" + std::string(69, 'a') + "\r\n \\,b\r\n"},
        // An escaped backslash before it is no escape of its own.
        {std::string(68, 'a') + "\\b", "NOTE:" + std::string(68, 'a') + "\\\\\r\n b\r\n"},
        {std::string(70, 'a'), "NOTE:" + std::string(70, 'a') + "\r\n"},
    };
    for (const auto& c : cases) {
        std::string out;
        CardText card(out, 3);
        card.Text("NOTE", {}, c.value);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(VCardTextTest, TextIsEscapedAsEachVersionWantsIt) {
    const std::string value = "a;b,c\\d\r\ne\nf\rg\x01h\th\x7F";
    std::string three, four;
    CardText card3(three, 3), card4(four, 4);
    card3.Text("NOTE", {}, value);
    card4.Text("NOTE", {}, value);
    // 3.0's text grammar escapes every semicolon; 4.0 only where it separates fields.
    EXPECT_EQ(three, "NOTE:a\\;b\\,c\\\\d\\ne\\nf\\ngh\th\r\n");
    EXPECT_EQ(four, "NOTE:a;b\\,c\\\\d\\ne\\nf\\ngh\th\r\n");
    EXPECT_EQ(card3.valuesWithDroppedCharacters(), 1);

    const std::vector<std::string> family{"Sm;ith"}, given{"A", "B,C"}, none;
    four.clear();
    card4.Structured("N", "SORT-AS=\"Smith\"", {&family, &given, &none, nullptr, &none});
    card4.List("CATEGORIES", {}, {"x;y", "p,q"});
    card4.Raw("URL", {}, "https://a.example/?q=1");
    EXPECT_EQ(four, "N;SORT-AS=\"Smith\":Sm\\;ith;A,B\\,C;;;\r\nCATEGORIES:x;y,p\\,q\r\nURL:https://a.example/?q=1\r\n");

    three.clear();
    card3.Text("FN", {}, "bad \xFF byte, \xC3\xA9t\xC3\xA9");  // a stray byte becomes U+FFFD
    EXPECT_EQ(three, "FN:bad \xEF\xBF\xBD byte\\, \xC3\xA9t\xC3\xA9\r\n");
    EXPECT_EQ(card3.valuesWithDroppedCharacters(), 2);
}

TEST(VCardTextTest, UidsNamesAddressesAndDates) {
    EXPECT_EQ(vcard::UuidUrn("EA20158A0F4005D1B4F7FA8B6979F2F9"), "urn:uuid:ea20158a-0f40-05d1-b4f7-fa8b6979f2f9");
    EXPECT_EQ(vcard::UuidUrn("EA20158A0F4005D1B4F7FA8B6979F2F"), "");
    EXPECT_EQ(vcard::UuidUrn("XA20158A0F4005D1B4F7FA8B6979F2F9"), "");
    EXPECT_EQ(vcard::NotesPropertyName("Hobby_Main"), "X-NOTES-HOBBY-MAIN");
    EXPECT_EQ(vcard::NotesPropertyName("Größe 2"), "X-NOTES-GR--E-2");
    EXPECT_EQ(vcard::NotesPropertyName("Phone-Ext"), "X-NOTES-PHONE-EXT");
    for (const char* address : {"ann@able.example", "a.b+c@mail.example.org", "o'neil@x.example"})
        EXPECT_TRUE(vcard::LooksLikeEmail(address)) << address;
    for (const char* other : {"Ann Smith/Acme@Acme", "ann@localhost", "@x.example", "a@b@c.example", "ann at x.example",
                              "a@x..example", "a@x.example.", "", "+1 555 0100"})
        EXPECT_FALSE(vcard::LooksLikeEmail(other)) << other;
    EXPECT_EQ(vcard::MailtoUri("o'neil+x@a.example"), "mailto:o'neil+x@a.example");
    EXPECT_EQ(vcard::MailtoUri("a%b/c?@x.example"), "mailto:a%25b%2Fc%3F@x.example");
    EXPECT_EQ(vcard::DateValue({1962, 8, 11}, 3), "1962-08-11");
    EXPECT_EQ(vcard::DateValue({962, 8, 1}, 4), "09620801");
    EXPECT_EQ(vcard::IsoText({1990, 6, 20, 23, 0, 5, true}), "1990-06-20T23:00:05");
    EXPECT_EQ(vcard::UtcStamp({2022, 2, 3, 19, 48, 5, true}), "20220203T194805Z");
    NotesDateTime date;
    EXPECT_TRUE(vcard::ParseIsoDate("1970-03-15", date));
    EXPECT_EQ(date, (NotesDateTime{1970, 3, 15}));
    EXPECT_TRUE(vcard::ParseIsoDate("20000229", date));
    for (const char* other : {"19000229", "1970-3-15", "1970-13-01", "197003150", "+970-03-15", "next May"})
        EXPECT_FALSE(vcard::ParseIsoDate(other, date)) << other;
}

// One person, each version: the order of the properties and every byte of them.
TEST(VCardTextTest, AWholeCardByteForByte) {
    TempDir dir;
    WriteFile(dir / "names.dxl",
              DxlBook(Person(1, "Ann", "Smith; Jr",
                             "<item name='MailAddress'><text>ann@x.example</text></item>"
                             "<item name='OfficePhoneNumber'><text>+1 5</text></item>"
                             "<item name='Birthday'><datetime>19620811</datetime></item>"
                             "<item name='Comment'><text>x,y</text></item>"
                             "<item name='ShortName'><text>as</text></item>")));
    const std::string prodid = "PRODID:-//Corvane//Tallowby " TALLOWBY_VERSION_MAJOR_MINOR "//EN\r\n";
    const std::string uid = "UID:urn:uuid:00000000-0000-0000-0000-000000100001\r\n";
    const std::map<int, std::string> expected = {
        {3, "BEGIN:VCARD\r\nVERSION:3.0\r\n" + prodid + "N:Smith\\; Jr;Ann;;;\r\nFN:Ann Smith\\; Jr\r\n"
            "EMAIL;TYPE=INTERNET,WORK,PREF:ann@x.example\r\nTEL;TYPE=WORK,VOICE:+1 5\r\nBDAY:1962-08-11\r\n"
            "NOTE:x\\,y\r\nX-NOTES-SHORTNAME:as\r\n" + uid + "END:VCARD\r\n"},
        {4, "BEGIN:VCARD\r\nVERSION:4.0\r\n" + prodid + "N:Smith\\; Jr;Ann;;;\r\nFN:Ann Smith; Jr\r\n"
            "EMAIL;TYPE=work;PREF=1:ann@x.example\r\nTEL;VALUE=text;TYPE=work,voice:+1 5\r\nBDAY:19620811\r\n"
            "NOTE:x\\,y\r\nX-NOTES-SHORTNAME:as\r\n" + uid + "END:VCARD\r\n"},
    };
    for (const auto& [version, bytes] : expected) {
        ExportRequest request;
        request.bookPath = dir / "names.dxl";
        request.format = ExportFormat::Vcf;
        request.layout = ExportLayout::Full;
        request.vcard.version = version;
        const ExportResult result = ExportBook(request);
        ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
        EXPECT_EQ(ReadFile(dir / "names.vcf"), bytes) << "version " << version;
        EXPECT_EQ(result.message, "1 Contacts Saved Successfully\r\n\r\n1 card and 0 group cards written, in 1 file."
                                  "\r\n\r\n1 value has no standard vCard property and is kept in X-NOTES- properties "
                                  "named after their Notes item; some address books keep such properties without "
                                  "showing them, others leave them out.");
    }
}

} // namespace
} // namespace tallowby::test
