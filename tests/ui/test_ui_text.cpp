// The windows' rules as plain strings: the panel's heading, the web addresses, the
// contact filter, paths as people give them, and the words the windows show.
#include "tests/addressbook/TestSupport.h"
#include "ui/ContactFilter.h"
#include "ui/ContactPanel.h"
#include "ui/PathInput.h"
#include "ui/UiText.h"
#include "ui/WebLinks.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tallowby {
namespace {

using Fields = std::vector<std::string>;

TEST(PanelHeading, MiddleNameOnlyWhenNotEmptyAndNothingTrimmed) {
    const std::pair<Fields, std::string> cases[] = {
        {{"Anna", "", "Lindgren"}, "Anna Lindgren"}, {{"", "", "Lindgren"}, " Lindgren"},
        {{"Anna", "K.", "Lindgren"}, "Anna K. Lindgren"}, {{"Anna", "", ""}, "Anna "},
        {{" Anna", " ", "Lind "}, " Anna   Lind "}, {{"", "", ""}, " "}};
    for (const auto& [names, heading] : cases) {
        ContactFields fields;
        for (std::size_t i = 0; i < names.size(); ++i) fields[i] = names[i];
        EXPECT_EQ(PanelHeading(fields), heading);
    }
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

TEST(WebLinks, NoneUnlessTheBuildNamesThem) {
    // This build names none (the default): no link anywhere.
    EXPECT_EQ(HomePageAddress(), "");
    EXPECT_EQ(HomePageLink(), "");
    EXPECT_EQ(ProductPage(), "");
    // A build that names one links to it with a "/".
    EXPECT_EQ(HomePageLink("https://www.corvane.example"), "https://www.corvane.example/");
    EXPECT_EQ(HomePageLink("https://www.corvane.example/"), "https://www.corvane.example/");
}

TEST(NormalisedPath, AsPeopleGiveThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/names.dxl", "/data/names.dxl"},
        {"  /data/names.dxl \n", "/data/names.dxl"},            // a stray space, a pasted line end
        {"~/names.dxl", "/home/anna/names.dxl"}, {"~", "/home/anna"},
        {"~bob/names.dxl", "~bob/names.dxl"},                    // another user's home: as typed
        {"names~/x.dxl", "names~/x.dxl"},
        {"'/data/my names.dxl'", "/data/my names.dxl"}, {"\"~/names.dxl\"", "/home/anna/names.dxl"},
        {"file:///data/my%20names%23%C3%A9.dxl", "/data/my names#\u00e9.dxl"},
        {"FILE://localhost/data/names.dxl", "/data/names.dxl"}, {"file:/data/names.dxl", "/data/names.dxl"},
        {"file:///data/100%.dxl", "/data/100%.dxl"},              // a "%" without digits stays
        {"file://server/share/names.dxl", "file://server/share/names.dxl"},
        {"names.dxl", "names.dxl"}, {"   ", ""}, {"", ""}};
    for (const auto& [typed, path] : cases) EXPECT_EQ(NormalisedPath(typed, "/home/anna/"), path) << typed;
}

std::vector<ScannedContact> Contacts(std::initializer_list<std::array<const char*, 3>> rows) {
    std::vector<ScannedContact> contacts;
    for (const auto& [text, company, email] : rows) contacts.push_back({"", text, "", company, email, nullptr});
    return contacts;
}

// "Letter (n)/Name" of each contact node, "Letter (n)" of each letter node.
std::vector<std::string> Shown(const ContactTree& tree) {
    std::vector<std::string> shown;
    for (const auto& [node, depth] : tree.InTreeOrder())
        if (depth == 1) shown.push_back(node->text + (node->expanded ? " open" : ""));
        else if (depth == 2) shown.push_back(tree.Find(node->parentKey)->text + "/" + node->text);
    return shown;
}

ContactTree Filed(const std::vector<ScannedContact>& contacts, const std::vector<std::string>& letters) {
    ContactTree tree;
    PopulateDefaultTree(tree);
    for (std::size_t i = 0; i < contacts.size(); ++i)
        tree.Add(letters[i], "k" + std::to_string(i), contacts[i].text, kImageContact, i);
    return tree;
}

TEST(ContactFilter, NameCompanyOrEmailInAnyCase) {
    const auto contacts = Contacts({{"\u00c9mile Durand", "Stra\u00dfenbau AG", "emile@durand.example"},
                                    {"Anna Lee", "Northwind", "anna@northwind.example"},
                                    {"(no name)", "", ""}});
    const ContactTree full = Filed(contacts, {"E", "A", "Other"});
    const ContactFilter filter(contacts);
    ASSERT_EQ(filter.size(), 3u);
    // Nothing typed: every letter with its count, as the scan filed them.
    const auto all = Shown(filter.Narrow(full, "  "));
    EXPECT_EQ(all.size(), 27u + 3u);
    EXPECT_EQ(all.front(), "A (1)");
    EXPECT_EQ(all[1], "A (1)/Anna Lee");
    EXPECT_EQ(all.back(), "Other (1)/(no name)");
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"\u00e9MILE", {"E (1) open", "E (1)/\u00c9mile Durand"}},  // the name, in any case
        {"STRASSE", {"E (1) open", "E (1)/\u00c9mile Durand"}},     // the company, folded
        {" northwind.EXAMPLE ", {"A (1) open", "A (1)/Anna Lee"}},  // the e-mail address
        {"an", {"A (1) open", "A (1)/Anna Lee", "E (1) open", "E (1)/\u00c9mile Durand"}},
        {"(no", {"Other (1) open", "Other (1)/(no name)"}},
        {std::string("lee\0north", 9), {}}, {"lee north", {}},  // never across two parts
        {"zebra", {}}};
    for (const auto& [typed, shown] : cases) EXPECT_EQ(Shown(filter.Narrow(full, typed)), shown) << typed;
    EXPECT_EQ(filter.Narrow(full, "zebra").nodes().size(), 1u);  // the root stays
    EXPECT_FALSE(filter.Matches(7, ""));
}

