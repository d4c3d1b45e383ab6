// The DXL reader through the Notes objects: item kinds, person documents, the $People
// order and navigator, and values to text. (Broken and hostile books are rows of the
// bad-input matrix, tests/reliability.)
#include "addressbook/DxlBook.h"
#include "addressbook/DxlValues.h"
#include "addressbook/RunControl.h"
#include "addressbook/ValueText.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

#include <unistd.h>

namespace tallowby {
namespace {

using namespace tallowby::test;
using Texts = std::vector<std::string>;

// The documents of the $People view of a book, read through the DXL session. The view
// is found by its name in any case, its count agrees with its walk, and after the last
// entry comes none.
std::vector<std::shared_ptr<NotesDocument>> Documents(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "book.dxl", text);
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", dir / "book.dxl");
    const auto navigator = database->GetView("$people")->CreateViewNav();
    std::vector<std::shared_ptr<NotesDocument>> documents;
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry))
        documents.push_back(entry->Document());
    EXPECT_EQ(navigator->Count(), static_cast<int32_t>(documents.size()));
    EXPECT_THROW(database->GetView("People"), NotesError);  // only the $People and Groups views exist
    return documents;
}

// Each kind of item as the scan and the export read it: its first value, as text under
// the C locale (numbers as %.15g, date-times ISO 8601 without a midnight time). Text is
// exactly as written, entities resolved; numbers and date-times that do not parse are
// empty; a zone is dropped and the wall-clock time kept; rich text is its paragraphs'
// plain text, without pictures, attachments or formulas.
TEST(DxlReader, EachItemKindAsText) {
    const std::pair<const char*, const char*> items[] = {
        {"<text>  O&apos;Neil &amp; Co &#x263A;</text>", "  O'Neil & Co \xE2\x98\xBA"},
        {"<text><![CDATA[<b>Dr</b> | 0]]></text>", "<b>Dr</b> | 0"}, {"<text/>", ""},
        {"<textlist><text>\xC4\xB2ssel \xE6\x9D\xB1 \xF0\x9F\x98\x80</text><text>Sales</text></textlist>",
         "\xC4\xB2ssel \xE6\x9D\xB1 \xF0\x9F\x98\x80"},
        {"<text>12 Harbour Road<break/>Unit 4</text>", "12 Harbour Road\nUnit 4"},
        {"<numberlist><number>-7.25</number><number>3</number></numberlist>", "-7.25"}, {"<number>0</number>", "0"},
        {"<number> +4 </number>", "4"}, {"<number>1e3</number>", "1000"}, {"<number>12a</number>", ""},
        {"<number>0.30000000000000004</number>", "0.3"}, {"<number>0.33333333333333331</number>", "0.333333333333333"},
        {"<number>1e20</number>", "1e+20"}, {"<number>123456789012345678</number>", "1.23456789012346e+17"},
        {"<datetime>19700315</datetime>", "1970-03-15"}, {"<datetime>00050102</datetime>", "0005-01-02"},
        {"<datetime dst='true'>19980620T150000,00+02</datetime>", "1998-06-20 15:00:00"},
        {"<datetime>20000229T235959,00Z</datetime>", "2000-02-29 23:59:59"},
        {"<datetime>19980620T000000,00</datetime>", "1998-06-20"}, {"<datetime>T093000,00</datetime>", "09:30:00"},
        {"<datetime>19980620T000001,00-0500</datetime>", "1998-06-20 00:00:01"},
        {"<datetime>19700230</datetime>", ""}, {"<datetime>20000101T246000</datetime>", ""},
        {"<datetimelist><datetimepair><datetime>20200101</datetime><datetime>20200105</datetime></datetimepair>"
         "</datetimelist>", "2020-01-01"},
        {"<richtext><pardef id='1'/><par def='1'>First <run><font style='bold'/>paragraph</run></par><par def='1'>"
         "Second<break/>line<picture><gif>R0lGOD</gif></picture><attachmentref name='x.txt'/><run><code "
         "event='click'><formula>@Do</formula></code></run></par></richtext>", "First paragraph\nSecond\nline"},
        {"<rawitemdata type='1'>AAEC</rawitemdata>", ""},
    };
    std::string documents;  // one person each, in file order (the names tie)
    for (const auto& [item, text] : items)
        documents += Person("U", "1", "<item name='comment'>" + std::string(item) + "</item>" +
                                          TextItem("Comment", "a second item of the name"));
    TempDir dir;
    const auto read = Documents(dir, Book(documents));
    ASSERT_EQ(read.size(), std::size(items));
    std::setlocale(LC_ALL, "C");
    for (std::size_t i = 0; i < read.size(); ++i)
        EXPECT_EQ(ValueToText(read[i]->GetItemValue("Comment").at(0)), items[i].second) << items[i].first;
    EXPECT_EQ(read[0]->GetItemValue("Manager"), NotesValues{NotesValue{}});  // a missing item: one empty value
}

