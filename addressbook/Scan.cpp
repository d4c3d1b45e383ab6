#include "addressbook/Scan.h"

#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "addressbook/Notes.h"
#include "addressbook/NotesCalls.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

ScanOutcome ShowNotInstalled(ScanWindow& window, NotesObjects& notes) {
    notes.Drop();
    window.messages.Show(NotInstalledMessage(), kNotInstalledTitle);
    return ScanOutcome::NotInstalled;
}

// Number of UTF-8 characters (lead bytes) in text.
std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

// text without its last n characters (UTF-8 aware: a multi-byte character counts once).
std::string DropLastCharacters(const std::string& text, std::size_t n) {
    std::size_t end = text.size();
    while (n > 0 && end > 0) {
        --end;
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) --n;
    }
    return text.substr(0, end);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close (and so the last writes) succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the rest of in to out: in-kernel where the file systems allow it, otherwise
// through a large buffer.
bool CopyContents(int in, int out) {
    constexpr std::size_t kChunk = std::size_t{1} << 30;
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EPERM || errno == EBADF)
            break;  // not supported here: fall back to read and write
        return false;
    }
    std::vector<char> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
    }
}

bool CopyFileUnguarded(const std::string& source, const std::string& destination,
                       bool failIfExists) {
    if (source.empty() || destination.empty()) return false;
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return false;
    struct stat sourceInfo {};
    if (::fstat(in.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) return false;
    struct stat destinationInfo {};
    if (failIfExists && ::lstat(destination.c_str(), &destinationInfo) == 0) return false;

    // The temporary file lies in the destination's folder, so that the final rename
    // stays within one file system and is atomic.
    const auto slash = destination.rfind('/');
    std::string temporary =
        (slash == std::string::npos ? std::string() : destination.substr(0, slash + 1)) +
        ".tallowby-copy-XXXXXX";
    FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.get() < 0) return false;

    bool ok = CopyContents(in.get(), out.get());
    ok = ok && ::fchmod(out.get(), sourceInfo.st_mode & 0777) == 0;
    ok = ok && ::fsync(out.get()) == 0;
    ok = out.Close() && ok;
    if (ok) {
        if (failIfExists) {
            // Never replaces a file that appeared meanwhile.
            ok = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(),
                             RENAME_NOREPLACE) == 0;
            if (!ok && (errno == EINVAL || errno == ENOSYS)) {
                ok = ::link(temporary.c_str(), destination.c_str()) == 0;
                ::unlink(temporary.c_str());
                return ok;
            }
        } else {
            ok = ::rename(temporary.c_str(), destination.c_str()) == 0;
        }
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

// The book a path names: its canonical path where the file exists, so that two
// spellings of one file are one book; else the path as typed.
std::string BookIdentity(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists) {
    try {
        return CopyFileUnguarded(source, destination, failIfExists);
    } catch (...) {
        return false;
    }
}

std::string BackupPathFor(const std::string& databasePath) {
    if (CharacterCount(databasePath) < 4) return {};
    std::string backup = DropLastCharacters(databasePath, 4) + ".bak";
    // A database named *.bak would be copied onto itself.
    if (backup == databasePath) return {};
    return backup;
}

bool RepaintThrottle::Due() {
    using namespace std::chrono;
    const long long now =
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    if (lastMs_ >= 0 && now - lastMs_ < intervalMs_) return false;
    lastMs_ = now;
    return true;
}

ScanOutcome CmdEnumerateNotes_Click(ScanWindow& window, ModuleState& state) {
    // Backup. Whether the copy was made does not matter to the rest of the scan.
    const std::string databasePath = window.txtNotesDatabaseFile.Text();
    const std::string backupPath = BackupPathFor(databasePath);
    if (!backupPath.empty()) CopyFileTo(databasePath, backupPath, false);

    NotesObjects notes;

    // Session and database. A failure is passed over while the session comes from the
    // first class; with the second class every failure means Notes cannot be reached.
    Attempt([&] { notes.session = CreateObject(kDominoProgID); });
    const bool secondClass = !notes.session;
    if (secondClass) {
        if (!Attempt([&] { notes.session = CreateObject(kNotesProgID); }) || !notes.session)
            return ShowNotInstalled(window, notes);
    }
    if (!Attempt([&] { notes.database = Require(notes.session).GetDatabase("", databasePath); }) &&
        secondClass)
        return ShowNotInstalled(window, notes);
    // The title is not used: reading it fails when the database is not open.
    if (!Attempt([&] { Require(notes.database).Title(); }) && secondClass)
        return ShowNotInstalled(window, notes);

    // Walk set-up; each failing step is passed over.
    Attempt([&] { notes.view = Require(notes.database).GetView("$People"); });
    Attempt([&] { notes.navigator = Require(notes.view).CreateViewNav(); });
    Attempt([&] { notes.entry = Require(notes.navigator).GetFirstDocument(); });
    Attempt([&] { notes.document = Require(notes.entry).Document(); });
    std::optional<int32_t> count;
    Attempt([&] { count = Require(notes.navigator).Count(); });

    if (!notes.entry) {
        // The file could not be opened, or it has no person documents. Nothing of the
        // window or the run state changes, so the user can pick another file.
        notes.Drop();
        window.messages.Show(kNotAddressBook, kCompanyTitle);
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
    for (bool firstEntry = true;; firstEntry = false) {
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
    window.messages.Show(kScanCompleted, kCompanyTitle);
    window.CmdContactsCreate.SetEnabled(true);
    window.CmdEnumerateNotes.SetEnabled(false);
    window.LblRead.SetVisible(false);
    progress.SetVisible(false);
    return ScanOutcome::Completed;
}

} // namespace tallowby
