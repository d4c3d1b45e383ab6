// A group's members resolved against the book: by FullName (canonical or abbreviated),
// MailAddress, InternetAddress or ShortName in any case, by another group's name, and
// by a person's own name for a hierarchical member that no FullName matches, when only
// one person has it; nested groups reach their persons, each once, a cycle cut.
#include "addressbook/Groups.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

std::string Describe(const BookGroup& group) {
    std::string text = group.name + ":";
    for (const GroupMember& member : group.members)
        text += member.kind == GroupMember::Kind::Person  ? " p" + std::to_string(member.index)
                : member.kind == GroupMember::Kind::Group ? " g" + std::to_string(member.index)
                                                          : " ?" + member.text;
    text += " =>";
    for (const std::size_t person : group.persons) text += " " + std::to_string(person);
    return text;
}

TEST(Groups, MembersResolvedNestedGroupsFlattenedCyclesCut) {
    const std::vector<PersonIdentity> persons = {
        {"P0", {"CN=Ann Smith/OU=Sales/O=Acme", "ann@acme.example"}, {"Ann Smith"}, "Ann Smith", "ann@acme.example"},
        {"P1", {"bob@acme.example", "bbaker"}, {"Bob Baker"}, "Bob Baker", "bob@acme.example"},
        {"P2", {}, {"Cid Moss"}, "Cid Moss", ""},
        {"P3", {}, {"Cid Moss"}, "Cid Moss", ""}};  // a name two persons share resolves to neither
    const std::vector<GroupDocument> documents = {
        {"G0", {"Sales", "Vertrieb"}, {"The sales team"}, "1",
         {"ann smith/sales/acme", "BOB@acme.example", "Support", "nobody@else.example", "Cid Moss/Acme"}},
        {"G1", {"Support"}, {}, "0", {"bbaker", "Sales", "CN=Bob Baker/O=Other"}},
        {"G2", {"Empty"}, {}, "7", {""}}};
    const std::vector<BookGroup> groups = ResolveGroups(persons, documents);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(Describe(groups[0]), "Sales: p0 p1 g1 ?nobody@else.example ?Cid Moss/Acme => 0 1");
    EXPECT_EQ(Describe(groups[1]), "Support: p1 g0 p1 => 1 0");
    EXPECT_EQ(Describe(groups[2]), "Empty: =>");
    EXPECT_EQ(groups[0].aliases, std::vector<std::string>{"Vertrieb"});
    EXPECT_EQ(groups[0].type + "|" + groups[1].type + "|" + groups[2].type, "Mail only|Multi-purpose|7");
    EXPECT_EQ(groups[0].description, "The sales team");
}

} // namespace
} // namespace tallowby