// Person documents by their Type item's first value, else by their form; ordered by last
// name, then first name, ignoring case (accented Latin, Greek and Cyrillic letters too),
// ties in file order.
TEST(DxlReader, PeopleViewHoldsThePersonDocumentsInOrder) {
    TempDir dir;
    const auto documents = Documents(dir, Book(
        "<document form='Group'><noteinfo unid='3F1C2A5B7D9E4F60852584A2004F3C1B' noteid='8FA'/>" +
        TextItem("Type", "Person") + TextItem("LastName", "a") + "</document>" +  // Type decides
        "<document form='Person'><noteinfo unid='typeGroup'/>" + TextItem("Type", "Group") + "</document>" +
        "<document form='Person'><noteinfo unid='typeLower'/>" + TextItem("Type", "person") + "</document>" +
        "<document form='Person'>" + TextItem("LastName", "b") + "</document>" +  // no Type, no noteinfo
        "<document form='Group'><noteinfo unid='formGroup'/>" + TextItem("Form", "Person") + "</document>" +
        "<document><noteinfo unid='formItem' noteid='6'/>" + TextItem("Form", "Person") +
        TextItem("LastName", "c") + "</document>" +
        "<note class='document'><noteinfo unid='rawNote' noteid='7'/>" + TextItem("Form", "Person") +
        TextItem("LastName", "d") + "</note>" +
        "<note class='form'><noteinfo unid='rawForm'/>" + TextItem("Form", "Person") + "</note>" +
        "<view name='People' alias='$People'><document form='Person'><noteinfo unid='inView'/></document></view>" +
        Named("smith-bob", "Bob", "Smith") + Named("jones", "Zed", "jones") + Named("smith-ann", "ann", "SMITH") +
        Named("smithe", "Al", "Smithe") + Named("tie-1", "Eve", "Smith") + Named("tie-2", "EVE", "smith") +
        Named("noname", "", "") + Named("emile", "Émile", "Zola") + Named("zoe", "Zoë", "zola") +
        Named("EMILE2", "émile", "ZOLA") + Named("greek-2", "B", "ΩMEGA") + Named("greek-1", "A", "ωmega") +
        Named("cyr-2", "B", "ЁЛКИН") + Named("cyr-1", "A", "ёлкин")));
    Texts unids;
    for (const auto& document : documents) unids.push_back(document->UniversalID());
    EXPECT_EQ(unids, (Texts{"noname", "3F1C2A5B7D9E4F60852584A2004F3C1B", "", "formItem", "rawNote", "jones",
                            "smith-ann", "smith-bob", "tie-1", "tie-2", "smithe", "zoe", "emile", "EMILE2",
                            "greek-1", "greek-2", "cyr-1", "cyr-2"}));
    EXPECT_EQ(documents[1]->NoteID() + "/" + documents[2]->NoteID(), "8FA/");
}

// Every item of a person document with all its values and its kind, in stored order,
// the first item of a name only; Notes' own "$" items and items of binary data are
// counted, not kept, and read like items the document lacks; a names item keeps its
// canonical values; the last change in UTC; group documents in their own view, by name.
TEST(DxlReader, EveryItemEveryValueAndTheGroups) {
    TempDir dir;
    WriteFile(dir / "book.dxl", Book(
        "<document form='Person'><noteinfo noteid='9' unid='P1'><created><datetime>20100101T000000,00+02"
        "</datetime></created><modified><datetime>20220203T144805,52-05</datetime></modified></noteinfo>" +
        TextItem("Type", "Person") + TextItem("FirstName", "Ann") +
        "<item name='MailAddress'><textlist><text>ann@a.example</text><text>ann@b.example</text></textlist></item>"
        "<item name='Manager' names='true'><text>CN=Bob Boss/OU=Sales/O=Acme</text></item>"
        "<item name='StorageEnc'><number>1</number></item>"
        "<item name='Birthday'><datetime>19700315</datetime></item>"
        "<item name='Comment'><richtext><par>One</par><par>Two</par></richtext></item>"
        "<item name='$Revisions'><datetimelist><datetime>20200101T000000,00Z</datetime></datetimelist></item>"
        "<item name='Photo'><rawitemdata type='1'>AAEC</rawitemdata></item>"
        "<item name='firstname'><text>second item of the name</text></item>"
        "<item name='Empty'><text/></item></document>\n"
        "<document form='Group'><noteinfo unid='G2'/>" + TextItem("Type", "Group") + TextItem("ListName", "Zeta") +
        "</document>\n<document form='Group'><noteinfo unid='G1'/>" + TextItem("ListName", "alpha") +
        "<item name='Members'><textlist><text>CN=Ann/O=Acme</text><text>Zeta</text></textlist></item></document>\n"));
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", dir / "book.dxl");
    const auto ann = database->GetView("$People")->CreateViewNav()->GetFirstDocument()->Document();
    using Item = NotesItem;
    const std::vector<Item> items = {
        {"Type", ItemKind::Text, {"Person"}},
        {"FirstName", ItemKind::Text, {"Ann"}},
        {"MailAddress", ItemKind::Text, {"ann@a.example", "ann@b.example"}},
        {"Manager", ItemKind::Names, {"CN=Bob Boss/OU=Sales/O=Acme"}},
        {"StorageEnc", ItemKind::Number, {1.0}},
        {"Birthday", ItemKind::DateTime, {NotesDateTime{1970, 3, 15}}},
        {"Comment", ItemKind::RichText, {"One\nTwo"}},
        {"Empty", ItemKind::Text, {""}}};
    EXPECT_EQ(ann->Items(), items);
    EXPECT_EQ(ann->BinaryItemCount(), 2u);
    EXPECT_EQ(ann->GetItemValue("Photo"), NotesValues{NotesValue{}});
    EXPECT_EQ(ann->GetItemValue("$Revisions"), NotesValues{NotesValue{}});
    EXPECT_EQ(ann->LastModified(), (NotesDateTime{2022, 2, 3, 19, 48, 5, true}));
    EXPECT_EQ(ValueText(ann->GetItemValue("Manager"), {true, false, true}, ItemKind::Names), "Bob Boss/Sales/Acme");
    EXPECT_EQ(ValueText(ann->GetItemValue("MailAddress"), {true, false, false}), "ann@a.example\nann@b.example");

    const auto groups = database->GetView("Groups")->CreateViewNav();
    Texts names;
    for (auto entry = groups->GetFirstDocument(); entry; entry = groups->GetNextDocument(entry))
        names.push_back(entry->Document()->UniversalID() + ":" +
                        ValueToText(entry->Document()->GetItemValue("ListName")[0]));
    EXPECT_EQ(names, (Texts{"G1:alpha", "G2:Zeta"}));
    EXPECT_EQ(groups->Count(), 2);
}