TEST(ContactFilter, ThirtyTwoThousandContactsAtOnce) {
    std::vector<ScannedContact> contacts;
    std::vector<std::string> letters;
    for (int i = 0; i < 32767; ++i) {
        contacts.push_back({"", "Person" + std::to_string(i) + " Lastname", "", "Company " + std::to_string(i % 97),
                            "p" + std::to_string(i) + "@mail.example", nullptr});
        letters.push_back("P");
    }
    const ContactTree full = Filed(contacts, letters);
    const auto start = std::chrono::steady_clock::now();
    const ContactFilter filter(contacts);
    const ContactTree some = filter.Narrow(full, "company 42");
    const ContactTree every = filter.Narrow(full, "");
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(some.nodes().size(), 2u + 32767 / 97 + 1);
    EXPECT_EQ(every.nodes().size(), 28u + 32767);
    EXPECT_LT(ms, 500.0);  // folded once, then one pass a keystroke (about 30 ms here)
    std::printf("fold 32,767 contacts and narrow twice: %.1f ms\n", ms);
}

TEST(UiText, StatusCompletionAndSaveAs) {
    EXPECT_EQ(ScanStatusText(215, "Contacts of Anna", "/data/names.dxl"), "215 contacts from Contacts of Anna");
    EXPECT_EQ(ScanStatusText(1, "", "/data/names.dxl"), "1 contact from names.dxl");
    EXPECT_EQ(ScanStatusText(0, "", "names.dxl"), "0 contacts from names.dxl");
    EXPECT_EQ(CompletionMessage("215 Contacts Saved Successfully", "/data/names.xls"),
              "215 Contacts Saved Successfully\r\n\r\nFile: /data/names.xls");
    EXPECT_EQ(SaveFilter(ExportFormat::Xlsx), "Excel workbook (*.xlsx)");
    EXPECT_EQ(SaveFilter(ExportFormat::Xls), "Excel 2.1 worksheet (*.xls)");
    EXPECT_EQ(SaveFilter(ExportFormat::Vcf), "vCard file (*.vcf)");
    EXPECT_EQ(PathForFormat("/out/anna.xlsx", ExportFormat::Csv), "/out/anna.csv");
    EXPECT_EQ(PathForFormat("/out/anna.XLS", ExportFormat::Xls), "/out/anna.XLS");
    EXPECT_EQ(PathForFormat("/out/anna.v1", ExportFormat::Vcf), "/out/anna.v1.vcf");
    EXPECT_EQ(PathForFormat("/out/", ExportFormat::Vcf), "/out/");
}

TEST(UiText, AllItemsEveryValueNamesAbbreviated) {
    test::FakeDocument document("U1", "N1");
    document.Set("FirstName", {std::string("Anna")})
        .Set("Owner", {std::string("CN=Anna Lee/O=Acme")})
        .Set("Phones", {std::string("1"), std::string(""), std::string("2")});
    const std::vector<std::pair<std::string, std::string>> rows{
        {"FirstName", "Anna"}, {"Owner", "Anna Lee/Acme"}, {"Phones", "1\n2"}};
    EXPECT_EQ(AllItemRows(document), rows);
}

} // namespace
} // namespace tallowby
