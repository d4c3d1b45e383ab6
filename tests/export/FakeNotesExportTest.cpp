// The export run against fake Notes objects: what a DXL book cannot produce (an item
// that cannot be read, control characters, memory running out, the second session
// class).
#include "tests/addressbook/TestSupport.h"

#include "addressbook/Messages.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

// The main window's path box and export button and the conversion window. Each
// message box keeps the file as it is at the moment the box is shown.
struct ExportRig : TextSource, MessageBoxes {
    std::string Text() const override { return path; }
    void Show(const std::string& text, const std::string& title) override {
        shown.emplace_back(text, title);
        atMessage = std::filesystem::exists(target) ? ReadFile(target) : "";
    }
    ExportResult Run(ExportFormat format = ExportFormat::Xls) {
        target = OutputPathFor(path, format);
        ConversionWindow window{*this, contactsCreate, progress, conversion, done, *this};
        return CmdConversion_Click(window, state, format);
    }
    TempDir dir;
    std::string path = dir / "names.nsf", target, atMessage;
    FakeBook book;
    FakeProgress progress;
    FakeControl contactsCreate{true, true}, conversion{true, true}, done{true, false};
    Shown shown;
    ModuleState state;
};
// An item that cannot be read gives an empty cell and the walk goes on. A workbook
// drops control characters and counts the values; the other formats keep them.
TEST(ExportWithFakeNotes, OddValuesAreWrittenAsEachFormatCan) {
    for (const ExportFormat format : kExportFormats) {
        SCOPED_TRACE(FormatName(format));
        ExportRig rig;
        ScopedSessionClass domino{kDominoProgID, rig.book.Factory()};
        rig.book.Add("A", "1", "Ann\x01", "Able\x1b[0m").Set("City", {std::string("Oslo\x7f")});
        rig.book.Add("B", "2", "Bob", "Baker").Set("City", {std::string("Rome")}).failing = {"City"};
        rig.book.Add("C", "3", "Cy", "Cole").Set("City", {std::string("Kyiv")});
        ASSERT_EQ(rig.Run(format).outcome, ExportOutcome::Completed) << rig.shown.back().first;
        EXPECT_EQ(rig.shown, (Shown{{format != ExportFormat::Xlsx ? "3 Contacts Saved Successfully"
                                     : "3 Contacts Saved Successfully\r\n\r\n2 values were shortened: longer than "
                                       "32,767 characters, or holding control characters that a workbook cannot "
                                       "store.", kConversionTitle}}));
        const std::string file = ReadFile(rig.target);
        EXPECT_EQ(rig.atMessage, file) << "the file is complete before the message";
        EXPECT_FALSE(rig.conversion.enabled || rig.contactsCreate.enabled);
        EXPECT_TRUE(rig.done.visible);
        if (format == ExportFormat::Xlsx) continue;  // compressed
        for (const char* kept : {"Ann\x01", "Able\x1b[0m", "Oslo\x7f", "Kyiv"}) EXPECT_NE(file.find(kept), file.npos);
        EXPECT_EQ(file.find("Rome"), std::string::npos);
    }
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
        EXPECT_TRUE(rig.shown[0].first.starts_with(kNotAddressBook + std::string("\r\n\r\nFile: ") + rig.path));
        EXPECT_NE(rig.shown[0].first.find("\r\nReason: "), std::string::npos);
        EXPECT_EQ(rig.shown[0].second, kCompanyTitle);
        EXPECT_TRUE(FileNames(rig.dir.path()).empty()) << "no worksheet, no temporary file";
        EXPECT_TRUE(rig.conversion.enabled && !rig.done.visible);
    }
}

// Memory that runs out in the middle of the walk: the run says so, and the
// temporary files (the export's and the workbook writer's) are gone.
TEST(ExportWithFakeNotes, RunningOutOfMemorySaysSoAndLeavesNothing) {
    for (const ExportFormat format : kExportFormats) {
        SCOPED_TRACE(FormatName(format));
        ExportRig rig;
        ScopedSessionClass domino{kDominoProgID, rig.book.Factory()};
        rig.book.Add("A", "1", "Ann", "Able");
        rig.book.Add("B", "2", "Bob", "Baker").failing = {"City out of memory"};
        EXPECT_EQ(rig.Run(format).outcome, ExportOutcome::OutOfMemory);
        EXPECT_EQ(rig.shown, (Shown{{"There was not enough memory to export the address book:\r\n" + rig.path +
                                         "\r\n\r\nNo " + std::string(FormatNoun(format)) + " was written; an earlier "
                                         "file of that name is unchanged. Close other programs, or split the address "
                                         "book, then try again.", kCompanyTitle}}));
        EXPECT_TRUE(FileNames(rig.dir.path()).empty());
    }
}

} // namespace
} // namespace tallowby::test
