// The DXL reader through the Notes objects: item kinds, person documents, the $People
// order and navigator, values to text, and a book cut anywhere. (Broken and hostile
// books are rows of the bad-input matrix, tests/reliability.)
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

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
    EXPECT_THROW(database->GetView("People"), NotesError);  // only the $People view exists
    return documents;
}

NotesDateTime Day(int y, int mo, int d) { return {y, mo, d, 0, 0, 0, false}; }
NotesDateTime At(int y, int mo, int d, int h, int mi, int s) { return {y, mo, d, h, mi, s, true}; }

TEST(DxlReader, ReadsEveryItemKind) {
    TempDir dir;
    const auto documents = Documents(dir, Book(Person("U1", "8fa",
        TextItem("firstNAME", "  O&apos;Neil &amp; Co &#x263A;") + TextItem("FirstName", "a second item") +
        "<item name='Title'><text><![CDATA[<b>Dr</b> | 0]]></text></item><item name='Suffix'><text/></item>"
        "<item name='Categories'><textlist><text>Sales</text><text>Ĳssel 東京 \xF0\x9F\x98\x80</text></textlist></item>"
        "<item name='City'><text>12 Harbour Road<break/>Unit 4</text></item>"
        "<item name='Zip'><numberlist><number>3</number><number>-7.25</number><number>1e3</number>"
        "<number>12a</number><number> +4 </number></numberlist></item>"
        "<item name='Birthday'><datetime>19700315</datetime></item>"
        "<item name='Anniversary'><datetime dst='true'>19980620T150000,00+02</datetime></item>"
        "<item name='Children'><datetimelist><datetimepair><datetime>20200101</datetime><datetime>20200105"
        "</datetime></datetimepair><datetime>20000229T235959,00Z</datetime><datetime>19700230</datetime>"
        "<datetime>20000101T246000</datetime></datetimelist></item>"
        "<item name='Comment'><richtext><pardef id='1'/><par def='1'>First <run><font style='bold'/>paragraph"
        "</run></par><par def='1'>Second<break/>line<picture><gif>R0lGOD</gif></picture><attachmentref "
        "name='x.txt'/><run><code event='click'><formula>@Do</formula></code></run></par></richtext></item>"
        "<item name='Spouse'><rawitemdata type='1'>AAEC</rawitemdata></item>")));
    ASSERT_EQ(documents.size(), 1u);
    const auto values = [&](const char* item) { return documents[0]->GetItemValue(item); };
    // The first item of a name, whatever its case; text exactly as written, entities resolved.
    EXPECT_EQ(values("FirstName"), NotesValues{"  O'Neil & Co \xE2\x98\xBA"});
    EXPECT_EQ(values("Title"), NotesValues{"<b>Dr</b> | 0"});
    EXPECT_EQ(values("Suffix"), NotesValues{""});
    EXPECT_EQ(values("Categories"), (NotesValues{"Sales", "Ĳssel 東京 \xF0\x9F\x98\x80"}));
    EXPECT_EQ(values("City"), NotesValues{"12 Harbour Road\nUnit 4"});
    // Numbers and date-times that do not parse are empty values; a pair gives its first
    // date-time; a zone offset is dropped and the wall-clock time kept.
    EXPECT_EQ(values("Zip"), (NotesValues{3.0, -7.25, 1000.0, NotesValue{}, 4.0}));
    EXPECT_EQ(values("Birthday"), (NotesValues{Day(1970, 3, 15)}));
    EXPECT_EQ(values("Anniversary"), NotesValues{At(1998, 6, 20, 15, 0, 0)});
    EXPECT_EQ(values("Children"), (NotesValues{Day(2020, 1, 1), At(2000, 2, 29, 23, 59, 59), NotesValue{},
                                               NotesValue{}}));
    // Rich text is its paragraphs' plain text: no pictures, attachments or formulas.
    EXPECT_EQ(values("Comment"), NotesValues{"First paragraph\nSecond\nline"});
    // Another item kind, and a missing item, give one empty value.
    EXPECT_EQ(values("Spouse"), NotesValues{NotesValue{}});
    EXPECT_EQ(values("Manager"), NotesValues{NotesValue{}});
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

TEST(ValueText, CLocaleNumbersAsPercent15gAndIsoDates) {
    std::setlocale(LC_ALL, "C");
    const std::pair<NotesValue, const char*> cases[] = {
        {NotesValue{}, ""}, {" Ann | 0 \n", " Ann | 0 \n"}, {0.0, "0"}, {12345.0, "12345"}, {-0.1, "-0.1"},
        {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {1e20, "1e+20"},
        {123456789012345678.0, "1.23456789012346e+17"},
        {Day(1970, 3, 15), "1970-03-15"}, {At(1970, 3, 15, 14, 30, 5), "1970-03-15 14:30:05"},
        {At(1998, 6, 20, 0, 0, 0), "1998-06-20"}, {At(1998, 6, 20, 0, 0, 1), "1998-06-20 00:00:01"},
        {Day(5, 1, 2), "0005-01-02"}, {At(0, 0, 0, 9, 30, 0), "09:30:00"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(ValueToText(value), text);
}

// Another locale, compiled into the test's folder with localedef and found through
// LOCPATH: its short date order with a four-digit year, and its decimal separator.
TEST(ValueText, AnotherLocalesDatesAndDecimalSeparator) {
    TempDir dir;
    if (std::system(("localedef -i nl_NL -f UTF-8 '" + (dir / "nl_NL.UTF-8") + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "localedef cannot build nl_NL.UTF-8 here";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "nl_NL.UTF-8"), nullptr);
    const Texts texts = {ValueToText(Day(1970, 3, 15)), ValueToText(At(2004, 11, 2, 14, 30, 5)),
                         ValueToText(At(1970, 3, 15, 0, 0, 0)), ValueToText(3.5), ValueToText(-1234567.25),
                         ValueToText("3.5")};
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(texts, (Texts{"15-03-1970", "02-11-2004 14:30:05", "15-03-1970", "3,5", "-1234567,25", "3.5"}));
}

// A valid book cut anywhere cannot be opened: the database is not open, so Title and
// GetView fail. Nothing crashes or hangs.
TEST(DxlReader, ABookCutAnywhereCannotBeOpened) {
    TempDir dir;
    const std::string valid = Book(Named("a", "Ann", "Able") + Named("b", "Bob", "Baker"));
    for (std::size_t cut = 1; cut + 1 < valid.size(); cut += 7) {
        WriteFile(dir / "names.dxl", valid.substr(0, cut));
        const auto database = CreateObject(kDominoProgID)->GetDatabase("", dir / "names.dxl");
        EXPECT_THROW(database->Title(), NotesError) << cut;
        EXPECT_THROW(database->GetView("$People"), NotesError) << cut;
    }
}

} // namespace
} // namespace tallowby
