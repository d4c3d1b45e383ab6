// Fakes of the Notes objects and of the window's controls, and a temporary folder,
// for the address-book tests.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/Notes.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallowby::testing {

// A fresh folder per test, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-scan-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return {names.begin(), names.end()};
}

// ---------------------------------------------------------------- Notes fakes

class FakeDocument : public NotesDocument {
public:
    FakeDocument(std::string unid, std::string noteid) : unid_(std::move(unid)), noteid_(std::move(noteid)) {}

    FakeDocument& Set(const std::string& item, NotesValues values) {
        items_[item] = std::move(values);
        return *this;
    }
    FakeDocument& Set(const std::string& item, const std::string& text) {
        return Set(item, NotesValues{text});
    }
    FakeDocument& FailItem(const std::string& item) {
        failing_.insert(item);
        return *this;
    }
    FakeDocument& FailIdentity() {
        failIdentity_ = true;
        return *this;
    }

    std::string UniversalID() override {
        Log("UniversalID");
        if (failIdentity_) throw NotesError("UniversalID");
        return unid_;
    }
    std::string NoteID() override {
        Log("NoteID");
        if (failIdentity_) throw NotesError("NoteID");
        return noteid_;
    }
    NotesValues GetItemValue(const std::string& item) override {
        Log("GetItemValue " + item);
        if (failing_.count(item)) throw NotesError("cannot read " + item);
        const auto it = items_.find(item);
        if (it == items_.end()) return NotesValues{NotesValue{}};
        return it->second;
    }

    std::vector<std::string>* log = nullptr;

private:
    void Log(const std::string& call) {
        if (log) log->push_back(call);
    }
    std::string unid_, noteid_;
    std::map<std::string, NotesValues> items_;
    std::set<std::string> failing_;
    bool failIdentity_ = false;
};

// What the fake session serves, and where it fails.
struct FakeBook {
    std::vector<std::shared_ptr<FakeDocument>> documents;
    std::optional<int32_t> countOverride;
    bool failGetDatabase = false, nullDatabase = false, failTitle = false;
    bool failGetView = false, failCreateViewNav = false, failCount = false;
    std::set<std::size_t> failDocumentAt;  // entry positions whose Document fails
    std::set<std::size_t> failNextAt;      // positions whose GetNextDocument fails
    bool logCalls = false;
    std::vector<std::string> calls;
    std::vector<std::string> openedPaths;
    int sessionsCreated = 0;

    FakeDocument& Add(const std::string& unid, const std::string& noteid,
                      const std::string& first = "", const std::string& last = "") {
        auto doc = std::make_shared<FakeDocument>(unid, noteid);
        if (!first.empty()) doc->Set("FirstName", first);
        if (!last.empty()) doc->Set("LastName", last);
        documents.push_back(doc);
        return *doc;
    }
    void Log(const std::string& call) {
        if (logCalls) calls.push_back(call);
    }
};

class FakeEntry : public NotesViewEntry {
public:
    FakeEntry(FakeBook& book, std::size_t position) : book_(book), position_(position) {}
    std::shared_ptr<NotesDocument> Document() override {
        book_.Log("Document");
        if (book_.failDocumentAt.count(position_)) throw NotesError("Document");
        auto& doc = book_.documents.at(position_);
        doc->log = book_.logCalls ? &book_.calls : nullptr;
        return doc;
    }
    std::size_t position() const { return position_; }

private:
    FakeBook& book_;
    std::size_t position_;
};

class FakeNavigator : public NotesViewNavigator {
public:
    explicit FakeNavigator(FakeBook& book) : book_(book) {}
    int32_t Count() override {
        book_.Log("Count");
        if (book_.failCount) throw NotesError("Count");
        return book_.countOverride.value_or(static_cast<int32_t>(book_.documents.size()));
    }
    std::shared_ptr<NotesViewEntry> GetFirstDocument() override {
        book_.Log("GetFirstDocument");
        if (book_.documents.empty()) return nullptr;
        return std::make_shared<FakeEntry>(book_, 0);
    }
    std::shared_ptr<NotesViewEntry> GetNextDocument(const std::shared_ptr<NotesViewEntry>& current) override {
        book_.Log("GetNextDocument");
        const auto* entry = dynamic_cast<const FakeEntry*>(current.get());
        if (!entry) throw NotesError("GetNextDocument: no entry");
        if (book_.failNextAt.count(entry->position())) throw NotesError("GetNextDocument");
        const std::size_t next = entry->position() + 1;
        if (next >= book_.documents.size()) return nullptr;
        return std::make_shared<FakeEntry>(book_, next);
    }

private:
    FakeBook& book_;
};

