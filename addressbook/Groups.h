// The groups of an address book and who is in them. A group's members are stored as
// names (canonical "CN=Ann Smith/O=Acme" or abbreviated "Ann Smith/Acme"), e-mail
// addresses, short names or other groups' names; each member is resolved to the
// person or group of the book it names, and nested groups to the persons they reach,
// each once, a cycle cut where it closes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tallowby {

// What identifies a person document to a group's member list: its FullName values,
// MailAddress, InternetAddress and ShortName (all values); and, for a member named
// hierarchically whose common name no FullName matches, the person's own name
// ("First Last", "First Middle Last") when no other person of the book has it.
struct PersonIdentity {
    std::string unid;
    std::vector<std::string> names;
    std::vector<std::string> ownNames;
    std::string listed;  // as the tree lists it (ContactListText)
    std::string email;   // MailAddress's first value
};

// A group document's items as stored.
struct GroupDocument {
    std::string unid;
    std::vector<std::string> listName;     // the group's name, then its aliases
    std::vector<std::string> description;  // ListDescription
    std::string groupType;                 // GroupType's first value: "0", "1" ...
    std::vector<std::string> members;      // Members, in stored order
};

struct GroupMember {
    enum class Kind { Person, Group, Unknown };
    Kind kind = Kind::Unknown;
    std::size_t index = 0;  // into the persons or the groups
    std::string text;       // the member as stored, abbreviated
};

struct BookGroup {
    std::string unid;
    std::string name;                  // abbreviated
    std::vector<std::string> aliases;
    std::string description;           // its values, one per line
    std::string type;                  // as Notes names it: "Multi-purpose", "Mail only" ...
    std::vector<GroupMember> members;  // in stored order
    std::vector<std::size_t> persons;  // every person reached, directly or through nested groups
};

// Resolves the groups' members against the persons and the groups themselves. Names
// match ignoring case, canonical or abbreviated alike; a person's names are tried
// before a group's.
std::vector<BookGroup> ResolveGroups(const std::vector<PersonIdentity>& persons,
                                     const std::vector<GroupDocument>& groups);

// GroupType as Notes shows it: 0 "Multi-purpose", 1 "Mail only", 2 "Access Control
// List only", 3 "Deny List only", 4 "Servers only"; any other value as it is.
std::string GroupTypeName(const std::string& value);

} // namespace tallowby
