// Helpers for the export tests: a private temporary folder per test, a Notes book
// held in memory behind the session classes, window controls that record what the
// run did to them, and a reader for the record stream of a worksheet file.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/Notes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace tallowby::test {

namespace fs = std::filesystem;

// ------------------------------------------------------------- temporary folder

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-export-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// Names of the entries of a folder, sorted.
inline std::set<std::string> FolderEntries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs a program (found on PATH) with stdin from /dev/null and stdout and stderr into
// the given files; returns its exit status, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv, const std::string& outFile,
               const std::string& errFile);

// ------------------------------------------------------------- a book in memory

// One person document: items by name. Items named in `failing` throw when read.
struct FakeDocumentData {
    std::map<std::string, NotesValues> items;
    std::set<std::string> failing;
};

// The whole book and the ways its objects can be made to fail. Documents past the
// explicit ones are made on the fly (FirstName "P<n>", every other item missing),
// so that a book of any size costs no memory.
struct FakeBook {
    std::vector<FakeDocumentData> documents;
    std::size_t generated = 0;    // extra documents made on the fly
    int32_t count = -1;           // what the navigator's Count says; -1: the real number
    bool failGetDatabase = false;
    bool failGetView = false;
    bool failCount = false;
    int failNextAfter = -1;       // GetNextDocument throws after this 0-based document
    int failDocumentAt = -1;      // Document of this 0-based entry throws
    // What the run asked for.
    std::vector<std::pair<std::string, std::string>> getDatabaseCalls;
    std::vector<std::string> getViewCalls;

    std::size_t size() const { return documents.size() + generated; }
};

class FakeDocument : public NotesDocument {
public:
    FakeDocument(std::shared_ptr<FakeBook> book, std::size_t index)
        : book_(std::move(book)), index_(index) {}
    std::string UniversalID() override { return "UNID" + std::to_string(index_); }
    std::string NoteID() override { return std::to_string(index_); }
    NotesValues GetItemValue(const std::string& itemName) override {
        if (index_ < book_->documents.size()) {
            const FakeDocumentData& data = book_->documents[index_];
            if (data.failing.count(itemName)) throw NotesError("item cannot be read");
            const auto it = data.items.find(itemName);
            if (it != data.items.end()) return it->second;
        } else if (itemName == "FirstName") {
            return {NotesValue(std::string("P") + std::to_string(index_ + 1))};
        }
        return {NotesValue()};
    }

private:
    std::shared_ptr<FakeBook> book_;
    std::size_t index_;
};

class FakeEntry : public NotesViewEntry {
public:
    FakeEntry(std::shared_ptr<FakeBook> book, std::size_t index)
        : book_(std::move(book)), index_(index) {}
    std::shared_ptr<NotesDocument> Document() override {
        if (static_cast<long>(index_) == book_->failDocumentAt) throw NotesError("no document");
        return std::make_shared<FakeDocument>(book_, index_);
    }
    std::size_t index() const { return index_; }

private:
    std::shared_ptr<FakeBook> book_;
    std::size_t index_;
};

class FakeNavigator : public NotesViewNavigator {
public:
    explicit FakeNavigator(std::shared_ptr<FakeBook> book) : book_(std::move(book)) {}
    int32_t Count() override {
        if (book_->failCount) throw NotesError("no count");
        return book_->count >= 0 ? book_->count : static_cast<int32_t>(book_->size());
    }
    std::shared_ptr<NotesViewEntry> GetFirstDocument() override {
        if (book_->size() == 0) return nullptr;
        return std::make_shared<FakeEntry>(book_, 0);
    }
    std::shared_ptr<NotesViewEntry> GetNextDocument(
        const std::shared_ptr<NotesViewEntry>& current) override {
        const auto* entry = dynamic_cast<FakeEntry*>(current.get());
        if (entry == nullptr) throw NotesError("object variable not set");
        if (static_cast<long>(entry->index()) == book_->failNextAfter)
            throw NotesError("navigator failed");
        const std::size_t next = entry->index() + 1;
        if (next >= book_->size()) return nullptr;
        return std::make_shared<FakeEntry>(book_, next);
    }

private:
    std::shared_ptr<FakeBook> book_;
};

class FakeView : public NotesView {
public:
    explicit FakeView(std::shared_ptr<FakeBook> book) : book_(std::move(book)) {}
    std::shared_ptr<NotesViewNavigator> CreateViewNav() override {
        return std::make_shared<FakeNavigator>(book_);
    }

private:
    std::shared_ptr<FakeBook> book_;
};

class FakeDatabase : public NotesDatabase {
public:
    explicit FakeDatabase(std::shared_ptr<FakeBook> book) : book_(std::move(book)) {}
    std::string Title() override { return "Fake"; }
    std::shared_ptr<NotesView> GetView(const std::string& viewName) override {
        book_->getViewCalls.push_back(viewName);
        if (book_->failGetView) throw NotesError("no such view");
        return std::make_shared<FakeView>(book_);
    }

private:
    std::shared_ptr<FakeBook> book_;
};

class FakeSession : public NotesSession {
public:
    explicit FakeSession(std::shared_ptr<FakeBook> book) : book_(std::move(book)) {}
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string& server,
                                               const std::string& fileName) override {
        book_->getDatabaseCalls.emplace_back(server, fileName);
        if (book_->failGetDatabase) throw NotesError("database cannot be opened");
        return std::make_shared<FakeDatabase>(book_);
    }

