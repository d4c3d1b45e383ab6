#include "export/BookOverview.h"
#include "addressbook/AsciiCase.h"

#include "addressbook/ContactRecord.h"
#include "addressbook/NotesCalls.h"
#include "addressbook/RunControl.h"

#include <unordered_set>

namespace tallowby {

namespace {

bool Is(const NotesItem& item, std::string_view name) { return EqualsIgnoringAsciiCase(item.name, name); }

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

PersonIdentity IdentityOf(NotesDocument& document) {
    PersonIdentity person;
    Attempt([&] { person.unid = document.UniversalID(); });
    for (const char* item : {"FullName", "MailAddress", "InternetAddress", "ShortName"})
        Attempt([&] {
            for (const NotesValue& value : document.GetItemValue(item))
                if (std::string text = ValueToText(value); !text.empty()) person.names.push_back(std::move(text));
        });
    person.email = FieldText(document, kEmailField);
    const std::string first = FieldText(document, kFirstNameField), last = FieldText(document, kLastNameField);
    const std::string full = DisplayText(first, FieldText(document, kMiddleNameField), last);
    person.listed = ContactListText(full, person.email);
    for (const std::string& own : {DisplayText(first, "", last), full})
        if (!own.empty()) person.ownNames.push_back(own);
    return person;
}

namespace {

std::shared_ptr<NotesViewNavigator> GroupNavigator(NotesDatabase& database) {
    std::shared_ptr<NotesView> view;
    std::shared_ptr<NotesViewNavigator> navigator;
    if (Attempt([&] { view = database.GetView("Groups"); }) && view) Attempt([&] { navigator = view->CreateViewNav(); });
    return navigator;
}

} // namespace

int64_t GroupCount(NotesDatabase& database) {
    const auto navigator = GroupNavigator(database);
    int32_t count = 0;
    if (navigator) Attempt([&] { count = navigator->Count(); });
    return count;
}

void ReadGroups(NotesDatabase& database, BookOverview& overview) {
    std::vector<GroupDocument> groups;
    if (const auto navigator = GroupNavigator(database)) {
        EachDocument(*navigator, [&](NotesDocument& document) {
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
    overview.groupsOfPerson.assign(overview.persons.size(), {});
    for (std::size_t g = 0; g < overview.groups.size(); ++g)
        for (const std::size_t person : overview.groups[g].persons) overview.groupsOfPerson[person].push_back(g);
}

BookOverview ReadOverview(NotesDatabase& database, NotesView& people) {
    BookOverview overview;
    // Item names met so far, folded; and as spelled, which the book repeats document
    // after document, so that most look-ups need no folding.
    std::unordered_set<std::string> seen, spelled;
    std::shared_ptr<NotesViewNavigator> navigator;
    if (!Attempt([&] { navigator = people.CreateViewNav(); }) || !navigator) return overview;
    EachDocument(*navigator, [&](NotesDocument& document) {
        for (const std::string& name : document.ItemNames())
            if (spelled.insert(name).second && seen.insert(FoldedAscii(name)).second) overview.personItems.push_back(name);
        overview.persons.push_back(IdentityOf(document));
    });
    ReadGroups(database, overview);
    return overview;
}

} // namespace tallowby
