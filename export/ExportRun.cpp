// The walk over the address book: open and check the book, then create the files, and
// hand the sink one person document after the other, in the view's order.
#include "export/ExportRun.h"

#include "addressbook/Messages.h"
#include "addressbook/Notes.h"
#include "addressbook/NotesCalls.h"
#include "export/BookOverview.h"
#include "export/ExportMessages.h"
#include "export/ExportNames.h"
#include "export/ExportSink.h"

#include <climits>
#include <memory>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

class ExportRun {
public:
    explicit ExportRun(const ExportRequest& request) : request_(request) {
        result_.format = request.format;
        result_.layout = request.layout;
    }

    ExportResult Run();
    ExportResult OutOfMemory();
    ExportResult Stopped();

private:
    bool Refusals();
    bool OpenBook();
    void Walk(ExportSink& sink, int32_t maxContacts, BookOverview* identities);
    ExportResult Complete(ExportSink& sink);
    ExportResult SinkFailure(const ExportSink& sink);
    ExportResult Fail(ExportOutcome outcome, std::string message);

    const ExportRequest& request_;
    std::string target_;
    NotesObjects notes_;
    ExportResult result_;
};

// The export never writes over the address book, nor tries a folder, nor exports a
// book other than the one scanned.
bool ExportRun::Refusals() {
    const std::string& book = request_.bookPath;
    const bool named = !request_.outputPath.empty();
    if (const std::string why = LayoutMismatch(request_.format, request_.layout); !why.empty()) {
        Fail(ExportOutcome::Refused, "The " + std::string(FormatNoun(request_.format)) +
                                         " cannot be written: " + why + ".\r\n\r\nNothing was written.");
        return false;
    }
    if (IsStandardOutput(target_)) {
        struct stat out {}, in {};
        if (::fstat(STDOUT_FILENO, &out) == 0 && ::stat(book.c_str(), &in) == 0 && out.st_dev == in.st_dev &&
            out.st_ino == in.st_ino) {
            Fail(ExportOutcome::Refused, RefusalMessage(target_, request_.format, true));
            return false;
        }
    } else if (IsSameFile(target_, book)) {
        Fail(ExportOutcome::Refused, RefusalMessage(target_, request_.format, named));
        return false;
    } else if (IsFolder(target_)) {
        Fail(ExportOutcome::FileError,
             FileFailureMessage(target_, request_.format, {"it is a folder", "", EISDIR}, false));
        return false;
    }
    if (request_.scannedBook && StampOf(book) != request_.scannedBook) {
        Fail(ExportOutcome::BookChanged, BookChangedMessage(book));
        return false;
    }
    return true;
}

// Opening Notes: "Domino.NotesSession", else "Notes.NotesSession". Only on the second
// path is a missing session or database reported as such; any other failure leaves
// its object missing and so ends in "no first entry".
bool ExportRun::OpenBook() {
    const std::string& book = request_.bookPath;
    Attempt([&] { notes_.session = CreateObject(kDominoProgID); });
    const bool secondPath = !notes_.session;
    const auto failure = [&](ExportOutcome outcome) {
        Fail(outcome, NotAddressBookMessage(book, WhyNoFirstEntry(notes_)));
        return false;
    };
    if (secondPath) {
        Attempt([&] { notes_.session = CreateObject(kNotesProgID); });
        if (!notes_.session) return failure(ExportOutcome::NotInstalled);
    }
    Attempt([&] { notes_.database = notes_.session->GetDatabase("", book); });
    if (secondPath && !notes_.database) return failure(ExportOutcome::NotInstalled);
    if (notes_.database) Attempt([&] { notes_.view = notes_.database->GetView("$People"); });
    if (notes_.view) Attempt([&] { notes_.navigator = notes_.view->CreateViewNav(); });
    if (notes_.navigator) Attempt([&] { notes_.entry = notes_.navigator->GetFirstDocument(); });
    if (!notes_.entry) return failure(ExportOutcome::NotAddressBook);
    Attempt([&] { notes_.document = notes_.entry->Document(); });
    return true;
}

// Document k is the k-th contact. The end of the view, or an entry or document that
// cannot be had, ends the walk. Past the most contacts the format holds, documents are
// only counted.
void ExportRun::Walk(ExportSink& sink, int32_t maxContacts, BookOverview* identities) {
    int32_t total = request_.expectedContacts;
    if (total <= 0) Attempt([&] { total = notes_.navigator->Count(); });
    std::size_t index = 0;
    for (int32_t counter = 1;; ++counter) {
        Checkpoint();
        if (identities != nullptr)  // one for each person of the view, in its order
            identities->persons.push_back(notes_.document ? IdentityOf(*notes_.document) : PersonIdentity{});
        if (counter <= maxContacts) {
            if (notes_.document) {
                ExportContact contact(*notes_.document, index);
                if (!sink.Contact(contact)) return;
                result_.binaryItems += static_cast<int64_t>(notes_.document->BinaryItemCount());
            }
        } else {
            ++result_.contactsLeftOut;
        }
        ReportProgress(RunStage::Contacts, counter, std::max(total, counter));
        std::shared_ptr<NotesViewEntry> next;
        if (!Attempt([&] { next = notes_.navigator->GetNextDocument(notes_.entry); }) || !next) break;
        notes_.entry = std::move(next);
        std::shared_ptr<NotesDocument> document;
        if (!Attempt([&] { document = notes_.entry->Document(); }) || !document) break;
        notes_.document = std::move(document);
        ++index;
        if (counter == INT32_MAX) break;
    }
}

