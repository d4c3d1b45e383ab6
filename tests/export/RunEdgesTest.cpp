// The export run at its edges: a scan or an export stopped from outside at any of its
// checkpoints, and memory running out (fake Notes objects).
#include "tests/addressbook/TestSupport.h"

#include "addressbook/Messages.h"
#include "addressbook/RunControl.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tallowby::test {
namespace {

// The main window and the conversion window.
struct Rig : TextSource {
    Rig() { PopulateDefaultTree(tree); }
    std::string Text() const override { return path; }
    // The files in the folder with their bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : FileNames(dir.path())) files[name] = ReadFile(dir / name);
        return files;
    }

    TempDir dir;
    std::string path = dir / "names.dxl";
    MemoryContactTree tree;
    FakeProgress progress;
    FakeControl control{true, true};
    FakeMessages messages;
    ModuleState state;
    ConversionWindow conversion{*this, control, progress, control, control, messages};
    ScanWindow scan{*this, tree, progress, control, control, control, messages};
};

// ------------------------------------------------------------- stopped runs

// Asks for a stop at its n-th checkpoint (never for 0), or once `when` holds, and
// counts the checkpoints.
struct StopAt : RunMonitor {
    explicit StopAt(int n, std::function<bool()> when = {}) : n(n), when(std::move(when)) {}
    bool StopRequested() const override { return ++asked == n || (when && when()); }
    void Reading(std::uint64_t done, std::uint64_t total) override { read = {done, total}; }
    int n;
    std::function<bool()> when;
    mutable int asked = 0;
    std::pair<std::uint64_t, std::uint64_t> read;
};

// A book of 2,000 persons, over 256 KiB: read in several chunks.
std::string BigBook() {
    std::string documents;
    for (int i = 0; i < 2000; ++i) documents += Named("U" + std::to_string(i), "Ann" + std::to_string(i), "Smith");
    return Book(documents);
}

// The scan (no format) or the export of BigBook: "completed", "stopped" (having
// written nothing) or "failed".
std::string Outcome(Rig& rig, StopAt& monitor, std::optional<ExportFormat> format) {
    const RunScope scope(monitor);
    if (!format) {
        const ScanOutcome outcome = CmdEnumerateNotes_Click(rig.scan, rig.state);
        return outcome == ScanOutcome::Completed ? "completed" : outcome == ScanOutcome::Stopped ? "stopped" : "failed";
    }
    rig.state.ContactCount = 2000;
    const ExportResult result = CmdConversion_Click(rig.conversion, rig.state, *format);
    return result.outcome == ExportOutcome::Completed ? "completed"
           : result.outcome == ExportOutcome::Stopped && result.contactsWritten == 0 ? "stopped" : "failed";
}

// Stopped at any checkpoint (the backup copy, the reading of the book, the walk), a
// run ends as "Stopped", shows no message and leaves every file as it was: no
// temporary file, the book and an earlier backup or worksheet untouched (a backup
// may only be complete).
TEST(RunStop, AScanOrAnExportStoppedAtAnyCheckpointLeavesEveryFileAsItWas) {
    for (const auto format : {std::optional<ExportFormat>(), std::optional(ExportFormat::Xls),
                              std::optional(ExportFormat::Xlsx), std::optional(ExportFormat::Csv)}) {
        SCOPED_TRACE(format ? FormatName(*format) : "scan");
        Rig full;
        WriteFile(full.path, BigBook());
        StopAt never(0);
        ASSERT_EQ(Outcome(full, never, format), "completed");
        EXPECT_EQ(never.read, std::make_pair(std::uint64_t{BigBook().size()}, std::uint64_t{BigBook().size()}));
        ASSERT_GT(never.asked, 2000);  // one per contact, and more before the walk
        // The first few checkpoints (the reading of the book), the middle of the walk,
        // and (0) the last: the scan's tree holds all contacts but the last one, the
        // export's bar stands at the last.
        for (const int n : {1, 2, 3, 4, 5, 6, never.asked / 2, 0}) {
            SCOPED_TRACE(n);
            Rig rig;
            WriteFile(rig.path, BigBook());
            WriteFile(format ? OutputPathFor(rig.path, *format) : rig.dir / "names.bak", "an earlier file");
            const auto before = rig.Files();
            StopAt monitor(n, [&] {
                return n == 0 && (format ? !rig.progress.values.empty() && rig.progress.values.back() == 2000
                                         : rig.tree.nodes().size() == 28 + 1999);
            });
            EXPECT_EQ(Outcome(rig, monitor, format), "stopped");
            if (n > 0) {
                EXPECT_EQ(monitor.asked, n) << "no checkpoint after the stop";
            }
            EXPECT_TRUE(rig.messages.shown.empty());
            EXPECT_EQ(rig.control.changes, 0);
            auto after = rig.Files();
            if (!format && after["names.bak"] == BigBook()) after["names.bak"] = before.at("names.bak");
            EXPECT_EQ(after, before);
        }
    }
}

// ------------------------------------------------------------- fake Notes objects

// Memory that runs out in the middle of the walk: the run says so, and the temporary
// file is gone (what each format's writer leaves goes as for a stop, above).
TEST(ExportWithFakeNotes, RunningOutOfMemorySaysSoAndLeavesNothing) {
    Rig rig;
    FakeBook book;
    ScopedSessionClass domino{kDominoProgID, book.Factory()};
    book.Add("A", "1", "Ann", "Able");
    book.Add("B", "2", "Bob", "Baker").failing = {"City out of memory"};
    EXPECT_EQ(CmdConversion_Click(rig.conversion, rig.state).outcome, ExportOutcome::OutOfMemory);
    EXPECT_EQ(rig.messages.shown, (Shown{{"There was not enough memory to export the address book:\r\n" + rig.path +
                                              "\r\n\r\nNo worksheet was written; an earlier file of that name is "
                                              "unchanged. Close other programs, or split the address book, then try "
                                              "again.", kCompanyTitle}}));
    EXPECT_TRUE(FileNames(rig.dir.path()).empty());
}

} // namespace
} // namespace tallowby::test
