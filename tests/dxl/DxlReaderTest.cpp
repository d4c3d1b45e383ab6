// The DXL reader through the Notes objects: item kinds, person documents, the $People
// order and navigator, the sample book, broken and hostile files, the session classes
// and values to text.
#include "addressbook/DxlBook.h"
#include "addressbook/DxlSession.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

namespace tallowby {
namespace {

using namespace tallowby::test;
using Texts = std::vector<std::string>;

// The $People view of a book file, read through the DXL session.
struct People {
    std::string title;
    int32_t count = 0;
    std::vector<std::shared_ptr<NotesDocument>> documents;
    std::string Text(std::size_t i, const std::string& item) const {
        return ValueToText(documents.at(i)->GetItemValue(item).at(0));
    }
    Texts Unids() const {
        Texts unids;
        for (const auto& document : documents) unids.push_back(document->UniversalID());
        return unids;
    }
};

People Read(const std::string& path) {
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    People people;
    people.title = database->Title();
    const auto navigator = database->GetView("$People")->CreateViewNav();
    people.count = navigator->Count();
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry))
        people.documents.push_back(entry->Document());
    return people;
}

People ReadText(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "book.dxl", text);
    return Read(dir / "book.dxl");
}

NotesDateTime Day(int y, int mo, int d) { return {y, mo, d, 0, 0, 0, false}; }
NotesDateTime At(int y, int mo, int d, int h, int mi, int s) { return {y, mo, d, h, mi, s, true}; }

