// Fuzz target for the DXL reader: read the input as a DXL address book from
// memory, then, when it opens, walk the $People view through the Notes objects and
// read every item the export writes, and a few it does not, of every document,
// turning each value into text, and every item of every person and group. Then run
// the scan over the same book, and the export in each format and layout to /dev/null
// (a workbook for a device is built in $TMPDIR first). Invariants that break abort
// the run.
#include "addressbook/ContactTree.h"
#include "addressbook/DxlSession.h"
#include "addressbook/Scan.h"
#include "addressbook/ValueText.h"
#include "export/ColumnLayout.h"
#include "export/ExportRun.h"

#include <cstdio>
#include <cstdlib>

using namespace tallowby;

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// The number of entries of the $People view.
int32_t Walk(NotesDatabase& database) {
    database.Title();
    const auto navigator = database.GetView("$People")->CreateViewNav();
    int32_t walked = 0;
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry), ++walked) {
        const auto document = entry->Document();
        document->UniversalID();
        document->NoteID();
        const auto read = [&](std::string_view item) {
            const NotesValues values = document->GetItemValue(std::string(item));
            Check(!values.empty(), "GetItemValue yielded no value");
            for (const NotesValue& value : values) ValueToText(value);
        };
        for (const ExportColumn& column : kExportColumns) read(column.item());
        for (const char* item : {"ShortName", "AltFullNameSort", "MailDomain", "Type", "Form", "Owner"}) read(item);
        for (const NotesItem& item : document->Items()) {
            Check(!item.values.empty() && !item.name.empty() && item.name[0] != '$', "an item without values or name");
            Check(document->GetItemValue(item.name) == item.values, "Items and GetItemValue disagree");
        }
    }
    Check(walked == navigator->Count(), "the navigator's Count differs from its entries");
    const auto groups = database.GetView("Groups")->CreateViewNav();
    for (auto entry = groups->GetFirstDocument(); entry; entry = groups->GetNextDocument(entry))
        for (const NotesItem& item : entry->Document()->Items()) ValueText(item, {true, false, true});
    return walked;
}

struct BufferSession : NotesSession {
    explicit BufferSession(std::shared_ptr<NotesDatabase> database) : database(std::move(database)) {}
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string&, const std::string&) override { return database; }
    std::shared_ptr<NotesDatabase> database;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::shared_ptr<NotesDatabase> database;
    try {
        database = MakeDxlDatabase(DxlBook::ReadBuffer({reinterpret_cast<const char*>(data), size}, "fuzz.dxl"));
    } catch (const NotesError& e) {
        Check(std::string_view(e.what()).find("\"fuzz.dxl\"") != std::string_view::npos,
              "a read failure that does not name the file");
        database = MakeDxlDatabase(nullptr, e.what());
    }
    int32_t entries = 0;
    try {
        entries = Walk(*database);
    } catch (const NotesError&) {
        // A database that is not open: Title fails, as it should.
    }
    // The book is served by the session class the scan and the export ask for.
    const ScopedSessionClass domino(kDominoProgID, [&database] { return std::make_shared<BufferSession>(database); });
    // A path in no folder: the scan's backup copy finds no file and writes nothing.
    const std::string path = "/nonexistent-tallowby-fuzz/names.dxl";
    const ScanResult scan = ScanBook({path});
    Check(scan.outcome != ScanOutcome::Completed || scan.tree.nodes().size() == 28 + scan.contacts.size(),
          "the scan's tree lost nodes");
    // Every entry is written or counted as left out; a book without entries writes nothing.
    for (const ExportChoice& choice : ExportChoices()) {
        ExportRequest request;
        request.bookPath = path;
        request.outputPath = "/dev/null";
        request.format = choice.format;
        request.layout = choice.layout;
        const ExportResult result = ExportBook(request);
        Check(result.outcome == (entries > 0 ? ExportOutcome::Completed : ExportOutcome::NotAddressBook),
              "a book with entries not exported, or one without exported");
        Check(result.contactsWritten + result.contactsLeftOut == entries, "an entry was neither written nor counted");
    }
    return 0;
}
