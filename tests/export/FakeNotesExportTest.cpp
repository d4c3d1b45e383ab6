// The export run against fake Notes objects: the failures that a DXL book cannot
// produce (an item that cannot be read, the second session class).
#include "tests/addressbook/TestSupport.h"

#include "addressbook/Messages.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

// The main window's path box and export button and the conversion window. Each
// message box looks at the worksheet at the moment it is shown.
struct ExportRig : TextSource, MessageBoxes {
    std::string Text() const override { return path; }
    void Show(const std::string& text, const std::string& title) override {
        shown.emplace_back(text, title);
        const std::string bytes = FileNames(dir.path()).count("names.xls") ? ReadFile(dir / "names.xls") : "";
        closedAtMessage = bytes.size() > 4 && bytes.substr(bytes.size() - 4) == std::string("\x0A\0\0\0", 4);
    }
    ExportResult Run(ExportFormat format = ExportFormat::Xls) {
        ConversionWindow window{*this, contactsCreate, progress, conversion, done, *this};
        return CmdConversion_Click(window, state, format);
    }
    TempDir dir;
    std::string path = dir / "names.nsf";
    FakeBook book;
    FakeProgress progress;
    FakeControl contactsCreate{true, true}, conversion{true, true}, done{true, false};
    Shown shown;
    bool closedAtMessage = false;
    ModuleState state;
};

TEST(ExportWithFakeNotes, AnItemThatCannotBeReadGivesAnEmptyCellAndTheWalkGoesOn) {
    ExportRig rig;
    ScopedSessionClass domino{kDominoProgID, rig.book.Factory()};
    rig.book.Add("A", "1", "Ann", "Able").Set("City", {std::string("Oslo")});
    rig.book.Add("B", "2", "Bob", "Baker").Set("City", {std::string("Rome")}).failing = {"City"};
    rig.book.Add("C", "3", "Cy", "Cole").Set("City", {std::string("Kyiv")});
    const ExportResult result = rig.Run();
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    EXPECT_EQ(rig.shown, (Shown{{"3 Contacts Saved Successfully", kConversionTitle}}));
    EXPECT_TRUE(rig.closedAtMessage) << "the worksheet is complete before the message";
    EXPECT_FALSE(rig.conversion.enabled);
    EXPECT_FALSE(rig.contactsCreate.enabled);
    EXPECT_TRUE(rig.done.visible);
    const std::string sheet = ReadFile(rig.dir / "names.xls");
    EXPECT_NE(sheet.find("Oslo"), std::string::npos);
    EXPECT_NE(sheet.find("Kyiv"), std::string::npos);
    EXPECT_EQ(sheet.find("Rome"), std::string::npos);
}

TEST(ExportWithFakeNotes, OnTheSecondSessionClassABookThatCannotBeOpenedWritesNothing) {
    for (const std::string failing : {"no session", "GetDatabase"}) {
        SCOPED_TRACE(failing);
        ExportRig rig;
        rig.book.Add("A", "1", "Ann", "Able");
        rig.book.failing = {failing};
        ScopedSessionClass domino{kDominoProgID, {}};
        ScopedSessionClass notes{kNotesProgID, failing == "no session" ? SessionFactory{} : rig.book.Factory()};
        EXPECT_EQ(rig.Run().outcome, ExportOutcome::NotInstalled);
        ASSERT_EQ(rig.shown.size(), 1u);  // the message, naming the book and the reason
        EXPECT_TRUE(rig.shown[0].first.starts_with(kNotAddressBook + std::string("\r\n\r\nFile: ")));
        EXPECT_NE(rig.shown[0].first.find("\r\nReason: "), std::string::npos);
        EXPECT_EQ(rig.shown[0].second, kCompanyTitle);
        EXPECT_TRUE(FileNames(rig.dir.path()).empty()) << "no worksheet, no temporary file";
        EXPECT_TRUE(rig.conversion.enabled);
        EXPECT_FALSE(rig.done.visible);
    }
}

// Memory that runs out in the middle of the walk: the run says so, and the
// temporary files (the export's and the workbook writer's) are gone.
TEST(ExportWithFakeNotes, RunningOutOfMemorySaysSoAndLeavesNothing) {
    struct Hungry : FakeDocument {
        using FakeDocument::FakeDocument;
        NotesValues GetItemValue(const std::string&) override { throw std::bad_alloc(); }
    };
    for (const ExportFormat format : kExportFormats) {
        SCOPED_TRACE(FormatName(format));
        ExportRig rig;
        ScopedSessionClass domino{kDominoProgID, rig.book.Factory()};
        rig.book.Add("A", "1", "Ann", "Able");
        rig.book.documents.push_back(std::make_shared<Hungry>("B", "2"));
        rig.book.documents.back()->position = 1;
        EXPECT_EQ(rig.Run(format).outcome, ExportOutcome::OutOfMemory);
        EXPECT_EQ(rig.shown, (Shown{{"There was not enough memory to export the address book:\r\n" + rig.path +
                                         "\r\n\r\nNo " + std::string(FormatNoun(format)) + " was written; an earlier "
                                         "file of that name is unchanged. Close other programs, or split the address "
                                         "book, then try again.", kCompanyTitle}}));
        EXPECT_TRUE(FileNames(rig.dir.path()).empty());
    }
}

// Values no DXL book can carry: a workbook drops the control characters and counts
// the value; CSV writes every byte as it is.
TEST(ExportWithFakeNotes, ControlCharactersAreDroppedFromAWorkbookAndCounted) {
    for (const ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Csv}) {
        ExportRig rig;
        ScopedSessionClass domino{kDominoProgID, rig.book.Factory()};
        rig.book.Add("A", "1", "Ann\x01", "Able\x1b[0m").Set("City", {std::string("Oslo\x7f")});
        ASSERT_EQ(rig.Run(format).outcome, ExportOutcome::Completed);
        EXPECT_EQ(rig.shown.back().first, format == ExportFormat::Csv ? "1 Contacts Saved Successfully"
                  : "1 Contacts Saved Successfully\r\n\r\n2 values were shortened: longer than 32,767 characters, "
                    "or holding control characters that a workbook cannot store.");
        if (format == ExportFormat::Csv) {
            EXPECT_NE(ReadFile(rig.dir / "names.csv").find("\r\nAnn\x01,,Able\x1b[0m,"), std::string::npos);
        }
    }
}

} // namespace
} // namespace tallowby::test