TEST(DxlReader, ReadsEveryItemKind) {
    TempDir dir;
    const People people = ReadText(dir, Book(Person("U1", "8fa",
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
    ASSERT_EQ(people.documents.size(), 1u);
    const auto values = [&](const char* item) { return people.documents[0]->GetItemValue(item); };
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
    const People people = ReadText(dir, Book(
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
    EXPECT_EQ(people.title, "Corvane Directory");
    EXPECT_EQ(people.Unids(), (Texts{"noname", "3F1C2A5B7D9E4F60852584A2004F3C1B", "", "formItem", "rawNote", "jones",
                                     "smith-ann", "smith-bob", "tie-1", "tie-2", "smithe", "zoe", "emile", "EMILE2",
                                     "greek-1", "greek-2", "cyr-1", "cyr-2"}));
    EXPECT_EQ(people.count, 18);
    EXPECT_EQ(people.documents[1]->NoteID() + "/" + people.documents[2]->NoteID(), "8FA/");
}

TEST(DxlReader, NavigatorAndViews) {
    TempDir dir;
    WriteFile(dir / "book.dxl", Book(Named("a", "A", "A") + Named("b", "B", "B")));
    WriteFile(dir / "groups.dxl", Book("<document form='Group'>" + TextItem("Type", "Group") + "</document>"));
    const auto session = CreateObject(kDominoProgID);
    const auto database = session->GetDatabase("", dir / "book.dxl");
    const auto nav = database->GetView("$people")->CreateViewNav();
    const auto first = nav->GetFirstDocument();
    ASSERT_TRUE(first);
    EXPECT_EQ(nav->GetNextDocument(first)->Document()->UniversalID(), "b");
    EXPECT_EQ(nav->GetNextDocument(nav->GetNextDocument(first)), nullptr);  // after the last entry
    EXPECT_THROW(nav->GetNextDocument(nullptr), NotesError);
    EXPECT_THROW(database->GetView("People"), NotesError);  // only the $People view exists
    // A book without person documents opens, with an empty view.
    const auto groups = session->GetDatabase("", dir / "groups.dxl")->GetView("$People")->CreateViewNav();
    EXPECT_EQ(groups->Count(), 0);
    EXPECT_EQ(groups->GetFirstDocument(), nullptr);
}

TEST(ExampleBook, EveryPersonOnceInTheViewsOrder) {
    TempDir dir;
    std::filesystem::copy_file(std::string(TALLOWBY_EXAMPLES_DIR) + "/names.dxl", dir / "names.dxl");
    const People people = Read(dir / "names.dxl");
    EXPECT_EQ(people.title, "Corvane Directory");
    // 213 formatted person documents, one without a form attribute and one raw note;
    // groups, the server and the database documents are not persons.
    ASSERT_EQ(people.count, 215);
    ASSERT_EQ(people.documents.size(), 215u);
    std::set<std::string> keys;
    for (const auto& d : people.documents) EXPECT_TRUE(keys.insert(d->UniversalID() + "-" + d->NoteID()).second);
    const Texts unids = people.Unids();
    const auto at = [&](const char* unid) { return std::find(unids.begin(), unids.end(), unid) - unids.begin(); };
    const auto raw = at("580AD3960E66794EE543FA8DF9980BC8");
    EXPECT_EQ(people.Text(raw, "FirstName") + " " + people.documents[raw]->NoteID(), "Rosamund dfe");
    // Empty and blank last names first, then "Aalberg".
    EXPECT_EQ(at("EA09A2C648BBA48E3F183A3854FF9A8F"), 4);
    EXPECT_EQ(people.Text(4, "LastName"), "Aalberg");
}

TEST(SessionRegistry, DominoIsTheDxlSessionAndNotesIsNotRegistered) {
    EXPECT_NE(dynamic_cast<DxlSession*>(CreateObject("DOMINO.notessession").get()), nullptr);
    for (const char* none : {kNotesProgID, "Excel.Application", ""}) EXPECT_EQ(CreateObject(none), nullptr) << none;
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

// Broken and hostile files: the database is not open, so Title and GetView fail with a
// message that names the file. Nothing crashes, hangs or reaches outside the file.
void ExpectCannotOpen(const std::string& path, const std::string& reason) {
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    try {
        database->Title();
        ADD_FAILURE() << "Title of " << path << " did not fail";
    } catch (const NotesError& e) {
        // The reason for the user's message travels with the error, and what to do.
        EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
        EXPECT_NE(e.problem().reason.find(reason), std::string::npos) << e.what();
        EXPECT_FALSE(e.problem().remedy.empty()) << e.what();
    }
    EXPECT_THROW(database->GetView("$People"), NotesError);
}

TEST(DxlHostileFile, CannotBeOpened) {
    TempDir dir;
    WriteFile(dir / "secret.txt", "secret");
    const auto withFirstName = [](const std::string& doctype, const std::string& value) {
        return "<?xml version='1.0'?>" + doctype + "<database xmlns='http://www.lotus.com/dxl'><document>" +
               TextItem("FirstName", value) + "</document></database>";
    };
    std::string bomb = "<!DOCTYPE database [<!ENTITY lol0 'lol'>";  // a billion laughs
    for (int i = 1; i <= 9; ++i) {
        bomb += "<!ENTITY lol" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) bomb += "&lol" + std::to_string(i - 1) + ";";
        bomb += "'>";
    }
    std::string binary("\x1A\x00\x00\x04\x00\x00\x00\x00", 8);  // a Notes database file proper
    for (unsigned i = 0, x = 7; i < 65536; ++i) binary += static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    const std::pair<std::string, std::string> files[] = {
        {Book("<document><item name='FirstName'><text>Ann</item>"), "not well-formed XML at line 5, column 44 (mismatched tag)"},
        {Book("<document><item name='FirstName'><text>Ren\xC3\x28</text></item></document>"), "not well-formed"},
        {binary, "not well-formed"},
        {"", "empty"},
        {"<database title='x'><document form='Person'/></database>", "not a Notes DXL database: its root element"},
        {withFirstName("<!DOCTYPE database [<!ENTITY e SYSTEM 'file://" + (dir / "secret.txt") + "'>]>", "&e;"),
         "declares entities"},
        {withFirstName("<!DOCTYPE database SYSTEM 'http://198.51.100.1/a.dtd' [<!ENTITY % remote SYSTEM "
                       "'http://198.51.100.1/b.dtd'> %remote;]>", "Ann"), "declares entities"},
        {withFirstName(bomb + "]>", "&lol9;"), "declares entities"},
    };
    for (const auto& [text, reason] : files) {
        SCOPED_TRACE(text.substr(0, 100));
        WriteFile(dir / "names.dxl", text);
        ExpectCannotOpen(dir / "names.dxl", reason);
        EXPECT_THROW(DxlBook::ReadBuffer(text, "memory"), NotesError);
    }
    // A valid book cut anywhere cannot be opened either.
    const std::string valid = Book(Named("a", "Ann", "Able") + Named("b", "Bob", "Baker"));
    for (std::size_t cut = 1; cut + 1 < valid.size(); cut += 7) {
        WriteFile(dir / "names.dxl", valid.substr(0, cut));
        EXPECT_THROW(CreateObject(kDominoProgID)->GetDatabase("", dir / "names.dxl")->Title(), NotesError) << cut;
    }
    ExpectCannotOpen(dir / "missing.nsf", "does not exist");
}

} // namespace
} // namespace tallowby
