#include "export/ExportRun.h"

#include "addressbook/Messages.h"
#include "addressbook/Notes.h"
#include "addressbook/NotesCalls.h"
#include "addressbook/Scan.h"
#include "biff/ExcelFile.h"
#include "biff/Status.h"
#include "export/ColumnLayout.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

// A worksheet row index is 16 bits: rows 1..65536, the first one being the header.
constexpr int32_t kMaxContactRows = 65535;
// A LABEL record carries its character count in one byte.
constexpr std::size_t kMaxCellChars = 255;

// Path of the temporary worksheet being written, for a signal handler to remove.
// Plain characters in static storage: readable from a handler at any time.
char g_tempInProgress[PATH_MAX + 1];

// ---------------------------------------------------------------- names

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder part resolved through realpath, then the name: two spellings of the
// same place ("./a/../b.xls" and "b.xls") give the same text. Empty when the folder
// does not exist.
std::string CanonicalPath(const std::string& path) {
    std::string folder = FolderOf(path);
    if (folder.empty()) folder = ".";
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) return std::string();
    std::string result = resolved;
    if (result != "/") result += '/';
    return result + NameOf(path);
}

// True when writing `target` would replace the file `database`: the same text, the
// same file under another name (a hard or symbolic link, "./" or ".." in the path,
// a case-insensitive file system), or the same place in the folder tree.
bool IsSameFile(const std::string& target, const std::string& database) {
    if (target == database) return true;
    struct stat a {}, b {};
    if (::stat(target.c_str(), &a) == 0 && ::stat(database.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    const std::string ca = CanonicalPath(target);
    return !ca.empty() && ca == CanonicalPath(database);
}

// ---------------------------------------------------------------- texts

// Length in bytes of the first `limit` characters of a UTF-8 text, and whether the
// text has more characters than that. A character is one well-formed UTF-8 sequence
// or, in ill-formed text, one stray byte (the writer turns each such byte into one
// character of its own).
std::size_t Utf8Prefix(const std::string& text, std::size_t limit, bool& longer) {
    std::size_t pos = 0, chars = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        if (chars == limit) {
            longer = true;
            return pos;
        }
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = 1;
        unsigned min = 0;
        if (lead >= 0xC2 && lead <= 0xDF) length = 2, min = 0x80;
        else if (lead >= 0xE0 && lead <= 0xEF) length = 3, min = 0x800;
        else if (lead >= 0xF0 && lead <= 0xF4) length = 4, min = 0x10000;
        if (length > 1) {
            unsigned code = lead & (0x3F >> (length - 1));
            bool ok = pos + length <= size;
            for (std::size_t i = 1; ok && i < length; ++i) {
                const auto next = static_cast<unsigned char>(text[pos + i]);
                ok = (next & 0xC0) == 0x80;
                code = (code << 6) | (next & 0x3F);
            }
            if (!ok || code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                length = 1;
        }
        pos += length;
        ++chars;
    }
    longer = false;
    return pos;
}

// Shortens a text to the 255 characters a cell holds; true when it was longer.
bool CutToCellLimit(std::string& text) {
    if (text.size() <= kMaxCellChars) return false;  // never more characters than bytes
    bool longer = false;
    const std::size_t bytes = Utf8Prefix(text, kMaxCellChars, longer);
    if (!longer) return false;
    text.resize(bytes);
    return true;
}

std::string Plural(int32_t count, const char* one, const char* many) {
    return std::to_string(count) + (count == 1 ? one : many);
}

std::string CompletionMessage(const ExportResult& result) {
    std::string text = std::to_string(result.contactsWritten) + " Contacts Saved Successfully";
    if (result.valuesShortened > 0)
        text += "\r\n\r\n" + Plural(result.valuesShortened,
                                    " value was longer than 255 characters and was shortened.",
                                    " values were longer than 255 characters and were shortened.");
    if (result.contactsLeftOut > 0)
        text += "\r\n\r\n" + Plural(result.contactsLeftOut, " contact was", " contacts were") +
                " left out: a worksheet holds at most 65,535 contacts. Split the address book "
                "to export the rest.";
    return text;
}


// ---------------------------------------------------------------- temporary file

// The worksheet is written under a temporary name in the target's own folder and
// renamed over the target only when it is complete, so that a failed run leaves
// neither a half-written file nor a damaged earlier worksheet. The temporary file
// is removed by the destructor unless Commit succeeded.
class TemporaryWorksheet {
public:
    explicit TemporaryWorksheet(std::string target) : target_(std::move(target)) {}
    ~TemporaryWorksheet() { Discard(); }
    TemporaryWorksheet(const TemporaryWorksheet&) = delete;
    TemporaryWorksheet& operator=(const TemporaryWorksheet&) = delete;

    // Reserves a unique name ".NAME.XXXXXX" beside the target; 0 or a status. A
    // target that is a device or a pipe (--output /dev/null) is written in place:
    // renaming over it would replace the device node itself.
    int16_t Reserve() {
        struct stat info {};
        if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
            !S_ISDIR(info.st_mode)) {
            path_ = target_;
            inPlace_ = true;
            return kStatusOk;
        }
        std::string pattern = FolderOf(target_) + "." + NameOf(target_) + ".XXXXXX";
        if (pattern.size() > PATH_MAX) return kStatusPathAccess;
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) return StatusFromErrno(errno, FileStep::Open);
        ::close(fd);
        path_ = pattern;
        std::memcpy(g_tempInProgress, path_.c_str(), path_.size() + 1);
        return kStatusOk;
    }

    const std::string& path() const { return path_; }

    // Makes the closed temporary file the target: gives it the target's permissions
    // (those of the earlier worksheet, or the usual ones for a new file), flushes it
    // to the disk and renames it over the target. 0 or a status.
    int16_t Commit() {
        if (inPlace_) {
            path_.clear();
            return kStatusOk;
        }
        struct stat earlier {};
        mode_t mode;
        if (::stat(target_.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
            mode = earlier.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return StatusFromErrno(errno, FileStep::Open);
        int16_t status = kStatusOk;
        if (::fchmod(fd, mode) != 0 && errno != EPERM) status = StatusFromErrno(errno, FileStep::Write);
        if (status == kStatusOk && ::fsync(fd) != 0) status = StatusFromErrno(errno, FileStep::Write);
        ::close(fd);
        if (status != kStatusOk) return status;
        if (::rename(path_.c_str(), target_.c_str()) != 0) return StatusFromErrno(errno, FileStep::Open);
        path_.clear();
        g_tempInProgress[0] = '\0';
        // Make the rename itself durable; a folder that cannot be synced is no failure.
        std::string folder = FolderOf(target_);
        if (folder.empty()) folder = ".";
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return kStatusOk;
    }

    void Discard() {
        if (path_.empty()) return;
        if (!inPlace_) ::unlink(path_.c_str());
        path_.clear();
        g_tempInProgress[0] = '\0';
    }

private:
    std::string target_;
    std::string path_;
    bool inPlace_ = false;
};

// ---------------------------------------------------------------- Notes

// The item names in the order a row's cells are written, made once.
struct RowPlan {
    std::array<std::string, kExportColumnCount> items;
    std::array<const ExportColumn*, kExportColumnCount> columns{};
    RowPlan() {
        const auto& order = ColumnsInWriteOrder();
        for (std::size_t i = 0; i < kExportColumnCount; ++i) {
            columns[i] = &kExportColumns[order[i]];
            items[i] = std::string(columns[i]->item);
        }
    }
};

// ---------------------------------------------------------------- the run

class ExportRun {
public:
    ExportRun(ConversionWindow& window, ModuleState& state, const std::string& outputPath)
        : window_(window), state_(state), outputPath_(outputPath) {}

    ExportResult Run();

private:
    ExportResult Refuse();
    ExportResult FileFailure(int16_t status);
    ExportResult NotesFailure(ExportOutcome outcome);
    ExportResult Fail(ExportOutcome outcome, std::string message);
    int16_t WriteHeader();
    int16_t WriteRow(NotesDocument* document, int32_t row);
    void Progress(int32_t value);

    ConversionWindow& window_;
    ModuleState& state_;
    const std::string& outputPath_;

    std::string database_;
    std::string target_;
    std::unique_ptr<TemporaryWorksheet> temp_;
    ExcelFile xls_;
    NotesObjects notes_;
    RepaintThrottle throttle_;
    int32_t maximum_ = 0;
    ExportResult result_;
};

ExportResult ExportRun::Run() {
    database_ = window_.txtNotesDatabaseFile.Text();
    target_ = outputPath_.empty() ? OutputPathFor(database_) : outputPath_;
    state_.ExportFilePath = target_;

    window_.ProgBarSave.SetMinimum(0);
    if (state_.ContactCount > 0) {
        maximum_ = state_.ContactCount;
        window_.ProgBarSave.SetMaximum(maximum_);
    }

    // The export never writes over the address book.
    if (IsSameFile(target_, database_)) return Refuse();

    // Preparing: the file frame, fonts, cell styles, page header and header row.
    temp_ = std::make_unique<TemporaryWorksheet>(target_);
    if (const int16_t status = temp_->Reserve(); status != kStatusOk) return FileFailure(status);
    if (const int16_t status = WriteHeader(); status != kStatusOk) return FileFailure(status);

    // Opening Notes: "Domino.NotesSession", else "Notes.NotesSession". Only on the
    // second path is a missing session or database reported as such; any other
    // failure leaves its object missing and so ends in "no first entry".
    Attempt([&] { notes_.session = CreateObject(kDominoProgID); });
    const bool secondPath = !notes_.session;
    if (secondPath) {
        Attempt([&] { notes_.session = CreateObject(kNotesProgID); });
        if (!notes_.session) return NotesFailure(ExportOutcome::NotInstalled);
    }
    Attempt([&] { notes_.database = notes_.session->GetDatabase("", database_); });
    if (secondPath && !notes_.database) return NotesFailure(ExportOutcome::NotInstalled);
    if (notes_.database) Attempt([&] { notes_.view = notes_.database->GetView("$People"); });
    if (notes_.view) Attempt([&] { notes_.navigator = notes_.view->CreateViewNav(); });
    if (notes_.navigator) {
        if (maximum_ <= 0) {
            int32_t count = 0;
            Attempt([&] { count = notes_.navigator->Count(); });
            maximum_ = count > 0 ? count : 1;
            window_.ProgBarSave.SetMaximum(maximum_);
        }
        Attempt([&] { notes_.entry = notes_.navigator->GetFirstDocument(); });
    }
    if (!notes_.entry) return NotesFailure(ExportOutcome::NotAddressBook);
    Attempt([&] { notes_.document = notes_.entry->Document(); });

    // Walking: document k goes to row k + 1. An item that cannot be read gives an
    // empty cell; the end of the view, or an entry or document that cannot be had,
    // ends the walk. Past the last row a worksheet holds, documents are only counted.
    int32_t counter = 1;
    for (;;) {
        if (counter <= kMaxContactRows) {
            if (const int16_t status = WriteRow(notes_.document.get(), counter + 1);
                status != kStatusOk)
                return FileFailure(status);
            result_.contactsWritten = counter;
        } else {
            ++result_.contactsLeftOut;
        }
        std::shared_ptr<NotesViewEntry> next;
        if (!Attempt([&] { next = notes_.navigator->GetNextDocument(notes_.entry); }) || !next)
            break;
        notes_.entry = std::move(next);
        std::shared_ptr<NotesDocument> document;
        if (!Attempt([&] { document = notes_.entry->Document(); }) || !document) break;
        notes_.document = std::move(document);
        if (counter == INT32_MAX) break;
        ++counter;
        Progress(counter);
    }
    window_.ProgBarSave.Repaint();

    // Completion.
    notes_.Drop();
    if (const int16_t status = xls_.CloseFile(); status != kStatusOk) return FileFailure(status);
    if (const int16_t status = temp_->Commit(); status != kStatusOk) return FileFailure(status);
    window_.CmdConversion.SetEnabled(false);
    window_.CmdContactsCreate.SetEnabled(false);
    result_.outcome = ExportOutcome::Completed;
    result_.message = CompletionMessage(result_);
    window_.messages.Show(result_.message, kConversionTitle);
    window_.FrameConversionDone.SetVisible(true);
    return result_;
}

int16_t ExportRun::WriteHeader() {
    int16_t status = xls_.CreateFile(temp_->path());
    if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 0);   // font 0: plain
    if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 1);   // font 1: bold
    if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 5);   // font 2: bold, underlined
    if (status == kStatusOk) status = xls_.SetFont("Courier", 14, 3);   // font 3: bold, italic
    if (status == kStatusOk) status = xls_.SetCellStyle(0, 0, 1, 0);    // style 0: font 0, left
    if (status == kStatusOk) status = xls_.SetCellStyle(1, 0, 1, 0);    // style 1: font 1, left
    if (status == kStatusOk) status = xls_.SetHeader("BIFF 2.1 API");
    // Header cells select style 1 through the low bits of HiddenLocked, and font 1
    // through their own attribute byte, so that every reader shows them bold.
    for (const ExportColumn& column : kExportColumns) {
        if (status != kStatusOk) break;
        status = xls_.WriteValue(2, 64, 1, 1, 1, column.column, std::string(column.header), 0);
    }
    return status;
}

