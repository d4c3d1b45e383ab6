// The Notes object layer: session, database, view, view navigator, view entry and
// document, with the members that the scan and the export call. A failing member
// throws NotesError; callers trap it by their own rules.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace tallowby {

// Why an address book's file cannot be opened, in words for its user: the reason
// ("the file does not exist") and what to do about it.
struct BookProblem {
    std::string reason;
    std::string remedy;
    bool empty() const { return reason.empty(); }
};

// The remedy for a file that is no DXL export, or not a readable one.
inline constexpr const char* kExportAsDxl = "Export the address book from Notes as DXL and choose that file.";

class NotesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    NotesError(const std::string& what, BookProblem problem)
        : std::runtime_error(what), problem_(std::make_shared<const BookProblem>(std::move(problem))) {}
    // What is wrong with the book's file when the error is about one; empty otherwise.
    const BookProblem& problem() const {
        static const BookProblem kNone;
        return problem_ ? *problem_ : kNone;
    }

private:
    std::shared_ptr<const BookProblem> problem_;  // shared: an exception is copied when thrown
};

// A date-time as an item holds it: the wall-clock date and time, no time zone.
struct NotesDateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool hasTime = false;  // false for a date-only value
    bool operator==(const NotesDateTime&) const = default;
};

// One value of an item: empty, text (UTF-8), number or date-time.
using NotesValue = std::variant<std::monostate, std::string, double, NotesDateTime>;
using NotesValues = std::vector<NotesValue>;  // never empty when it comes from GetItemValue

// What an item holds. Names items (names, readers or authors fields) hold texts in
// Notes' canonical form ("CN=Ann Smith/OU=Sales/O=Acme"); rich text is kept as its
// plain text, paragraphs as line breaks.
enum class ItemKind : std::uint8_t { Text, Number, DateTime, Names, RichText };

// One item of a document with all its values (at least one, perhaps empty).
struct NotesItem {
    std::string name;
    ItemKind kind = ItemKind::Text;
    NotesValues values;
    bool operator==(const NotesItem&) const = default;
};

// Turns a value into text by the user's regional settings: under the C/POSIX locale
// numbers as %.15g and date-times as ISO 8601 ("1970-03-15", then " 14:30:05" when the
// time of day is not midnight); under another locale its short date order and
// separators with a four-digit year, and its decimal separator. Empty gives "".
std::string ValueToText(const NotesValue& value);

class NotesDocument {
public:
    virtual ~NotesDocument() = default;
    virtual std::string UniversalID() = 0;
    virtual std::string NoteID() = 0;
    // The item's values in order; one empty value for an item the document lacks.
    virtual NotesValues GetItemValue(const std::string& itemName) = 0;
    // Every item of the document in stored order, the first of each name, except those
    // that hold binary data (attachments, pictures, raw item data) and Notes' own
    // "$" items, which are only counted by BinaryItemCount.
    virtual std::vector<NotesItem> Items() = 0;
    // The names of those items, in the same order, without their values.
    virtual std::vector<std::string> ItemNames() {
        std::vector<std::string> names;
        for (NotesItem& item : Items()) names.push_back(std::move(item.name));
        return names;
    }
    virtual std::size_t BinaryItemCount() { return 0; }
    // The document's last change, in UTC; none when it is not known.
    virtual std::optional<NotesDateTime> LastModified() { return std::nullopt; }
};

class NotesViewEntry {
public:
    virtual ~NotesViewEntry() = default;
    virtual std::shared_ptr<NotesDocument> Document() = 0;
};

class NotesViewNavigator {
public:
    virtual ~NotesViewNavigator() = default;
    virtual int32_t Count() = 0;
    // No object (nullptr) when the view is empty / after the last entry.
    virtual std::shared_ptr<NotesViewEntry> GetFirstDocument() = 0;
    virtual std::shared_ptr<NotesViewEntry> GetNextDocument(
        const std::shared_ptr<NotesViewEntry>& current) = 0;
};

class NotesView {
public:
    virtual ~NotesView() = default;
    virtual std::shared_ptr<NotesViewNavigator> CreateViewNav() = 0;
};

class NotesDatabase {
public:
    virtual ~NotesDatabase() = default;
    virtual std::string Title() = 0;  // throws when the database is not open
    // "$People": the person documents by last and first name; "Groups": the group
    // documents by name.
    virtual std::shared_ptr<NotesView> GetView(const std::string& viewName) = 0;
};

class NotesSession {
public:
    virtual ~NotesSession() = default;
    virtual std::shared_ptr<NotesDatabase> GetDatabase(const std::string& server,
                                                       const std::string& fileName) = 0;
};

// Session classes by ProgID. "Domino.NotesSession" is backed by DXL files from the
// start; "Notes.NotesSession" is not registered (there is no Notes client here).
using SessionFactory = std::function<std::shared_ptr<NotesSession>()>;

inline constexpr const char* kDominoProgID = "Domino.NotesSession";
inline constexpr const char* kNotesProgID = "Notes.NotesSession";

// No object (nullptr) for a ProgID that is not registered or whose factory yields none.
std::shared_ptr<NotesSession> CreateObject(const std::string& progID);

// Registers (or, with an empty factory, removes) a session class; returns the
// factory it replaced so that a caller can put it back.
SessionFactory RegisterSessionClass(const std::string& progID, SessionFactory factory);

// Replaces a session class for the lifetime of the guard (tests).
class ScopedSessionClass {
public:
    ScopedSessionClass(std::string progID, SessionFactory factory)
        : progID_(std::move(progID)), previous_(RegisterSessionClass(progID_, std::move(factory))) {}
    ~ScopedSessionClass() { RegisterSessionClass(progID_, std::move(previous_)); }
    ScopedSessionClass(const ScopedSessionClass&) = delete;
    ScopedSessionClass& operator=(const ScopedSessionClass&) = delete;

private:
    std::string progID_;
    SessionFactory previous_;
};

} // namespace tallowby
