// Helpers of the address-book tests (and of the export tests that run against fake
// Notes objects), beside those shared with the export tests: DXL books built from
// fragments and fakes of the Notes objects.
#pragma once

#include "addressbook/Notes.h"
#include "addressbook/Scan.h"
#include "tests/export/ExportTestSupport.h"  // TempDir, ReadFile, WriteFile

#include <map>
#include <new>
#include <set>

namespace tallowby::test {

inline std::set<std::string> FileNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// ---------------------------------------------------------------- DXL texts

// A whole DXL database, as Notes exports it, around the given documents.
inline std::string Book(const std::string& documents) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
           "<database xmlns='http://www.lotus.com/dxl' version='9.0' title='Corvane Directory'>\n"
           "<databaseinfo dbid='852584A2004F3C1B' odsversion='52'/>\n" + documents + "</database>\n";
}

inline std::string TextItem(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><text>" + value + "</text></item>";
}

inline std::string Person(const std::string& unid, const std::string& noteid, const std::string& items) {
    return "<document form='Person'><noteinfo noteid='" + noteid + "' unid='" + unid + "' sequence='1'/>" +
           TextItem("Type", "Person") + items + "</document>\n";
}

// A person with only a first and a last name; its note ID is "1" and its UNID.
inline std::string Named(const std::string& unid, const std::string& first, const std::string& last) {
    return Person(unid, "1" + unid, TextItem("FirstName", first) + TextItem("LastName", last));
}

// ---------------------------------------------------------------- Notes fakes

// The calls named in `failing` throw NotesError; "NAME out of memory" makes the
// call NAME run out of memory.
struct Failing {
    template <class T>
    T Call(const std::string& name, T result) {
        if (failing.count(name)) throw NotesError(name + " failed");
        if (failing.count(name + " out of memory")) throw std::bad_alloc();
        return result;
    }
    std::set<std::string> failing;
};

// A person document that is its own view entry. Failing calls: item names, "identity"
// (UniversalID, NoteID), "Items", "Document" and "GetNextDocument" (from this entry).
struct FakeDocument : Failing, NotesDocument, NotesViewEntry, std::enable_shared_from_this<FakeDocument> {
    FakeDocument(std::string unid, std::string noteid) : unid(std::move(unid)), noteid(std::move(noteid)) {}
    FakeDocument& Set(const std::string& item, NotesValues values) {
        items[item] = std::move(values);
        return *this;
    }
    std::string UniversalID() override { return Call("identity", unid); }
    std::string NoteID() override { return Call("identity", noteid); }
    NotesValues GetItemValue(const std::string& item) override {
        const auto it = items.find(item);
        return Call(item, it == items.end() ? NotesValues{NotesValue{}} : it->second);
    }
    std::vector<NotesItem> Items() override {
        std::vector<NotesItem> all;
        for (const auto& [name, values] : items) all.push_back({name, ItemKind::Text, Call(name, values)});
        return Call("Items", all);
    }
    std::shared_ptr<NotesDocument> Document() override { return Call("Document", shared_from_this()); }

    std::string unid, noteid;
    std::map<std::string, NotesValues> items;
    std::size_t position = 0;  // in the view
};

// One object plays the session, the database, the $People view and its navigator.
// Failing calls: "GetDatabase", "Title", "GetView", "CreateViewNav", "Count"; with
// "no database object" GetDatabase yields no object.
struct FakeBook : Failing, NotesSession, NotesDatabase, NotesView, NotesViewNavigator {
    FakeDocument& Add(const std::string& unid, const std::string& noteid, const std::string& first,
                      const std::string& last) {
        documents.push_back(std::make_shared<FakeDocument>(unid, noteid));
        documents.back()->position = documents.size() - 1;
        return documents.back()->Set("FirstName", {first}).Set("LastName", {last});
    }
    // A session class for ScopedSessionClass that hands out this book.
    SessionFactory Factory() { return [this] { return Self<NotesSession>(); }; }

    std::shared_ptr<NotesDatabase> GetDatabase(const std::string&, const std::string&) override {
        return Call("GetDatabase", failing.count("no database object") ? nullptr : Self<NotesDatabase>());
    }
    std::string Title() override { return Call("Title", std::string("Fake Directory")); }
    std::shared_ptr<NotesView> GetView(const std::string& name) override {
        if (name != "$People") throw NotesError("no view " + name);
        return Call("GetView", Self<NotesView>());
    }
    std::shared_ptr<NotesViewNavigator> CreateViewNav() override {
        return Call("CreateViewNav", Self<NotesViewNavigator>());
    }
    int32_t Count() override { return Call("Count", static_cast<int32_t>(documents.size())); }
    std::shared_ptr<NotesViewEntry> GetFirstDocument() override { return documents.empty() ? nullptr : documents[0]; }
    std::shared_ptr<NotesViewEntry> GetNextDocument(const std::shared_ptr<NotesViewEntry>& current) override {
        auto& entry = dynamic_cast<FakeDocument&>(*current);
        const std::size_t next = entry.position + 1;
        return entry.Call("GetNextDocument", next < documents.size() ? documents[next] : nullptr);
    }

    // The book outlives every object a run holds: pointers to it own nothing.
    template <class T>
    std::shared_ptr<T> Self() { return std::shared_ptr<T>(std::shared_ptr<T>(), static_cast<T*>(this)); }

    std::vector<std::shared_ptr<FakeDocument>> documents;
};

} // namespace tallowby::test