ExportResult ExportRun::Run() {
    target_ = request_.outputPath.empty() ? OutputPathFor(request_.bookPath, request_.format, request_.layout)
                                          : request_.outputPath;
    result_.toStandardOutput = IsStandardOutput(target_);
    if (!Refusals()) return result_;
    // The book is opened and checked before the first byte goes to the target.
    if (!OpenBook()) return result_;

    const std::unique_ptr<ExportSink> sink = MakeExportSink(request_);
    ExportContext context{request_, target_, {}, 0, 0, {}, nullptr, 0};
    Attempt([&] { context.title = notes_.database->Title(); });
    Attempt([&] { context.contacts = notes_.navigator->Count(); });
    struct stat book {};
    if (::stat(request_.bookPath.c_str(), &book) == 0) {
        context.bookBytes = static_cast<int64_t>(book.st_size);
        context.outputOptions.mode = book.st_mode & 0666;
        context.outputOptions.protect = files::FileId{book.st_dev, book.st_ino};
    }
    BookOverview overview;
    const ExportSink::OverviewNeed need = sink->NeedsOverview();
    if (need == ExportSink::OverviewNeed::BeforeWalk) {
        overview = ReadOverview(*notes_.database, *notes_.view);
        context.overview = &overview;
    }
    if (need != ExportSink::OverviewNeed::None) context.groups = GroupCount(*notes_.database);
    if (!sink->Begin(context)) return SinkFailure(*sink);
    Walk(*sink, sink->MaxContacts(), need == ExportSink::OverviewNeed::GroupsAfterWalk ? &overview : nullptr);
    if (!sink->problem().empty()) return SinkFailure(*sink);
    if (need == ExportSink::OverviewNeed::GroupsAfterWalk) {
        ReadGroups(*notes_.database, overview);
        context.overview = &overview;
    }
    result_.binaryItems += overview.binaryItems;
    notes_.Drop();
    Checkpoint();  // a stop asked for at the last contact still counts
    if (!sink->Finish()) return SinkFailure(*sink);
    return Complete(*sink);
}

ExportResult ExportRun::Complete(ExportSink& sink) {
    const ExportResult& counts = sink.counts();
    result_.outcome = ExportOutcome::Completed;
    result_.files = sink.files();
    result_.contactsWritten = counts.contactsWritten;
    result_.groupsWritten = counts.groupsWritten;
    result_.valuesWritten = counts.valuesWritten;
    result_.valuesShortened = counts.valuesShortened;
    result_.valuesWithDroppedCharacters = counts.valuesWithDroppedCharacters;
    result_.valuesWithLostCharacters = counts.valuesWithLostCharacters;
    result_.formulaValues = counts.formulaValues;
    result_.valuesAside = counts.valuesAside;
    result_.title = kConversionTitle;
    result_.message = CompletionMessage(result_, request_);
    return result_;
}

ExportResult ExportRun::SinkFailure(const ExportSink& sink) {
    const std::string& file = sink.failedFile().empty() ? target_ : sink.failedFile();
    return Fail(ExportOutcome::FileError,
                FileFailureMessage(file, request_.format, sink.problem(), sink.failedInPlace()));
}

// A run that ends without a file: the Notes objects go, nothing counts as written, and
// the message says why.
ExportResult ExportRun::Fail(ExportOutcome outcome, std::string message) {
    notes_.Drop();
    ExportResult failed;
    failed.format = result_.format;
    failed.layout = result_.layout;
    failed.toStandardOutput = result_.toStandardOutput;
    failed.outcome = outcome;
    failed.message = std::move(message);
    failed.title = kCompanyTitle;
    result_ = std::move(failed);
    return result_;
}

ExportResult ExportRun::OutOfMemory() {
    notes_.Drop();
    return Fail(ExportOutcome::OutOfMemory, OutOfMemoryMessage(request_.bookPath, request_.format));
}

// Stopped by the run's callback: no message.
ExportResult ExportRun::Stopped() {
    Fail(ExportOutcome::Stopped, {});
    result_.title.clear();
    return result_;
}

} // namespace

ExportResult ExportBook(const ExportRequest& request, const RunCallback& callback) {
    const RunScope scope(callback);
    // The run's objects (the sink with its files among them) go with the unwinding,
    // before the result is formed: an unfinished file replaces nothing.
    auto run = std::make_unique<ExportRun>(request);
    try {
        return run->Run();
    } catch (const std::bad_alloc&) {
        run = std::make_unique<ExportRun>(request);
        return run->OutOfMemory();
    } catch (const RunStopped&) {
        run = std::make_unique<ExportRun>(request);
        return run->Stopped();
    }
}

} // namespace tallowby