// A moment written with its zone becomes UTC across a day's, a month's and a year's end;
// one without a time of day is no moment.
TEST(DxlValues, ALastChangeInUtc) {
    const std::pair<const char*, NotesDateTime> cases[] = {
        {"20221231T230000,00-0130", {2023, 1, 1, 0, 30, 0, true}}, {"20240301T003000,00+01", {2024, 2, 29, 23, 30, 0, true}},
        {"20200101T120000Z", {2020, 1, 1, 12, 0, 0, true}}, {"20200101T120000", {2020, 1, 1, 12, 0, 0, true}}};
    for (const auto& [text, utc] : cases) {
        NotesDateTime parsed;
        EXPECT_TRUE(ParseDxlDateTimeUtc(text, parsed)) << text;
        EXPECT_EQ(parsed, utc) << text;
    }
    NotesDateTime parsed;
    EXPECT_FALSE(ParseDxlDateTimeUtc("20200101", parsed));
    EXPECT_FALSE(ParseDxlDateTimeUtc("T120000", parsed));
}

// Names as Notes abbreviates them; a name in no canonical form stays as it is.
TEST(ValueText, NamesAbbreviatedAsNotesShowsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"CN=Ann Smith/OU=Sales/O=Acme/C=US", "Ann Smith/Sales/Acme/US"}, {"cn=Ann/o=Acme", "Ann/Acme"},
        {"Ann Smith/Acme", "Ann Smith/Acme"}, {"LocalDomainAdmins", "LocalDomainAdmins"},
        {"CN=Ann", "CN=Ann"} /* one component: no canonical name */, {"*/O=Acme", "*/O=Acme"}};
    for (const auto& [name, shown] : cases) EXPECT_EQ(AbbreviatedName(name), shown) << name;
}

// Another locale, compiled into the test's folder with localedef and found through
// LOCPATH: its short date order with a four-digit year, and its decimal separator.
TEST(ValueText, AnotherLocalesDatesAndDecimalSeparator) {
    TempDir dir;
    if (std::system(("localedef -i nl_NL -f UTF-8 '" + (dir / "nl_NL.UTF-8") + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "localedef cannot build nl_NL.UTF-8 here";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "nl_NL.UTF-8"), nullptr);
    const NotesDateTime day{1970, 3, 15}, at{2004, 11, 2, 14, 30, 5, true}, midnight{1970, 3, 15, 0, 0, 0, true};
    const Texts texts = {ValueToText(day), ValueToText(at), ValueToText(midnight), ValueToText(3.5),
                         ValueToText(-1234567.25), ValueToText("3.5")};
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(texts, (Texts{"15-03-1970", "02-11-2004 14:30:05", "15-03-1970", "3,5", "-1234567,25", "3.5"}));
}

// A book shortened by another program while it is read (from its mapped pages): no
// crash, and a reason that says so.
TEST(DxlReader, BookShortenedWhileRead) {
    TempDir dir;
    std::string persons;
    for (int i = 0; i < 3000; ++i) persons += Named("U" + std::to_string(i), "Ann", "Smith");
    WriteFile(dir / "names.dxl", Book(persons));
    const std::string path = dir / "names.dxl";
    const RunCallback shorten = [&](RunStage, std::int64_t, std::int64_t) {
        EXPECT_EQ(::truncate(path.c_str(), 100), 0);
        return true;
    };
    const RunScope scope(shorten);
    try {
        DxlBook::ReadFile(path);
        ADD_FAILURE() << "a shortened book was read";
    } catch (const NotesError& e) {
        EXPECT_EQ(e.problem().reason, "the file became shorter, or could not be read, while it was being read");
    }
}

} // namespace
} // namespace tallowby
