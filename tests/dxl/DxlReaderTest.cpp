// The DXL reader through the Notes objects: item kinds, person documents, the
// $People order and the navigator.
#include "DxlTestSupport.h"

#include "addressbook/DxlBook.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>

namespace tallowby::dxltest {
namespace {

NotesValues Values(const Seen& seen, const std::string& item) {
    return seen.document->GetItemValue(item);
}

NotesValues Texts(std::initializer_list<const char*> texts) {
    NotesValues values;
    for (const char* t : texts) values.emplace_back(std::string(t));
    return values;
}

NotesDateTime Date(int y, int mo, int d) { return {y, mo, d, 0, 0, 0, false}; }
NotesDateTime DateTime(int y, int mo, int d, int h, int mi, int s) { return {y, mo, d, h, mi, s, true}; }

TEST(DxlReader, ReadsEveryItemKind) {
    TempDir dir;
    const std::string items =
        TextItem("FirstName", "Ann") +
        "<item name='Categories'><textlist><text>Sales</text><text>VIP</text></textlist></item>"
        "<item name='OfficeStreetAddress'><text>12 Harbour Road<break/>Unit 4</text></item>"
        "<item name='Zip'><number>12345</number></item>"
        "<item name='OfficeZip'><numberlist><number>3</number><number>-7.25</number>"
        "<number>1e3</number></numberlist></item>"
        "<item name='Birthday'><datetime>19700315</datetime></item>"
        "<item name='Anniversary'><datetime dst='true'>19980620T150000,00+02</datetime></item>"
        "<item name='Children'><datetimelist><datetimepair><datetime>20200101</datetime>"
        "<datetime>20200105</datetime></datetimepair><datetime>20210704T081500,00Z</datetime>"
        "</datetimelist></item>"
        "<item name='Location'><datetime>T093000,00</datetime></item>"
        "<item name='Comment'><richtext><pardef id='1'/><par def='1'>First "
        "<run><font style='bold'/>paragraph</run></par><par def='1'>Second<break/>line</par>"
        "</richtext></item>"
        "<item name='Spouse'><rawitemdata type='1'>AAEC</rawitemdata></item>";
    const Walk walk = WalkText(dir, Book(Person("U1", "8fa", items)));
    ASSERT_EQ(walk.documents.size(), 1u);
    const Seen& d = walk.documents[0];

    EXPECT_EQ(Values(d, "FirstName"), Texts({"Ann"}));
    EXPECT_EQ(Values(d, "Categories"), Texts({"Sales", "VIP"}));
    EXPECT_EQ(Values(d, "OfficeStreetAddress"), Texts({"12 Harbour Road\nUnit 4"}));
    EXPECT_EQ(Values(d, "Zip"), NotesValues{12345.0});
    EXPECT_EQ(Values(d, "OfficeZip"), (NotesValues{3.0, -7.25, 1000.0}));
    EXPECT_EQ(Values(d, "Birthday"), NotesValues{Date(1970, 3, 15)});
    // The zone offset is dropped; the wall-clock time stays.
    EXPECT_EQ(Values(d, "Anniversary"), NotesValues{DateTime(1998, 6, 20, 15, 0, 0)});
    // A pair contributes its first date-time.
    EXPECT_EQ(Values(d, "Children"),
              (NotesValues{Date(2020, 1, 1), DateTime(2021, 7, 4, 8, 15, 0)}));
    EXPECT_EQ(Values(d, "Location"), NotesValues{(NotesDateTime{0, 0, 0, 9, 30, 0, true})});
    EXPECT_EQ(Values(d, "Comment"), Texts({"First paragraph\nSecond\nline"}));
    // Another kind of item has one empty value, like an item the document lacks.
    EXPECT_EQ(Values(d, "Spouse"), NotesValues{NotesValue{}});
    EXPECT_EQ(Values(d, "MiddleInitial"), NotesValues{NotesValue{}});
    EXPECT_EQ(Values(d, "NoSuchItem"), NotesValues{NotesValue{}});
}

TEST(DxlReader, KeepsTextExactlyAsWritten) {
    TempDir dir;
    const std::string items =
        TextItem("FirstName", "  Ann  ") + TextItem("LastName", "O&apos;Neil &amp; Sons &#x263A;") +
        "<item name='Title'><text><![CDATA[<b>Dr</b> | 0]]></text></item>"
        "<item name='Suffix'><text/></item>" +
        TextItem("JobTitle", "Ĳssel Ωmega 東京 \xF0\x9F\x98\x80") +
        "<item name='Comment'><richtext><par>a</par><picture><gif>R0lGOD</gif></picture>"
        "<par><attachmentref name='x.txt'/>b<run>c<code event='click'><formula>@Do</formula>"
        "</code></run></par></richtext></item>";
    const Walk walk = WalkText(dir, Book(Person("U1", "8fa", items)));
    ASSERT_EQ(walk.documents.size(), 1u);
    const Seen& d = walk.documents[0];
    EXPECT_EQ(d.Text("FirstName"), "  Ann  ");
    EXPECT_EQ(d.Text("LastName"), "O'Neil & Sons \xE2\x98\xBA");
    EXPECT_EQ(d.Text("Title"), "<b>Dr</b> | 0");
    EXPECT_EQ(Values(d, "Suffix"), Texts({""}));
    EXPECT_EQ(d.Text("JobTitle"), "Ĳssel Ωmega 東京 \xF0\x9F\x98\x80");
    // Pictures, attachments and formulas are not part of a rich text's plain text.
    EXPECT_EQ(d.Text("Comment"), "a\nbc");
}

TEST(DxlReader, ItemNamesMatchWithoutRegardToCase) {
    TempDir dir;
    const Walk walk = WalkText(
        dir, Book(Person("U1", "1", TextItem("firstNAME", "Ann") + TextItem("MAILADDRESS", "a@x") +
                                        TextItem("FirstName", "second item of the name"))));
    ASSERT_EQ(walk.documents.size(), 1u);
    const Seen& d = walk.documents[0];
    EXPECT_EQ(d.Text("FirstName"), "Ann");  // the first item of a name counts
    EXPECT_EQ(d.Text("firstname"), "Ann");
    EXPECT_EQ(d.Text("MailAddress"), "a@x");
}

TEST(DxlReader, IdentityAndTitleAreAsWritten) {
    TempDir dir;
    const Walk walk = WalkText(
        dir, Book(Person("3F1C2A5B7D9E4F60852584A2004F3C1B", "8FA", TextItem("FirstName", "Ann")) +
                  "<document form='Person'>" + TextItem("FirstName", "Al") + "</document>"));
    EXPECT_EQ(walk.title, "Corvane Directory");
    ASSERT_EQ(walk.documents.size(), 2u);
    EXPECT_EQ(walk.documents[0].unid, "");
    EXPECT_EQ(walk.documents[0].noteid, "");
    EXPECT_EQ(walk.documents[1].unid, "3F1C2A5B7D9E4F60852584A2004F3C1B");
    EXPECT_EQ(walk.documents[1].noteid, "8FA");
}

TEST(DxlReader, PersonDocumentsByTypeThenForm) {
    TempDir dir;
    const std::string docs =
        // Type decides, whatever the form.
        "<document form='Group'><noteinfo unid='typePerson' noteid='1'/>" +
        TextItem("Type", "Person") + TextItem("LastName", "a") + "</document>" +
        "<document form='Person'><noteinfo unid='typeGroup' noteid='2'/>" + TextItem("Type", "Group") +
        "</document>" +
        "<document form='Person'><noteinfo unid='typeLower' noteid='3'/>" +
        TextItem("Type", "person") + "</document>" +
        // No Type item: the form attribute, or else the Form item.
        "<document form='Person'><noteinfo unid='formAttribute' noteid='4'/>" +
        TextItem("LastName", "b") + "</document>" +
        "<document form='Group'><noteinfo unid='formGroup' noteid='5'/>" + TextItem("Form", "Person") +
        "</document>" +
        "<document><noteinfo unid='formItem' noteid='6'/>" + TextItem("Form", "Person") +
        TextItem("LastName", "c") + "</document>" +
        // Raw DXL notes of class document.
        "<note class='document'><noteinfo unid='rawNote' noteid='7'/>" + TextItem("Form", "Person") +
        TextItem("LastName", "d") + "</note>" +
        "<note class='form'><noteinfo unid='rawForm' noteid='8'/>" + TextItem("Form", "Person") +
        "</note>" +
        // Design notes and documents nested where documents are not are ignored.
        "<view name='People' alias='$People'><document form='Person'><noteinfo unid='inView'/>"
        "</document></view>";
    const Walk walk = WalkText(dir, Book(docs));
    EXPECT_EQ(Unids(walk), (std::vector<std::string>{"typePerson", "formAttribute", "formItem", "rawNote"}));
    EXPECT_EQ(walk.count, 4);
}

TEST(DxlReader, PeopleViewOrdersByLastThenFirstNameIgnoringCase) {
    TempDir dir;
    const std::string docs = Named("smith-bob", "Bob", "Smith") + Named("jones", "Zed", "jones") +
                             Named("smith-ann", "ann", "SMITH") + Named("smithe", "Al", "Smithe") +
                             Named("tie-1", "Eve", "Smith") + Named("tie-2", "EVE", "smith") +
                             Named("noname", "", "") + Named("emile", "Émile", "Zola") +
                             Named("zoe", "Zoë", "zola") + Named("EMILE2", "émile", "ZOLA") +
                             Named("accent-last", "X", "Ångström") + Named("ae", "X", "åa") +
                             Named("greek-2", "B", "ΩMEGA") + Named("greek-1", "A", "ωmega") +
                             Named("cyr-2", "B", "ЁЛКИН") + Named("cyr-1", "A", "ёлкин") +
                             Named("latin-ext-2", "B", "ŁĄCKA") + Named("latin-ext-1", "A", "łącka");
    const Walk walk = WalkText(dir, Book(docs));
    // Names fold to lower case (accented Latin, Greek and Cyrillic letters too); ties
    // keep file order.
    EXPECT_EQ(Unids(walk), (std::vector<std::string>{"noname", "jones", "smith-ann", "smith-bob",
                                                     "tie-1", "tie-2", "smithe", "zoe", "emile",
                                                     "EMILE2", "ae", "accent-last",
                                                     "latin-ext-1", "latin-ext-2", "greek-1",
                                                     "greek-2", "cyr-1", "cyr-2"}));
    EXPECT_EQ(walk.count, 18);
}

TEST(DxlReader, NavigatorEndsAfterTheLastEntry) {
    TempDir dir;
    const std::string path = dir / "book.dxl";
    WriteFile(path, Book(Named("a", "A", "A") + Named("b", "B", "B")));
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    const auto nav = database->GetView("$People")->CreateViewNav();
    auto first = nav->GetFirstDocument();
    ASSERT_TRUE(first);
    auto second = nav->GetNextDocument(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(nav->GetNextDocument(second), nullptr);
    // Entries are positions: asking again from the first gives the second again.
    EXPECT_EQ(nav->GetNextDocument(first)->Document()->UniversalID(), "b");
    EXPECT_THROW(nav->GetNextDocument(nullptr), NotesError);
    // An entry of another navigator over another book is not a position in this one.
    const auto other = CreateObject(kDominoProgID)->GetDatabase("", path);
    const auto otherFirst = other->GetView("$People")->CreateViewNav()->GetFirstDocument();
    EXPECT_THROW(nav->GetNextDocument(otherFirst), NotesError);
}

TEST(DxlReader, EmptyPeopleViewHasNoFirstEntry) {
    TempDir dir;
    const std::string path = dir / "book.dxl";
    WriteFile(path, Book("<document form='Group'>" + TextItem("Type", "Group") + "</document>"));
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    EXPECT_EQ(database->Title(), "Corvane Directory");
    const auto nav = database->GetView("$People")->CreateViewNav();
    EXPECT_EQ(nav->Count(), 0);
    EXPECT_EQ(nav->GetFirstDocument(), nullptr);
}

TEST(DxlReader, OnlyThePeopleViewExists) {
    TempDir dir;
    const std::string path = dir / "book.dxl";
    WriteFile(path, Book(Named("a", "A", "A")));
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    EXPECT_NO_THROW(database->GetView("$people"));
    EXPECT_THROW(database->GetView("People"), NotesError);
    EXPECT_THROW(database->GetView("($Users)"), NotesError);
    EXPECT_THROW(database->GetView(""), NotesError);
}

TEST(DxlReader, DatabaseWithANamespacePrefixAndDeclaredEncoding) {
    TempDir dir;
    // ISO-8859-1 bytes: "Mü" with u-umlaut as one byte 0xFC; values come out as UTF-8.
    const std::string text =
        "<?xml version='1.0' encoding='ISO-8859-1'?>"
        "<dxl:database xmlns:dxl='http://www.lotus.com/dxl' title='Pr\xE9"
        "fix'><dxl:document form='Person'><dxl:noteinfo unid='p' noteid='1'/>"
        "<dxl:item name='LastName'><dxl:text>M\xFC</dxl:text></dxl:item></dxl:document>"
        "<other:document xmlns:other='urn:other' form='Person'/></dxl:database>";
    const Walk walk = WalkText(dir, text);
    EXPECT_EQ(walk.title, "Pr\xC3\xA9" "fix");
    ASSERT_EQ(walk.documents.size(), 1u);
    EXPECT_EQ(walk.documents[0].Text("LastName"), "M\xC3\xBC");
}

TEST(DxlReader, InvalidNumbersAndDatesAreEmptyValues) {
    TempDir dir;
    const std::string items =
        "<item name='Zip'><numberlist><number>12a</number><number> +4 </number><number/>"
        "</numberlist></item>"
        "<item name='Birthday'><datetimelist><datetime>19700230</datetime><datetime>1970031</datetime>"
        "<datetime>20000229T235959</datetime><datetime>20000101T246000</datetime>"
        "<datetime>20000101T1200-0530</datetime></datetimelist></item>";
    const Walk walk = WalkText(dir, Book(Person("U", "1", items)));
    ASSERT_EQ(walk.documents.size(), 1u);
    EXPECT_EQ(Values(walk.documents[0], "Zip"), (NotesValues{NotesValue{}, 4.0, NotesValue{}}));
    EXPECT_EQ(Values(walk.documents[0], "Birthday"),
              (NotesValues{NotesValue{}, NotesValue{}, DateTime(2000, 2, 29, 23, 59, 59), NotesValue{},
                           NotesValue{}}));
}

TEST(DxlReader, LargeValuesAndChunkBoundaries) {
    TempDir dir;
    // A 10 MB comment, and many documents so that values straddle the read chunks.
    std::string big(10 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < big.size(); i += 1000) big[i] = '\n';
    std::string docs = Person("big", "1", TextItem("LastName", "a") + TextItem("Comment", big));
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        docs += Person("u" + n, n,
                       TextItem("LastName", "b" + std::string(5 - n.size(), '0') + n) +
                           TextItem("FirstName", "First name with a long-ish value " + n) +
                           "<item name='$Revisions'><datetimelist><datetime>20190315T143005,12-05"
                           "</datetime></datetimelist></item>");
    }
    const Walk walk = WalkText(dir, Book(docs));
    ASSERT_EQ(walk.documents.size(), 3001u);
    EXPECT_EQ(walk.documents[0].Text("Comment"), big);
    for (int i = 0; i < 3000; ++i) {
        const Seen& d = walk.documents[static_cast<std::size_t>(i) + 1];
        ASSERT_EQ(d.unid, "u" + std::to_string(i));
        ASSERT_EQ(d.Text("FirstName"), "First name with a long-ish value " + std::to_string(i));
    }
}

TEST(DxlReader, BufferAndFileGiveTheSameBook) {
    TempDir dir;
    const std::string text = Book(Named("b", "Bo", "B") + Named("a", "Al", "A"));
    const std::string path = dir / "book.dxl";
    WriteFile(path, text);
    const auto fromFile = DxlBook::ReadFile(path);
    const auto fromBuffer = DxlBook::ReadBuffer(text, "memory");
    ASSERT_EQ(fromFile->PersonCount(), 2u);
    ASSERT_EQ(fromBuffer->PersonCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const DxlBook::Person a(*fromFile, i), b(*fromBuffer, i);
        EXPECT_EQ(a.UniversalID(), b.UniversalID());
        EXPECT_EQ(a.ItemValues("FirstName"), b.ItemValues("FirstName"));
    }
    EXPECT_EQ(fromFile->Title(), fromBuffer->Title());
    EXPECT_THROW(DxlBook::Person(*fromFile, 2), NotesError);
}

TEST(DxlReader, KeepsExactlyTheRecordItemsAndTypeAndForm) {
    const char* kept[] = {"FirstName", "MiddleInitial", "LastName", "Suffix", "Title",
                          "MailAddress", "CompanyName", "JobTitle", "OfficeStreetAddress",
                          "OfficeCity", "OfficeZip", "OfficeState", "OfficeCountry", "Location",
                          "WebSite", "Department", "Manager", "Assistant", "OfficePhoneNumber",
                          "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6", "MiscPhone1",
                          "MiscPhone2", "MiscPhone3", "StreetAddress", "City", "Zip", "State",
                          "Country", "Spouse", "Children", "PhoneNumber", "HomeFAXPhoneNumber",
                          "PersPager", "Birthday", "Anniversary", "Comment", "ShortName",
                          "AltFullNameSort", "MailDomain", "Categories", "Type", "Form"};
    static_assert(std::size(kept) == kDxlKeptItemCount);
    for (std::size_t i = 0; i < std::size(kept); ++i) {
        EXPECT_EQ(DxlKeptItemIndex(kept[i]), static_cast<int>(i)) << kept[i];
        std::string upper = kept[i];
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(DxlKeptItemIndex(upper), static_cast<int>(i)) << upper;
    }
    for (const char* other : {"", "Owner", "$Revisions", "FirstNam", "FirstNames", "Phone Number"})
        EXPECT_EQ(DxlKeptItemIndex(other), -1) << other;
}

} // namespace
} // namespace tallowby::dxltest
