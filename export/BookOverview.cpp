#include "export/BookOverview.h"

#include "addressbook/ContactRecord.h"
#include "addressbook/NotesCalls.h"
#include "addressbook/RunControl.h"

#include <unordered_set>

namespace tallowby {

namespace {

// Compared letter by letter, ignoring ASCII case: no copy for each of an item's tests.
bool Is(const NotesItem& item, std::string_view name) {
    if (item.name.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = item.name[i], d = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (d >= 'A' && d <= 'Z') d = static_cast<char>(d - 'A' + 'a');
        if (c != d) return false;
    }
    return true;
}

std::vector<std::string> Texts(const NotesItem& item) {
    std::vector<std::string> texts;
    for (const NotesValue& value : item.values)
        if (std::string text = ValueToText(value); !text.empty()) texts.push_back(std::move(text));
    return texts;
}

// Each document of a view, in its order; one that cannot be had ends the walk.
template <class F>
void EachDocument(NotesViewNavigator& navigator, F&& visit) {
    std::shared_ptr<NotesViewEntry> entry;
    if (!Attempt([&] { entry = navigator.GetFirstDocument(); })) return;
    while (entry) {
        Checkpoint();
        std::shared_ptr<NotesDocument> document;
        if (!Attempt([&] { document = entry->Document(); }) || !document) return;
        Attempt([&] { visit(*document); });
        if (!Attempt([&] { entry = navigator.GetNextDocument(entry); })) return;
    }
}

} // namespace

BookOverview ReadOverview(NotesDatabase& database, NotesView& people) {
    BookOverview overview;
    std::unordered_set<std::string> seen;
    std::string folded;
    std::shared_ptr<NotesViewNavigator> navigator;
    if (!Attempt([&] { navigator = people.CreateViewNav(); }) || !navigator) return overview;
    EachDocument(*navigator, [&](NotesDocument& document) {
        PersonIdentity person;
        person.unid = document.UniversalID();
        for (const NotesItem& item : document.Items()) {
            folded.assign(item.name);
            for (char& c : folded)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (seen.count(folded) == 0) {
                seen.insert(folded);
                overview.personItems.push_back(item.name);
            }
            if (Is(item, "FullName") || Is(item, "MailAddress") || Is(item, "InternetAddress") ||
                Is(item, "ShortName"))
                for (std::string& text : Texts(item)) person.names.push_back(std::move(text));
        }
        person.email = FieldText(document, kEmailField);
        const std::string first = FieldText(document, kFirstNameField), last = FieldText(document, kLastNameField);
        const std::string full = DisplayText(first, FieldText(document, kMiddleNameField), last);
        person.listed = ContactListText(full, person.email);
        for (const std::string& own : {DisplayText(first, "", last), full})
            if (!own.empty()) person.ownNames.push_back(own);
        overview.persons.push_back(std::move(person));
    });

    std::vector<GroupDocument> groups;
    std::shared_ptr<NotesView> groupView;
    std::shared_ptr<NotesViewNavigator> groupNavigator;
    if (Attempt([&] { groupView = database.GetView("Groups"); }) && groupView &&
        Attempt([&] { groupNavigator = groupView->CreateViewNav(); }) && groupNavigator) {
        EachDocument(*groupNavigator, [&](NotesDocument& document) {
            GroupDocument group;
            group.unid = document.UniversalID();
            for (const NotesItem& item : document.Items()) {
                if (Is(item, "ListName")) group.listName = Texts(item);
                else if (Is(item, "ListDescription")) group.description = Texts(item);
                else if (Is(item, "GroupType")) group.groupType = ValueText(item, TextRule{});
                else if (Is(item, "Members")) group.members = Texts(item);
            }
            overview.binaryItems += static_cast<int64_t>(document.BinaryItemCount());
            groups.push_back(std::move(group));
        });
    }
    overview.groups = ResolveGroups(overview.persons, groups);
    overview.groupsOfPerson.resize(overview.persons.size());
    for (std::size_t g = 0; g < overview.groups.size(); ++g)
        for (const std::size_t person : overview.groups[g].persons) overview.groupsOfPerson[person].push_back(g);
    return overview;
}

} // namespace tallowby
