#include "addressbook/Scan.h"

#include "addressbook/Backup.h"
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "addressbook/NotesCalls.h"

#include <limits>
#include <memory_resource>
#include <new>
#include <unordered_map>

namespace tallowby {

namespace {

// Gives each person document of one walk a key of its own: the first document with
// a key keeps it, the n-th gets "#n" appended (skipping any key the walk has given
// already). The view's order is fixed, so a rescan gives every document its key again.
// The keys live in an arena that goes as a whole.
class WalkKeys {
public:
    explicit WalkKeys(std::size_t expected) : given_(&arena_) { given_.reserve(expected); }
    std::string Unique(std::string key) {
        const auto [it, fresh] = given_.try_emplace(std::pmr::string(key, &arena_), 1);
        if (fresh) return key;
        std::uint32_t& count = it->second;  // references survive a rehash
        for (;;) {
            std::string candidate = key + "#" + std::to_string(++count);
            if (given_.try_emplace(std::pmr::string(candidate, &arena_), 1).second) return candidate;
        }
    }

private:
    std::pmr::monotonic_buffer_resource arena_;
    std::pmr::unordered_map<std::pmr::string, std::uint32_t> given_;  // key -> times asked for
};

class Scan {
public:
    Scan(const ScanRequest& request, ScanResult& result) : path_(request.bookPath), result_(result) {}

    void Run(BackupCopy& backup);

private:
    bool Open();
    void Walk();
    void Fail(ScanOutcome outcome, std::string message, const char* title);

    const std::string& path_;
    ScanResult& result_;
    NotesObjects notes_;
};

void Scan::Fail(ScanOutcome outcome, std::string message, const char* title) {
    notes_.Drop();
    result_.outcome = outcome;
    result_.message = std::move(message);
    result_.title = title;
}

// Session and database, then the walk's set-up. A failure is passed over while the
// session comes from the first class; with the second class every failure means Notes
// cannot be reached. False when the scan has ended with a message.
bool Scan::Open() {
    Attempt([&] { notes_.session = CreateObject(kDominoProgID); });
    const bool secondClass = !notes_.session;
    const auto notInstalled = [&] {
        Fail(ScanOutcome::NotInstalled, NotInstalledMessage(), kNotInstalledTitle);
        return false;
    };
    if (secondClass && (!Attempt([&] { notes_.session = CreateObject(kNotesProgID); }) || !notes_.session))
        return notInstalled();
    if (!Attempt([&] { notes_.database = Require(notes_.session).GetDatabase("", path_); }) && secondClass)
        return notInstalled();
    // Reading the title fails when the database is not open.
    if (!Attempt([&] { result_.bookTitle = Require(notes_.database).Title(); }) && secondClass)
        return notInstalled();

    Attempt([&] { notes_.view = Require(notes_.database).GetView("$People"); });
    Attempt([&] { notes_.navigator = Require(notes_.view).CreateViewNav(); });
    Attempt([&] { notes_.entry = Require(notes_.navigator).GetFirstDocument(); });
    Attempt([&] { notes_.document = Require(notes_.entry).Document(); });
    Attempt([&] { result_.count = Require(notes_.navigator).Count(); });
    if (!notes_.entry) {
        // The file could not be opened, or it has no person documents.
        const BookProblem why = WhyNoFirstEntry(notes_);
        Fail(ScanOutcome::NotAddressBook, NotAddressBookMessage(path_, why), kCompanyTitle);
        return false;
    }
    return true;
}

void Scan::Walk() {
    const std::size_t expected = result_.count && *result_.count > 0 ? static_cast<std::size_t>(*result_.count) : 0;
    result_.contacts.reserve(expected);
    WalkKeys keys(expected);
    const std::int64_t total = result_.count.value_or(0);
    int32_t index = 1;
    for (bool firstEntry = true;; firstEntry = false) {
        Checkpoint();
        // For the first entry every failing step is passed over; later, a document whose
        // identity cannot be read ends the walk.
        std::string key;
        const bool identified = Attempt([&] {
            NotesDocument& document = Require(notes_.document);
            const std::string universalID = document.UniversalID();
            key = ContactKey(universalID, document.NoteID());
        });
        if (!identified && !firstEntry) break;
        if (identified) {
            NotesDocument& document = *notes_.document;
            const std::string first = FieldText(document, kFirstNameField);
            ScannedContact contact;
            contact.key = keys.Unique(std::move(key));
            contact.email = FieldText(document, kEmailField);
            contact.text = ContactListText(DisplayText(first, FieldText(document, kMiddleNameField),
                                                       FieldText(document, kLastNameField)),
                                           contact.email);
            contact.category = CategoryKey(first);
            contact.company = FieldText(document, kCompanyField);
            contact.document = notes_.document;
            result_.contacts.push_back(std::move(contact));
        }
        result_.lastIndex = index;
        ReportProgress(RunStage::Contacts, index, std::max<std::int64_t>(total, index));

        // The next entry; a failure here, or no next entry, is the end of the walk.
        std::shared_ptr<NotesViewEntry> next;
        if (!Attempt([&] { next = Require(notes_.navigator).GetNextDocument(notes_.entry); })) break;
        notes_.entry = std::move(next);
        if (!Attempt([&] { notes_.document = Require(notes_.entry).Document(); })) break;
        if (index == std::numeric_limits<int32_t>::max()) break;
        ++index;
    }
}

void Scan::Run(BackupCopy& backup) {
    if (!Open()) return;
    Walk();
    notes_.Drop();
    Checkpoint();  // a stop asked for at the last contact still counts

    // The contacts filed under their categories.
    ContactTree& tree = result_.tree;
    tree.Reserve(28 + result_.contacts.size());
    PopulateDefaultTree(tree);
    for (std::size_t i = 0; i < result_.contacts.size(); ++i) {
        const ScannedContact& contact = result_.contacts[i];
        tree.Add(contact.category, contact.key, contact.text, kImageContact, i);
        tree.Expand(contact.key);
    }
    result_.book = StampOf(path_);

    // The book was read to its end: the backup copy takes the place of an earlier one.
    result_.backupProblem = backup.Commit();
    result_.outcome = ScanOutcome::Completed;
    result_.title = kCompanyTitle;
    result_.message = kScanCompleted;
    if (!result_.backupProblem.empty()) result_.message += "\r\n\r\n" + (kNoBackup + result_.backupProblem) + ".";
}

} // namespace

ScanResult ScanBook(const ScanRequest& request, const RunCallback& callback) {
    ScanResult result;
    const RunScope scope(callback);
    try {
        BackupCopy backup(request.bookPath);
        try {
            Scan(request, result).Run(backup);
        } catch (const RunStopped&) {
            // Stopped from outside: no message; the Notes objects are gone with the
            // unwinding, the backup copy is removed and an earlier one stays.
            result = ScanResult();
            result.outcome = ScanOutcome::Stopped;
        }
        // The backup's thread has ended before the memory it may have needed is freed.
        backup.Discard();
    } catch (const std::bad_alloc&) {
        // The run's objects are gone with the unwinding, which frees their memory.
        result = ScanResult();
        result.outcome = ScanOutcome::OutOfMemory;
        result.title = kCompanyTitle;
        result.message = NotAddressBookMessage(request.bookPath, MemoryProblem());
    }
    return result;
}

} // namespace tallowby
