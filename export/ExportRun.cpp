// The walk over the address book: open and check the book, then create the file,
// write the header row and one row per person document, and complete the file.
#include "export/ExportRun.h"

#include "addressbook/Messages.h"
#include "addressbook/Notes.h"
#include "addressbook/NotesCalls.h"
#include "addressbook/RunControl.h"
#include "addressbook/Scan.h"
#include "export/ColumnLayout.h"
#include "export/ContactSheet.h"
#include "export/ExportMessages.h"

#include <array>
#include <climits>
#include <memory>
#include <new>
#include <string>

#include <sys/stat.h>

namespace tallowby {

namespace {

// The item names by column, made once.
const std::array<std::string, kExportColumnCount>& ItemNames() {
    static const std::array<std::string, kExportColumnCount> items = [] {
        std::array<std::string, kExportColumnCount> names;
        for (std::size_t i = 0; i < kExportColumnCount; ++i) names[i] = std::string(kExportColumns[i].item);
        return names;
    }();
    return items;
}

int64_t FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

class ExportRun {
public:
    ExportRun(ConversionWindow& window, ModuleState& state, const std::string& outputPath, ExportFormat format)
        : window_(window), state_(state), outputPath_(outputPath), format_(format) {}

    ExportResult Run();
    ExportResult OutOfMemory();
    ExportResult Stopped();

private:
    bool OpenBook();
    void ReadRow(NotesDocument* document);
    void Progress(int32_t value);
    ExportResult Complete();
    ExportResult FileFailure(const std::string& reason);
    bool NotesFailure(ExportOutcome outcome);
    ExportResult Fail(ExportOutcome outcome, std::string message);
    ExportResult Abandon(ExportOutcome outcome);

    ConversionWindow& window_;
    ModuleState& state_;
    const std::string& outputPath_;
    const ExportFormat format_;

