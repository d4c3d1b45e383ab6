#include "addressbook/Scan.h"

#include "addressbook/BookFile.h"
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "addressbook/Notes.h"
#include "addressbook/NotesCalls.h"
#include "addressbook/RunControl.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <memory_resource>
#include <new>
#include <optional>
#include <unordered_map>

namespace tallowby {

namespace {

ScanOutcome ShowNotInstalled(ScanWindow& window, NotesObjects& notes, BackupInBackground& backup) {
    notes.Drop();
    backup.Wait();
    window.messages.Show(NotInstalledMessage(), kNotInstalledTitle);
    return ScanOutcome::NotInstalled;
}

// Gives each person document of one walk a key of its own: the first document with
// a key keeps it, the n-th gets "#n" appended (skipping any key the walk has given
// already). The view's order is fixed, so a rescan gives every document its key again.
// The keys live in an arena that goes as a whole: a walk of many contacts neither
// allocates nor frees them one by one.
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

// The book a path names: its canonical path where the file exists, so that two
// spellings of one file are one book; else the path as typed.
std::string BookIdentity(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

ScanOutcome Scan(ScanWindow& window, ModuleState& state, const std::string& databasePath,
                 BackupInBackground& backup) {
    NotesObjects notes;

    // Session and database. A failure is passed over while the session comes from the
    // first class; with the second class every failure means Notes cannot be reached.
    Attempt([&] { notes.session = CreateObject(kDominoProgID); });
    const bool secondClass = !notes.session;
    if (secondClass) {
        if (!Attempt([&] { notes.session = CreateObject(kNotesProgID); }) || !notes.session)
            return ShowNotInstalled(window, notes, backup);
    }
    if (!Attempt([&] { notes.database = Require(notes.session).GetDatabase("", databasePath); }) &&
        secondClass)
        return ShowNotInstalled(window, notes, backup);
    // The title is not used: reading it fails when the database is not open.
    if (!Attempt([&] { Require(notes.database).Title(); }) && secondClass)
        return ShowNotInstalled(window, notes, backup);

    // Walk set-up; each failing step is passed over.
    Attempt([&] { notes.view = Require(notes.database).GetView("$People"); });
    Attempt([&] { notes.navigator = Require(notes.view).CreateViewNav(); });
    Attempt([&] { notes.entry = Require(notes.navigator).GetFirstDocument(); });
    Attempt([&] { notes.document = Require(notes.entry).Document(); });
    std::optional<int32_t> count;
    Attempt([&] { count = Require(notes.navigator).Count(); });

    // The book is read; the backup copy is complete before anything is shown.
    const std::string& backupProblem = backup.WaitOrStop();

    if (!notes.entry) {
        // The file could not be opened, or it has no person documents. Nothing of the
        // window or the run state changes, so the user can pick another file.
        const std::string message = NotAddressBookMessage(databasePath, WhyNoFirstEntry(notes));
        notes.Drop();
        window.messages.Show(message, kCompanyTitle);
        return ScanOutcome::NotAddressBook;
    }

    // Contacts of another book go; a rescan of the same book refreshes its nodes.
    ContactTree& tree = window.ContactsTreeView;
    const std::string book = BookIdentity(databasePath);
    if (book != state.ScannedBook) tree.RemoveContacts();
    state.ScannedBook = book;
    ProgressBar& progress = window.ProgBarScanNotes;
    progress.SetMinimum(0);
    if (count) progress.SetMaximum(*count);
    state.ContactIndex = 1;
    if (count) state.ContactCount = *count;

    RepaintThrottle throttle;
    const std::size_t expected = count && *count > 0 ? static_cast<std::size_t>(*count) : 0;
    tree.Reserve(expected);
    WalkKeys keys(expected);
    for (bool firstEntry = true;; firstEntry = false) {
        Checkpoint();
        // Build the contact and add its node. For the first entry every failing step is
        // passed over; later, a document whose identity cannot be read ends the walk.
        std::string key;
        const bool identified = Attempt([&] {
            NotesDocument& document = Require(notes.document);
            const std::string universalID = document.UniversalID();
            key = ContactKey(universalID, document.NoteID());
        });
        if (!identified && !firstEntry) break;
        if (identified) {
            key = keys.Unique(std::move(key));
            // An item that cannot be read leaves its field empty.
            const ContactFields fields = ReadContactFields(*notes.document);
            const std::string text = DisplayText(fields[0], fields[1], fields[2]);
            if (tree.Add(CategoryKey(fields[0]), key, text, kImageContact)) {
                tree.SetRecord(key, fields);
                tree.Expand(key);
            } else if (tree.Contains(key)) {
                // Seen before (a second scan of the same book): refresh the node.
                tree.SetText(key, text);
                tree.SetRecord(key, fields);
            } else if (!firstEntry) {
                break;  // no category node to file it under
            }
        }

        progress.SetValue(state.ContactIndex);
        if (throttle.Due()) {
            tree.Repaint();
            progress.Repaint();
        }

        // The next entry; a failure here, or no next entry, is the end of the walk.
        std::shared_ptr<NotesViewEntry> next;
        if (!Attempt([&] { next = Require(notes.navigator).GetNextDocument(notes.entry); })) break;
        notes.entry = std::move(next);
        if (!Attempt([&] { notes.document = Require(notes.entry).Document(); })) break;
        if (state.ContactIndex == std::numeric_limits<int32_t>::max()) break;
        ++state.ContactIndex;
    }

    // Completion.
    if (count) progress.SetValue(*count);
    tree.Repaint();
    progress.Repaint();
    notes.Drop();
    std::string message = kScanCompleted;
    if (!backupProblem.empty()) message += "\r\n\r\n" + (kNoBackup + backupProblem) + ".";
    window.messages.Show(message, kCompanyTitle);
    window.CmdContactsCreate.SetEnabled(true);
    window.CmdEnumerateNotes.SetEnabled(false);
    window.LblRead.SetVisible(false);
    progress.SetVisible(false);
    return ScanOutcome::Completed;
}

} // namespace

bool RepaintThrottle::Due() {
    using namespace std::chrono;
    const long long now =
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    if (lastMs_ >= 0 && now - lastMs_ < intervalMs_) return false;
    lastMs_ = now;
    return true;
}

ScanOutcome CmdEnumerateNotes_Click(ScanWindow& window, ModuleState& state, ScanReport* report) {
    const std::string databasePath = window.txtNotesDatabaseFile.Text();
    ScanOutcome outcome;
    {
        // Backup, while the book is read. Whether the copy was made does not change the
        // rest of the scan; when it was not, the completion message says why.
        BackupInBackground backup(databasePath);
        try {
            outcome = Scan(window, state, databasePath, backup);
        } catch (const RunStopped&) {
            // Stopped from outside: no message, the window's switches as they were. The
            // Notes objects are gone with the unwinding; the backup copy stops too and
            // is complete or not made, and no temporary file of it is left.
            backup.Stop();
            backup.Wait();
            return ScanOutcome::Stopped;
        } catch (const std::bad_alloc&) {
            // The run's objects are gone with the unwinding, which frees their memory.
            backup.Wait();
            window.messages.Show(NotAddressBookMessage(databasePath, MemoryProblem()), kCompanyTitle);
            outcome = ScanOutcome::OutOfMemory;
        }
        if (report) *report = {BackupPathFor(databasePath), backup.Wait()};
    }
    return outcome;
}

} // namespace tallowby