int16_t ExportRun::WriteRow(NotesDocument* document, int32_t row) {
    static const RowPlan plan;
    for (std::size_t i = 0; i < kExportColumnCount; ++i) {
        const ExportColumn& column = *plan.columns[i];
        std::string value;
        if (document != nullptr) {
            Attempt([&] {
                const NotesValues values = document->GetItemValue(plan.items[i]);
                if (!values.empty()) value = ValueToText(values.front());
            });
        }
        if (column.zeroIsEmpty && value == "0") value.clear();
        if (CutToCellLimit(value)) ++result_.valuesShortened;
        const int16_t status =
            xls_.WriteValue(2, 0, 1, 0, row, column.column, CellValue(std::move(value)), 0);
        if (status != kStatusOk) return status;
    }
    return kStatusOk;
}

void ExportRun::Progress(int32_t value) {
    if (value > maximum_) {
        maximum_ = value;
        window_.ProgBarSave.SetMaximum(maximum_);
    }
    window_.ProgBarSave.SetValue(value);
    if (throttle_.Due()) window_.ProgBarSave.Repaint();
}

ExportResult ExportRun::Refuse() {
    return Fail(ExportOutcome::Refused,
                "The worksheet would be written over the address book itself:\r\n" + target_ +
                    "\r\n\r\nNothing was written. Give the address book a name that does not "
                    "end in \".xls\", or choose another worksheet file.");
}