    std::string database_;
    std::string target_;
    NotesObjects notes_;
    std::unique_ptr<TargetFile> file_;
    std::unique_ptr<ContactSheet> sheet_;
    RowValues row_;
    RepaintThrottle throttle_;
    int32_t maximum_ = 0;
    ExportResult result_;
};

ExportResult ExportRun::Run() {
    result_.format = format_;
    database_ = window_.txtNotesDatabaseFile.Text();
    target_ = outputPath_.empty() ? OutputPathFor(database_, format_) : outputPath_;
    state_.ExportFilePath = target_;

    window_.ProgBarSave.SetMinimum(0);
    if (state_.ContactCount > 0) {
        maximum_ = state_.ContactCount;
        window_.ProgBarSave.SetMaximum(maximum_);
    }

    // The export never writes over the address book, nor tries a folder.
    if (IsSameFile(target_, database_)) return Fail(ExportOutcome::Refused, RefusalMessage(target_, format_, !outputPath_.empty()));
    if (IsFolder(target_)) return FileFailure("it is a folder");

    // The book is opened and checked before the first byte goes to the target.
    if (!OpenBook()) return result_;

    // Preparing: the file and its header row.
    SheetInfo info;
    Attempt([&] { info.title = notes_.database->Title(); });
    Attempt([&] { info.contacts = notes_.navigator->Count(); });
    info.bookBytes = FileSize(database_);
    sheet_ = MakeContactSheet(format_);
    file_ = std::make_unique<TargetFile>(target_);
    if (!file_->Reserve(sheet_->Streams())) return FileFailure(file_->reason());
    info.tempFolder = file_->ScratchFolder();
    if (!sheet_->Begin(file_->path(), info)) return FileFailure(sheet_->reason());

    // Walking: document k is the k-th data row. An item that cannot be read gives an
    // empty cell; the end of the view, or an entry or document that cannot be had,
    // ends the walk. Past the last row the format holds, documents are only counted.
    const int32_t maxRows = sheet_->MaxContacts();
    int32_t counter = 1;
    for (;;) {
        Checkpoint();
        if (counter <= maxRows) {
            ReadRow(notes_.document.get());
            if (!sheet_->WriteRow(row_)) return FileFailure(sheet_->reason());
            result_.contactsWritten = counter;
        } else {
            ++result_.contactsLeftOut;
        }
        std::shared_ptr<NotesViewEntry> next;
        if (!Attempt([&] { next = notes_.navigator->GetNextDocument(notes_.entry); }) || !next) break;
        notes_.entry = std::move(next);
        std::shared_ptr<NotesDocument> document;
        if (!Attempt([&] { document = notes_.entry->Document(); }) || !document) break;
        notes_.document = std::move(document);
        if (counter == INT32_MAX) break;
        ++counter;
        Progress(counter);
    }
    window_.ProgBarSave.Repaint();
    return Complete();
}

// Opening Notes: "Domino.NotesSession", else "Notes.NotesSession". Only on the second
// path is a missing session or database reported as such; any other failure leaves
// its object missing and so ends in "no first entry".
bool ExportRun::OpenBook() {
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
    return true;
}

// The 39 values of a document, read in the layout's write order: the first value of
// each item as text, "0" dropped from Suffix and Title.
void ExportRun::ReadRow(NotesDocument* document) {
    const auto& items = ItemNames();
    for (const std::size_t index : ColumnsInWriteOrder()) {
        std::string& value = row_[index];
        value.clear();
        if (document != nullptr) {
            Attempt([&] {
                NotesValues values = document->GetItemValue(items[index]);
                if (values.empty()) return;
                if (auto* text = std::get_if<std::string>(&values.front())) value = std::move(*text);
                else value = ValueToText(values.front());
            });
        }
        if (kExportColumns[index].zeroIsEmpty && value == "0") value.clear();
    }
}

void ExportRun::Progress(int32_t value) {
    if (value > maximum_) {
        maximum_ = value;
        window_.ProgBarSave.SetMaximum(maximum_);
    }
    window_.ProgBarSave.SetValue(value);
    if (throttle_.Due()) window_.ProgBarSave.Repaint();
}

ExportResult ExportRun::Complete() {
    notes_.Drop();
    if (!sheet_->Finish()) return FileFailure(sheet_->reason());
    if (!file_->Commit()) return FileFailure(file_->reason());
    const SheetCounts& counts = sheet_->counts();
    result_.valuesShortened = counts.shortened;
    result_.valuesWithDroppedCharacters = counts.controlsDropped;
    result_.valuesWithLostCharacters = counts.lossy;
    window_.CmdConversion.SetEnabled(false);
    window_.CmdContactsCreate.SetEnabled(false);
    result_.outcome = ExportOutcome::Completed;
    result_.message = CompletionMessage(result_, format_);
    window_.messages.Show(result_.message, kConversionTitle);
    window_.FrameConversionDone.SetVisible(true);
    return result_;
}

ExportResult ExportRun::FileFailure(const std::string& reason) {
    const bool inPlace = file_ && file_->inPlace();
    return Fail(ExportOutcome::FileError, FileFailureMessage(target_, format_, reason, inPlace));
}

// The book could not be opened: the not-an-address-book message with the reason.
bool ExportRun::NotesFailure(ExportOutcome outcome) {
    Fail(outcome, NotAddressBookMessage(database_, WhyNoFirstEntry(notes_)));
    return false;
}

ExportResult ExportRun::OutOfMemory() {
    notes_.Drop();
    sheet_.reset();
    row_ = RowValues();
    return Fail(ExportOutcome::OutOfMemory, OutOfMemoryMessage(database_, format_));
}

// Every way a run ends without a file: the Notes objects, the sheet and the
// temporary file go, and nothing counts as written.
ExportResult ExportRun::Abandon(ExportOutcome outcome) {
    notes_.Drop();
    sheet_.reset();
    if (file_) file_->Discard();
    const ExportFormat format = result_.format;
    result_ = ExportResult();
    result_.format = format;
    result_.outcome = outcome;
    return result_;
}

// A failure: one message box says why.
ExportResult ExportRun::Fail(ExportOutcome outcome, std::string message) {
    Abandon(outcome);
    result_.message = std::move(message);
    window_.messages.Show(result_.message, kCompanyTitle);
    return result_;
}

// Stopped from outside (the window is closing): no message.
ExportResult ExportRun::Stopped() { return Abandon(ExportOutcome::Stopped); }

} // namespace

ExportResult CmdConversion_Click(ConversionWindow& window, ModuleState& state, const std::string& outputPath,
                                 ExportFormat format) {
    ExportRun run(window, state, outputPath, format);
    try {
        return run.Run();
    } catch (const std::bad_alloc&) {
        return run.OutOfMemory();
    } catch (const RunStopped&) {
        return run.Stopped();
    }
}

} // namespace tallowby