class FakeView : public NotesView {
public:
    explicit FakeView(FakeBook& book) : book_(book) {}
    std::shared_ptr<NotesViewNavigator> CreateViewNav() override {
        book_.Log("CreateViewNav");
        if (book_.failCreateViewNav) throw NotesError("CreateViewNav");
        return std::make_shared<FakeNavigator>(book_);
    }

private:
    FakeBook& book_;
};

class FakeDatabase : public NotesDatabase {
public:
    explicit FakeDatabase(FakeBook& book) : book_(book) {}
    std::string Title() override {
        book_.Log("Title");
        if (book_.failTitle) throw NotesError("database not open");
        return "Fake Directory";
    }
    std::shared_ptr<NotesView> GetView(const std::string& name) override {
        book_.Log("GetView " + name);
        if (book_.failGetView || name != "$People") throw NotesError("no view " + name);
        return std::make_shared<FakeView>(book_);
    }

private:
    FakeBook& book_;
};

class FakeSession : public NotesSession {
public:
    explicit FakeSession(FakeBook& book) : book_(book) {}
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string& server, const std::string& file) override {
        book_.Log("GetDatabase '" + server + "' " + file);
        book_.openedPaths.push_back(file);
        if (book_.failGetDatabase) throw NotesError("cannot open " + file);
        if (book_.nullDatabase) return nullptr;
        return std::make_shared<FakeDatabase>(book_);
    }

private:
    FakeBook& book_;
};

inline SessionFactory FactoryFor(FakeBook& book) {
    return [&book]() -> std::shared_ptr<NotesSession> {
        ++book.sessionsCreated;
        return std::make_shared<FakeSession>(book);
    };
}

inline SessionFactory NoObject() {
    return []() -> std::shared_ptr<NotesSession> { return nullptr; };
}

// ---------------------------------------------------------------- window fakes

class FakeText : public TextSource {
public:
    explicit FakeText(std::string text = "") : text(std::move(text)) {}
    std::string Text() const override { return text; }
    std::string text;
};

class FakeControl : public Control {
public:
    FakeControl(bool enabled, bool visible) : enabled(enabled), visible(visible) {}
    void SetEnabled(bool value) override {
        enabled = value;
        ++changes;
    }
    void SetVisible(bool value) override {
        visible = value;
        ++changes;
    }
    bool enabled, visible;
    int changes = 0;
};

class FakeProgress : public ProgressBar {
public:
    void SetMinimum(int32_t value) override {
        Record("min", value);
        minimum = value;
    }
    void SetMaximum(int32_t value) override {
        Record("max", value);
        maximum = value;
    }
    void SetValue(int32_t value) override {
        ++valueCalls;
        this->value = value;
        if (values.size() < 16) values.push_back(value);
    }
    void SetVisible(bool v) override {
        Record("visible", v);
        visible = v;
    }
    void Repaint() override { ++repaints; }

    int32_t minimum = -1, maximum = -1, value = -1;
    bool visible = true;
    int repaints = 0, valueCalls = 0;
    std::vector<int32_t> values;  // the first few values set
    std::vector<std::string> calls;

private:
    void Record(const char* what, int32_t value) { calls.push_back(std::string(what) + " " + std::to_string(value)); }
};

class FakeMessages : public MessageBoxes {
public:
    struct Message {
        std::string text, title;
    };
    void Show(const std::string& text, const std::string& title) override { shown.push_back({text, title}); }
    std::vector<Message> shown;
};

} // namespace tallowby::testing