ExportResult ExportRun::FileFailure(int16_t status) {
    std::string reason = StatusText(status);
    if (reason.empty()) reason = "error " + std::to_string(status);
    return Fail(ExportOutcome::FileError,
                "The worksheet could not be saved:\r\n" + target_ + "\r\n\r\nReason: " + reason +
                    ".\r\n\r\nNothing was written; an earlier file of that name is unchanged. "
                    "Check the folder and the free disk space, then try again.");
}

ExportResult ExportRun::NotesFailure(ExportOutcome outcome) { return Fail(outcome, kNotAddressBook); }

// Every way a run ends without a worksheet: the Notes objects and the temporary file
// go, nothing counts as written, and one message box says why.
ExportResult ExportRun::Fail(ExportOutcome outcome, std::string message) {
    notes_.Drop();
    if (temp_) temp_->Discard();
    result_.outcome = outcome;
    result_.contactsWritten = 0;
    result_.valuesShortened = 0;
    result_.contactsLeftOut = 0;
    result_.message = std::move(message);
    window_.messages.Show(result_.message, kCompanyTitle);
    return result_;
}

} // namespace

std::string OutputPathFor(const std::string& databasePath) {
    // Only the file name changes: the folders are taken as they are (on Linux their
    // names are case-sensitive). Lower-casing covers the ASCII letters; other
    // characters are kept as they are, since changing them would depend on the
    // locale and could make two different names one.
    std::string name = LowerAscii(NameOf(databasePath));
    const auto stem = name.find_first_not_of('.');  // ".hidden" has no extension
    const auto dot = name.rfind('.');
    if (stem != std::string::npos && dot != std::string::npos && dot > stem) name.resize(dot);
    return FolderOf(databasePath) + name + ".xls";
}

ExportResult CmdConversion_Click(ConversionWindow& window, ModuleState& state,
                                 const std::string& outputPath) {
    ExportRun run(window, state, outputPath);
    return run.Run();
}

const char* ExportTempFileInProgress() noexcept { return g_tempInProgress; }

} // namespace tallowby