private:
    std::shared_ptr<FakeBook> book_;
};

inline SessionFactory FactoryFor(const std::shared_ptr<FakeBook>& book) {
    return [book] { return std::make_shared<FakeSession>(book); };
}

// A document whose every item of the worksheet holds its own name as text.
FakeDocumentData DocumentNamingItsItems();

// ------------------------------------------------------------- recording window

// Everything the run does to the window, in order, as short lines ("enabled
// CmdConversion 0", "message <title>", "visible FrameConversionDone 1").
using EventLog = std::vector<std::string>;

class RecordingControl : public Control {
public:
    RecordingControl(std::string name, EventLog& log, bool visible = true)
        : name_(std::move(name)), log_(log), visible_(visible) {}
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        log_.push_back("enabled " + name_ + " " + (enabled ? "1" : "0"));
    }
    void SetVisible(bool visible) override {
        visible_ = visible;
        log_.push_back("visible " + name_ + " " + (visible ? "1" : "0"));
    }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }

private:
    std::string name_;
    EventLog& log_;
    bool enabled_ = true;
    bool visible_;
};

class RecordingProgress : public ProgressBar {
public:
    void SetMinimum(int32_t value) override { minimum = value; }
    void SetMaximum(int32_t value) override {
        maximum = value;
        maximums.push_back(value);
    }
    void SetValue(int32_t value) override {
        this->value = value;
        values.push_back(value);
        if (value > maximum || value < minimum) outOfRange = true;
    }
    void SetVisible(bool) override {}
    void Repaint() override {
        ++repaints;
        lastRepaintedValue = value;
    }

    int32_t minimum = -1, maximum = -1, value = 0;
    std::vector<int32_t> maximums, values;
    bool outOfRange = false;
    int repaints = 0;
    int32_t lastRepaintedValue = -1;
};

class RecordingMessages : public MessageBoxes {
public:
    explicit RecordingMessages(EventLog& log) : log_(log) {}
    void Show(const std::string& text, const std::string& title) override {
        texts.push_back(text);
        titles.push_back(title);
        log_.push_back("message " + title);
        if (onShow) onShow();
    }
    std::vector<std::string> texts, titles;
    std::function<void()> onShow;  // runs while the box would be open

private:
    EventLog& log_;
};

class FixedPath : public TextSource {
public:
    explicit FixedPath(std::string text) : text_(std::move(text)) {}
    std::string Text() const override { return text_; }

private:
    std::string text_;
};

// ------------------------------------------------------------- record stream

struct Record {
    uint16_t id = 0;
    std::string body;
};

// Splits a file into its records; a truncated last record makes `complete` false.
inline std::vector<Record> ParseRecords(const std::string& bytes, bool* complete = nullptr) {
    std::vector<Record> records;
    std::size_t pos = 0;
    bool ok = true;
    while (pos < bytes.size()) {
        if (pos + 4 > bytes.size()) {
            ok = false;
            break;
        }
        const auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        const uint16_t id = static_cast<uint16_t>(u8(pos) | (u8(pos + 1) << 8));
        const std::size_t length = u8(pos + 2) | (u8(pos + 3) << 8);
        if (pos + 4 + length > bytes.size()) {
            ok = false;
            break;
        }
        records.push_back({id, bytes.substr(pos + 4, length)});
        pos += 4 + length;
    }
    if (complete) *complete = ok;
    return records;
}

inline unsigned Byte(const std::string& body, std::size_t i) {
    return static_cast<unsigned char>(body.at(i));
}
inline unsigned Word(const std::string& body, std::size_t i) {
    return Byte(body, i) | (Byte(body, i + 1) << 8);
}

enum RecordId : uint16_t {
    kBof = 0x0009,
    kEof = 0x000A,
    kLabel = 0x0004,
    kHeaderRecord = 0x0014,
    kFormat = 0x001E,
    kFormatCount = 0x001F,
    kFont = 0x0031,
    kCodePage = 0x0042,
    kXf = 0x0043,
};

// A LABEL record taken apart: 0-based row and column, attribute bytes, the text as
// Windows-1252 bytes.
struct Label {
    unsigned row = 0, column = 0;
    unsigned attr1 = 0, attr2 = 0, attr3 = 0;
    std::string text;
};

inline Label ParseLabel(const Record& record) {
    Label label;
    label.row = Word(record.body, 0);
    label.column = Word(record.body, 2);
    label.attr1 = Byte(record.body, 4);
    label.attr2 = Byte(record.body, 5);
    label.attr3 = Byte(record.body, 6);
    const unsigned length = Byte(record.body, 7);
    label.text = record.body.substr(8, length);
    if (record.body.size() != 8 + length) label.text += "<length mismatch>";
    return label;
}

inline std::vector<Label> Labels(const std::vector<Record>& records) {
    std::vector<Label> labels;
    for (const Record& record : records)
        if (record.id == kLabel) labels.push_back(ParseLabel(record));
    return labels;
}

// The 39 columns as the worksheet has them, stated here independently of the code:
// header text and Notes item per column 1..39, and the column of each of a data
// row's 39 cells in the order they are written.
extern const char* const kHeaderTexts[39];
extern const char* const kItemNames[39];
extern const unsigned kColumnsInWriteOrder[39];

} // namespace tallowby::test
