// Fuzz target for the DXL reader: read the input as a DXL address book from
// memory, then, when it opens, walk the $People view through the Notes objects and
// read every kept item (and one the book does not keep) of every document, turning
// each value into text. Then run the scan of the main window over the same book
// into a tree in memory, and the export in each format (.xls, .xlsx, CSV) to
// /dev/null (a workbook for a device is built in $TMPDIR first). Invariants that
// break abort the run.
#include "addressbook/ContactTree.h"
#include "addressbook/Controls.h"
#include "addressbook/DxlBook.h"
#include "addressbook/DxlSession.h"
#include "addressbook/ModuleState.h"
#include "addressbook/Notes.h"
#include "addressbook/Scan.h"
#include "export/ExportRun.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace tallowby;

namespace {

const char* const kItems[] = {
    "FirstName", "MiddleInitial", "LastName", "Suffix", "Title", "MailAddress", "CompanyName",
    "JobTitle", "OfficeStreetAddress", "OfficeCity", "OfficeZip", "OfficeState", "OfficeCountry",
    "Location", "WebSite", "Department", "Manager", "Assistant", "OfficePhoneNumber",
    "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6", "MiscPhone1", "MiscPhone2",
    "MiscPhone3", "StreetAddress", "City", "Zip", "State", "Country", "Spouse", "Children",
    "PhoneNumber", "HomeFAXPhoneNumber", "PersPager", "Birthday", "Anniversary", "Comment",
    "ShortName", "AltFullNameSort", "MailDomain", "Categories", "Type", "Form", "Owner"};

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The number of entries of the $People view.
int32_t Walk(const std::shared_ptr<NotesDatabase>& database) {
    database->Title();
    const auto navigator = database->GetView("$People")->CreateViewNav();
    const int32_t count = navigator->Count();
    int32_t walked = 0;
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
        ++walked;
        const auto document = entry->Document();
        document->UniversalID();
        document->NoteID();
        for (const char* item : kItems) {
            const NotesValues values = document->GetItemValue(item);
            Check(!values.empty(), "GetItemValue yielded no value");
            for (const NotesValue& value : values) ValueToText(value);
        }
    }
    Check(walked == count, "the navigator's Count differs from its entries");
    return walked;
}

class Nothing : public Control, public ProgressBar, public MessageBoxes, public TextSource {
public:
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

class BufferSession : public NotesSession {
public:
    explicit BufferSession(std::shared_ptr<NotesDatabase> database) : database_(std::move(database)) {}
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string&, const std::string&) override {
        return database_;
    }

private:
    std::shared_ptr<NotesDatabase> database_;
};

// The book is served by the session class the caller registered.
void Scan() {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    Nothing nothing;
    ModuleState state;
    ScanWindow window{nothing, tree, nothing, nothing, nothing, nothing, nothing};
    CmdEnumerateNotes_Click(window, state);
    Check(tree.nodes().size() >= 28, "the scan removed default nodes");
}

// Every entry is written or counted as left out; a book without entries writes nothing.
void Export(int32_t entries) {
    for (const ExportFormat format : kExportFormats) {
        Nothing nothing;
        ModuleState state;
        ConversionWindow window{nothing, nothing, nothing, nothing, nothing, nothing};
        const ExportResult result = CmdConversion_Click(window, state, "/dev/null", format);
        if (entries > 0) {
            Check(result.outcome == ExportOutcome::Completed, "a book with entries was not exported");
            Check(result.contactsWritten + result.contactsLeftOut == entries, "an entry was neither written nor counted");
        } else {
            Check(result.outcome == ExportOutcome::NotAddressBook, "a book without entries was exported");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<NotesDatabase> database;
    try {
        database = MakeDxlDatabase(DxlBook::ReadBuffer(bytes, "fuzz.dxl"));
    } catch (const NotesError& e) {
        Check(std::string_view(e.what()).find("\"fuzz.dxl\"") != std::string_view::npos,
              "a read failure that does not name the file");
        database = MakeDxlDatabase(nullptr, e.what());
    }
    int32_t entries = 0;
    try {
        entries = Walk(database);
    } catch (const NotesError&) {
        // A database that is not open: Title fails, as it should.
    }
    const ScopedSessionClass domino(kDominoProgID,
                                    [&database] { return std::make_shared<BufferSession>(database); });
    Scan();
    Export(entries);
    return 0;
}
