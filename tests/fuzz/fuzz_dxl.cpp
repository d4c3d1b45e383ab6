// Fuzz target for the DXL reader: read the input as a DXL address book from
// memory, then, when it opens, walk the $People view through the Notes objects and
// read every item the export writes, and a few it does not, of every document,
// turning each value into text. Then run the scan of the main window over the same
// book into a tree in memory, and the export in each format (.xls, .xlsx, CSV) to
// /dev/null (a workbook for a device is built in $TMPDIR first). Invariants that
// break abort the run.
#include "addressbook/ContactTree.h"
#include "addressbook/DxlSession.h"
#include "addressbook/Scan.h"
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
        for (const ExportColumn& column : kExportColumns) read(column.item);
        for (const char* item : {"ShortName", "AltFullNameSort", "MailDomain", "Type", "Form", "Owner"}) read(item);
    }
    Check(walked == navigator->Count(), "the navigator's Count differs from its entries");
    return walked;
}

struct Nothing : Control, ProgressBar, MessageBoxes, TextSource {
    void SetEnabled(bool) override {}
    void SetVisible(bool) override {}
    void SetMinimum(int32_t) override {}
    void SetMaximum(int32_t) override {}
    void SetValue(int32_t) override {}
    void Repaint() override {}
    void Show(const std::string&, const std::string&) override {}
    // A path in no folder: the scan's backup copy finds no file and writes nothing.
    std::string Text() const override { return "/nonexistent-tallowby-fuzz/names.dxl"; }
};

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
    Nothing nothing;
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    ModuleState state;
    ScanWindow scan{nothing, tree, nothing, nothing, nothing, nothing, nothing};
    CmdEnumerateNotes_Click(scan, state);
    Check(tree.nodes().size() >= 28, "the scan removed default nodes");
    // Every entry is written or counted as left out; a book without entries writes nothing.
    for (const ExportFormat format : kExportFormats) {
        ModuleState fresh;
        ConversionWindow window{nothing, nothing, nothing, nothing, nothing, nothing};
        const ExportResult result = CmdConversion_Click(window, fresh, "/dev/null", format);
        Check(result.outcome == (entries > 0 ? ExportOutcome::Completed : ExportOutcome::NotAddressBook),
              "a book with entries not exported, or one without exported");
        Check(result.contactsWritten + result.contactsLeftOut == entries, "an entry was neither written nor counted");
    }
    return 0;
}
