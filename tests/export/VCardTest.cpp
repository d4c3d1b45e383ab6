// vCard files read back by two independent readers, vobject (Python) and ical.js
// (Node), card by card against what the book holds, worked out here through the Notes
// layer with the mapping stated here; the completion message; the numbered files of a
// split from the command line.
#include "ContactBook.h"

#include "addressbook/ContactRecord.h"
#include "addressbook/Notes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tallowby::test {
namespace {

// One card's properties as the readers report them: [NAME, [types], value].
struct Card {
    std::vector<std::string> facts;
    void Add(const std::string& name, std::vector<std::string> types, const std::string& valueJson) {
        std::sort(types.begin(), types.end());
        facts.push_back("[" + Json(name) + "," + Json(types) + "," + valueJson + "]");
    }
};
std::string JsonCards(const std::vector<Card>& cards) {
    std::string out = "[";
    for (const Card& card : cards) {
        out += out.size() > 1 ? ",\n[" : "[";
        for (std::size_t i = 0; i < card.facts.size(); ++i) out += (i ? "," : "") + card.facts[i];
        out += "]";
    }
    return out + "]\n";
}

// ------------------------------------------------------------- the book, through Notes

// Each value as Notes shows it (names abbreviated), empty ones (and "0" for Title and
// Suffix) left out.
std::vector<std::string> Values(NotesDocument& document, const std::string& item, bool zeroIsEmpty = false) {
    std::vector<std::string> texts;
    for (const NotesValue& value : document.GetItemValue(item)) {
        std::string text = AbbreviatedName(ValueToText(value));
        if (!text.empty() && !(zeroIsEmpty && text == "0")) texts.push_back(text);
    }
    return texts;
}
std::string First(const std::vector<std::string>& texts) { return texts.empty() ? "" : texts[0]; }

// An internet address: something@domain.tld, no space. A phone number: a digit, no "@".
bool IsAddress(const std::string& v) {
    const auto at = v.find('@');
    return at != 0 && at != std::string::npos && v.find(' ') == std::string::npos && v.find('.', at) != std::string::npos;
}
bool IsNumber(const std::string& v) { return v.find('@') == std::string::npos && v.find_first_of("0123456789") != v.npos; }

std::string XNotes(std::string item) {
    for (char& c : item) c = c == '_' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return "X-NOTES-" + item;
}
std::string Urn(std::string unid) {
    for (char& c : unid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "urn:uuid:" + unid.substr(0, 8) + "-" + unid.substr(8, 4) + "-" + unid.substr(12, 4) + "-" +
           unid.substr(16, 4) + "-" + unid.substr(20);
}
std::string Basic(const NotesDateTime& d, bool time = false) {
    char text[32];
    if (time) std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", d.year, d.month, d.day, d.hour, d.minute, d.second);
    else std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}
// The first date of a date item: the date as stored, or a text "1970-03-15".
std::string FirstDate(NotesDocument& document, const std::string& item) {
    const NotesValue value = document.GetItemValue(item).front();
    if (const auto* date = std::get_if<NotesDateTime>(&value)) return Basic(*date);
    std::string text = ValueToText(value);
    text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
    return text;
}

// The items the mapping below places; every other item but Type is an X-NOTES- one.
const std::vector<std::string> kPlaced = {
    "FirstName", "MiddleInitial", "LastName", "Title", "Suffix", "CompanyName", "Department", "JobTitle",
    "MailAddress", "InternetAddress", "MiscPhone1", "MiscPhone2", "MiscPhone3", "OfficePhoneNumber",
    "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6", "PhoneNumber", "HomeFAXPhoneNumber", "PersPager",
    "OfficeStreetAddress", "OfficeCity", "OfficeState", "OfficeZip", "OfficeCountry", "StreetAddress", "City",
    "State", "Zip", "Country", "WebSite", "Birthday", "Anniversary", "Categories", "Comment", "Spouse", "Children",
    "Manager", "Assistant", "AltFullNameSort", "Type"};

Card PersonCard(NotesDocument& d, int version, const std::vector<std::string>& groups) {
    const bool v4 = version == 4;
    Card card;
    const auto last = Values(d, "LastName"), first = Values(d, "FirstName"), middle = Values(d, "MiddleInitial");
    card.Add("N", {}, Json(std::vector<std::vector<std::string>>{last, first, middle, Values(d, "Title", true), Values(d, "Suffix", true)}));
    if (const auto sort = Values(d, "AltFullNameSort"); !sort.empty()) card.Add(v4 ? "SORT-AS" : "SORT-STRING", {}, Json(sort[0]));
    const auto company = Values(d, "CompanyName"), departments = Values(d, "Department");
    std::string name = DisplayText(First(first), First(middle), First(last));
    for (const std::string& fallback : {First(company), First(Values(d, "MailAddress")), std::string(kNoName)})
        if (name.empty()) name = fallback;
    card.Add("FN", {}, Json(name));
    if (!company.empty() || !departments.empty()) {
        std::vector<std::string> org{First(company)};
        org.insert(org.end(), departments.begin(), departments.end());
        card.Add("ORG", {}, Json(org));
    }
    for (const std::string& job : Values(d, "JobTitle")) card.Add("TITLE", {}, Json(job));

    std::vector<std::string> emails;
    for (const char* item : {"MailAddress", "InternetAddress", "MiscPhone1", "MiscPhone2", "MiscPhone3"})
        for (const std::string& v : Values(d, item)) {
            if (!IsAddress(v)) card.Add(XNotes(item), {}, Json(v));
            else if (std::find(emails.begin(), emails.end(), v) == emails.end()) emails.push_back(v);
        }
    for (std::size_t i = 0; i < emails.size(); ++i) {
        std::vector<std::string> types = v4 ? std::vector<std::string>{"work"} : std::vector<std::string>{"internet", "work"};
        if (i == 0) types.push_back("pref");
        card.Add("EMAIL", types, Json(emails[i]));
    }
    const std::pair<const char*, std::vector<std::string>> phones[] = {
        {"OfficePhoneNumber", {"work", "voice"}}, {"OfficeFAXPhoneNumber", {"work", "fax"}}, {"CellPhoneNumber", {"cell"}},
        {"PhoneNumber_6", {"pager"}}, {"PhoneNumber", {"home", "voice"}}, {"HomeFAXPhoneNumber", {"home", "fax"}},
        {"PersPager", {"cell", "home"}}};
    for (const auto& [item, types] : phones)
        for (const std::string& v : Values(d, item)) card.Add(IsNumber(v) ? "TEL" : XNotes(item), IsNumber(v) ? types : std::vector<std::string>{}, Json(v));
    for (const auto& [type, items] : {std::pair<std::string, std::vector<std::string>>{"work", {"OfficeStreetAddress", "OfficeCity", "OfficeState", "OfficeZip", "OfficeCountry"}},
                                      {"home", {"StreetAddress", "City", "State", "Zip", "Country"}}}) {
        std::vector<std::vector<std::string>> adr{{}, {}};
        bool any = false;
        for (const std::string& item : items) any |= !adr.emplace_back(Values(d, item)).empty();
        if (any) card.Add("ADR", {type}, Json(adr));
    }
    for (const std::string& url : Values(d, "WebSite")) card.Add("URL", {}, Json(url));
    if (!Values(d, "Birthday").empty()) card.Add("BDAY", {}, Json(FirstDate(d, "Birthday")));
    if (!Values(d, "Anniversary").empty()) card.Add(v4 ? "ANNIVERSARY" : "X-ANNIVERSARY", {}, Json(FirstDate(d, "Anniversary")));
    auto categories = Values(d, "Categories");
    categories.insert(categories.end(), groups.begin(), groups.end());
    std::sort(categories.begin(), categories.end());
    if (!categories.empty()) card.Add("CATEGORIES", {}, Json(categories));
    std::string note;
    for (const std::string& comment : Values(d, "Comment")) note += (note.empty() ? "" : "\n") + comment;
    if (!note.empty()) card.Add("NOTE", {}, Json(note));
    for (const auto& [item, v3, type] : {std::tuple{"Spouse", "X-SPOUSE", "spouse"}, {"Children", "X-CHILDREN", "child"},
                                         {"Manager", "X-MANAGER", "co-worker"}, {"Assistant", "X-ASSISTANT", "agent"}})
        for (const std::string& v : Values(d, item))
            v4 ? card.Add("RELATED", {type}, Json(v)) : card.Add(v3, {}, Json(v));
    for (const NotesItem& item : d.Items())
        if (std::find(kPlaced.begin(), kPlaced.end(), item.name) == kPlaced.end())
            for (const std::string& v : Values(d, item.name)) card.Add(XNotes(item.name), {}, Json(v));
    card.Add("UID", {}, Json(Urn(d.UniversalID())));
    if (const auto modified = d.LastModified()) card.Add("REV", {}, Json(Basic(*modified, true)));
    return card;
}

// The cards the book gives: its persons in the view's order, then its groups in the
// Groups view's order, with the members stated here.
std::vector<Card> ExpectedCards(const std::string& database, int version, bool groupsAsCategories) {
    const auto book = CreateObject(kDominoProgID)->GetDatabase("", database);
    std::map<std::string, std::string> urn;  // "Ann Able", a group's name -> its UID
    std::vector<std::shared_ptr<NotesDocument>> persons, groups;
    for (const auto& [view, into] : {std::pair{"$People", &persons}, {"Groups", &groups}}) {
        const auto navigator = book->GetView(view)->CreateViewNav();
        for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
            into->push_back(entry->Document());
            NotesDocument& d = *into->back();
            urn[into == &groups ? First(Values(d, "ListName")) : First(Values(d, "FirstName")) + " " + First(Values(d, "LastName"))] = Urn(d.UniversalID());
        }
    }
    // Sales reaches Ann, Bob and (through Nested) Taro; Nested reaches them all again
    // through Sales; Solo reaches Bob.
    const std::map<std::string, std::vector<std::string>> groupsOf = {
        {"Ann Able", {"Nested", "Sales"}}, {"Bob Baker", {"Nested", "Sales", "Solo"}}, {"太郎 山田", {"Nested", "Sales"}}};
    std::vector<Card> cards;
    for (const auto& d : persons) {
        const auto it = groupsOf.find(First(Values(*d, "FirstName")) + " " + First(Values(*d, "LastName")));
        cards.push_back(PersonCard(*d, version, groupsAsCategories && it != groupsOf.end() ? it->second : std::vector<std::string>{}));
    }
    const std::string member = version == 4 ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER";
    for (const auto& d : groups) {
        const std::string name = First(Values(*d, "ListName"));
        Card& card = cards.emplace_back();
        if (version == 4) {
            card.Add("KIND", {}, Json("group"));
        } else {
            card.Add("X-ADDRESSBOOKSERVER-KIND", {}, Json("group"));
            card.Add("N", {}, Json(std::vector<std::vector<std::string>>{{name}, {}, {}, {}, {}}));
        }
        card.Add("FN", {}, Json(name));
        card.Add("UID", {}, Json(urn.at(name)));
        if (name == "Sales") {
            card.Add("NOTE", {}, Json("Everyone who sells"));
            card.Add("X-NOTES-GROUPTYPE", {}, Json("Multi-purpose"));
            for (const std::string& uri : {urn.at("Ann Able"), urn.at("Bob Baker"), urn.at("Nested"), std::string("mailto:outsider@else.example")})
                card.Add(member, {}, Json(uri));
            card.Add("X-NOTES-MEMBER", {}, Json("Nobody Known/Acme"));
        } else if (name == "Nested") {
            card.Add("X-NOTES-GROUPTYPE", {}, Json("Mail only"));
            card.Add(member, {}, Json(urn.at("Sales")));
            card.Add(member, {}, Json(urn.at("太郎 山田")));
        } else if (name == "Empty") {
            card.Add("NICKNAME", {}, Json(std::vector<std::string>{"Alias One"}));
            card.Add("NOTE", {}, Json("Nobody yet"));
        } else if (name == "Solo") {
            card.Add(member, {}, Json(urn.at("Bob Baker")));
        }
    }
    return cards;
}

ExportResult ExportCards(const std::string& database, const std::string& output, int version, bool categories) {
    ExportRequest request;
    request.bookPath = database;
    request.outputPath = output;
    request.format = ExportFormat::Vcf;
    request.layout = ExportLayout::Full;
    request.vcard.version = version;
    request.vcard.groupsAsCategories = categories;
    return ExportBook(request);
}

// ------------------------------------------------------------- the tests

class VCardReadBackTest : public ::testing::TestWithParam<std::tuple<int, bool>> {
protected:
    TempDir dir;
    const std::string database = dir / "names.dxl";
};

TEST_P(VCardReadBackTest, EveryCardReadsBackInBothReaders) {
    const auto [version, categories] = GetParam();
    WriteFile(database, ContactBook());
    WriteFile(dir / "expected.json", JsonCards(ExpectedCards(database, version, categories)));
    const ExportResult result = ExportCards(database, {}, version, categories);
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    const std::string file = dir / "names.vcf";
    EXPECT_EQ(result.files, std::vector<std::string>{file});
    const std::string groups =
        categories ? ""
        : version == 4
            ? "\r\n\r\nAddress books that do not read group cards (KIND:group), Google Contacts among them, leave the "
              "groups out: export with the groups as categories (--groups-as-categories) to keep each person's groups "
              "as labels on its card."
            : "\r\n\r\nThe group cards are in Apple's form (X-ADDRESSBOOKSERVER-KIND), which Apple Contacts, iCloud "
              "and Nextcloud read; Google Contacts and Thunderbird leave them out: export with the groups as "
              "categories (--groups-as-categories) to keep each person's groups as labels on its card.";
    // X-NOTES-: Ann's MiscPhone2, ShortName, Location, Hobby_Main and two FullName values;
    // Bob's MailAddress, CellPhoneNumber and FullName; Taro's MiscPhone1 and FullName; the
    // member of Sales nobody is.
    EXPECT_EQ(result.message, "5 Contacts Saved Successfully\r\n\r\n5 cards and 4 group cards written, in 1 file.\r\n\r\n"
                              "12 values have no standard vCard property and are kept in X-NOTES- properties named "
                              "after their Notes item; some address books keep such properties without showing them, "
                              "others leave them out." + groups);
    for (const std::vector<std::string>& reader :
         {std::vector<std::string>{"/usr/bin/python3", TALLOWBY_READ_VCARDS_PY}, {"node", TALLOWBY_READ_VCARDS_MJS}}) {
        std::vector<std::string> argv = reader;
        argv.insert(argv.end(), {dir / "expected.json", file});
        const ChildRun run = RunProgram(argv, dir.path());
        EXPECT_EQ(run.status, 0) << reader[0] << ":\n" << run.out << run.err;
        EXPECT_EQ(run.out, "9 cards agree\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, VCardReadBackTest,
                         ::testing::Combine(::testing::Values(3, 4), ::testing::Bool()), [](const auto& info) {
                             return "v" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "_groups_as_categories" : "");
                         });

// tallowby-cli: 9 cards in files of at most 2 ("contacts-001.vcf" ... "-005.vcf"), the
// options read, every file complete and nothing else left in the folder.
TEST(VCardSplitTest, NumberedFilesOfAtMostNCardsFromTheCommandLine) {
    TempDir dir;
    WriteFile(dir / "names.dxl", ContactBook());
    fs::create_directories(dir / "out");
    const ChildRun run = RunProgram({TALLOWBY_CLI, "export", "--split", "2", "--vcard", "4.0", "--groups-as-categories",
                                     "--output", dir / "out/contacts.vcf", dir / "names.dxl"},
                                    dir.path());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("5 cards and 4 group cards written, in 5 files: " + dir / "out/contacts-001.vcf" + " to " +
                           dir / "out/contacts-005.vcf" + "."),
              std::string::npos)
        << run.out;
    std::vector<std::string> names, files;
    for (const auto& entry : fs::directory_iterator(dir / "out")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"contacts-001.vcf", "contacts-002.vcf", "contacts-003.vcf",
                                                "contacts-004.vcf", "contacts-005.vcf"}));
    std::size_t cards = 0;
    for (const std::string& name : names) {
        const std::string text = ReadFile(dir / "out/" + name);
        std::size_t inFile = 0;
        for (auto at = text.find("BEGIN:VCARD\r\n"); at != std::string::npos; at = text.find("BEGIN:VCARD\r\n", at + 1)) ++inFile;
        EXPECT_EQ(inFile, name == "contacts-005.vcf" ? 1u : 2u) << name;
        EXPECT_TRUE(text.ends_with("END:VCARD\r\n")) << name;
        cards += inFile;
        files.push_back(dir / "out/" + name);
    }
    EXPECT_EQ(cards, 9u);
    // Read together, the files hold the same cards as one file would.
    WriteFile(dir / "expected.json", JsonCards(ExpectedCards(dir / "names.dxl", 4, true)));
    std::vector<std::string> argv{"/usr/bin/python3", TALLOWBY_READ_VCARDS_PY, dir / "expected.json"};
    argv.insert(argv.end(), files.begin(), files.end());
    const ChildRun read = RunProgram(argv, dir.path());
    EXPECT_EQ(read.out, "9 cards agree\n") << read.err;
}

// The third file cannot be written (a read-only file has its name): the export fails
// naming it, and neither of the two complete files before it takes its place.
TEST(VCardSplitTest, NoFileTakesItsPlaceUntilAllAreComplete) {
    TempDir dir;
    WriteFile(dir / "names.dxl", ContactBook());
    fs::create_directories(dir / "out");
    const std::string blocked = dir / "out/names-003.vcf";
    WriteFile(blocked, "an earlier file\n");
    fs::permissions(blocked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Snapshot before = TakeSnapshot(dir / "out");
    ExportRequest request;
    request.bookPath = dir / "names.dxl";
    request.outputPath = dir / "out/names.vcf";
    request.format = ExportFormat::Vcf;
    request.layout = ExportLayout::Full;
    request.vcard.split = 2;
    const ExportResult result = ExportBook(request);
    EXPECT_EQ(result.outcome, ExportOutcome::FileError);
    EXPECT_NE(result.message.find(blocked), std::string::npos) << result.message;
    EXPECT_TRUE(result.files.empty());
    EXPECT_EQ(TakeSnapshot(dir / "out"), before) << "nothing put in place, nothing left behind";
}

} // namespace
} // namespace tallowby::test
