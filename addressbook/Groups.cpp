#include "addressbook/Groups.h"

#include "addressbook/DxlValues.h"
#include "addressbook/ValueText.h"

#include <unordered_map>

namespace tallowby {

namespace {

// The form a name is looked up by: abbreviated, trimmed, folded to lower case.
std::string LookupKey(const std::string& name) {
    const std::string abbreviated = AbbreviatedName(name);
    const auto first = abbreviated.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = abbreviated.find_last_not_of(' ');
    std::string key;
    AppendFoldedForSort(key, std::string_view(abbreviated).substr(first, last - first + 1));
    return key;
}

std::string JoinLines(const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& value : values) {
        if (value.empty()) continue;
        if (!joined.empty()) joined += '\n';
        joined += value;
    }
    return joined;
}

} // namespace

std::string GroupTypeName(const std::string& value) {
    static const char* const kNames[] = {"Multi-purpose", "Mail only", "Access Control List only",
                                         "Deny List only", "Servers only"};
    if (value.size() == 1 && value[0] >= '0' && value[0] <= '4') return kNames[value[0] - '0'];
    return value;
}

std::vector<BookGroup> ResolveGroups(const std::vector<PersonIdentity>& persons,
                                     const std::vector<GroupDocument>& groups) {
    constexpr std::size_t kAmbiguous = static_cast<std::size_t>(-1);
    std::unordered_map<std::string, std::size_t> personByName, personByOwnName, groupByName;
    for (std::size_t i = 0; i < persons.size(); ++i) {
        for (const std::string& name : persons[i].names)
            if (std::string key = LookupKey(name); !key.empty()) personByName.try_emplace(std::move(key), i);
        for (const std::string& name : persons[i].ownNames) {
            std::string key = LookupKey(name);
            if (key.empty()) continue;
            const auto [it, fresh] = personByOwnName.try_emplace(std::move(key), i);
            if (!fresh && it->second != i) it->second = kAmbiguous;  // two persons of that name: neither
        }
    }
    for (std::size_t i = 0; i < groups.size(); ++i)
        for (const std::string& name : groups[i].listName)
            if (std::string key = LookupKey(name); !key.empty()) groupByName.try_emplace(std::move(key), i);

    std::vector<BookGroup> resolved(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const GroupDocument& group = groups[g];
        BookGroup& out = resolved[g];
        out.unid = group.unid;
        for (std::size_t i = 0; i < group.listName.size(); ++i) {
            std::string name = AbbreviatedName(group.listName[i]);
            if (i == 0)
                out.name = std::move(name);
            else if (!name.empty())
                out.aliases.push_back(std::move(name));
        }
        out.description = JoinLines(group.description);
        out.type = GroupTypeName(group.groupType);
        for (const std::string& member : group.members) {
            if (member.empty()) continue;
            GroupMember resolvedMember;
            resolvedMember.text = AbbreviatedName(member);
            const std::string key = LookupKey(member);
            // The common name of a hierarchical name ("Ann Smith" of "Ann Smith/Sales/Acme").
            const std::string abbreviated = AbbreviatedName(member);
            const std::size_t slash = abbreviated.find('/');
            const std::string common = slash == std::string::npos ? std::string() : LookupKey(abbreviated.substr(0, slash));
            if (const auto person = personByName.find(key); person != personByName.end()) {
                resolvedMember.kind = GroupMember::Kind::Person;
                resolvedMember.index = person->second;
            } else if (const auto other = groupByName.find(key); other != groupByName.end()) {
                resolvedMember.kind = GroupMember::Kind::Group;
                resolvedMember.index = other->second;
            } else if (const auto own = personByOwnName.find(common.empty() ? key : common);
                       own != personByOwnName.end() && own->second != kAmbiguous) {
                resolvedMember.kind = GroupMember::Kind::Person;
                resolvedMember.index = own->second;
            }
            out.members.push_back(std::move(resolvedMember));
        }
    }

    // The persons each group reaches, depth first in stored order; a group already on
    // the way (a cycle) or already visited adds nothing more.
    for (BookGroup& group : resolved) {
        std::vector<bool> visitedGroup(resolved.size()), reachedPerson(persons.size());
        std::vector<std::pair<const BookGroup*, std::size_t>> stack{{&group, 0}};
        visitedGroup[static_cast<std::size_t>(&group - resolved.data())] = true;
        while (!stack.empty()) {
            auto& [current, next] = stack.back();
            if (next == current->members.size()) {
                stack.pop_back();
                continue;
            }
            const GroupMember& member = current->members[next++];
            if (member.kind == GroupMember::Kind::Person && !reachedPerson[member.index]) {
                reachedPerson[member.index] = true;
                group.persons.push_back(member.index);
            } else if (member.kind == GroupMember::Kind::Group && !visitedGroup[member.index]) {
                visitedGroup[member.index] = true;
                stack.emplace_back(&resolved[member.index], 0);
            }
        }
    }
    return resolved;
}

} // namespace tallowby
