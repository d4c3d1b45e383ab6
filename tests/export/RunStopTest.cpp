// A scan or an export stopped from outside at any of its checkpoints (the backup
// copy, the reading of the book, the walk) ends as "Stopped", shows no message and
// leaves every file as it was: no temporary file, the book and an earlier backup or
// worksheet untouched (a backup may only be complete).
#include "tests/addressbook/TestSupport.h"

#include "addressbook/RunControl.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tallowby::test {
namespace {

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
const std::string& BigBook() {
    static const std::string book = [] {
        std::string documents;
        for (int i = 0; i < 2000; ++i) documents += Named("U" + std::to_string(i), "Ann" + std::to_string(i), "Smith");
        return Book(documents);
    }();
    return book;
}

struct Rig : TextSource {
    Rig() {
        WriteFile(path, BigBook());
        PopulateDefaultTree(tree);
    }
    std::string Text() const override { return path; }
    // The files in the folder, each name with a digest of its bytes.
    std::map<std::string, std::size_t> Files() const {
        std::map<std::string, std::size_t> files;
        for (const std::string& name : FileNames(dir.path())) files[name] = Digest(ReadFile(dir / name));
        return files;
    }
    static std::size_t Digest(const std::string& bytes) { return std::hash<std::string>{}(bytes); }
    // The scan (no format) or the export: "completed", "stopped" (having written
    // nothing) or "failed".
    std::string Run(StopAt& monitor, std::optional<ExportFormat> format) {
        const RunScope scope(monitor);
        if (!format) {
            ScanWindow window{*this, tree, progress, control, control, control, messages};
            const ScanOutcome outcome = CmdEnumerateNotes_Click(window, state);
            return outcome == ScanOutcome::Completed ? "completed" : outcome == ScanOutcome::Stopped ? "stopped" : "failed";
        }
        ConversionWindow window{*this, control, progress, control, control, messages};
        state.ContactCount = 2000;
        const ExportResult result = CmdConversion_Click(window, state, *format);
        return result.outcome == ExportOutcome::Completed ? "completed"
               : result.outcome == ExportOutcome::Stopped && result.contactsWritten == 0 ? "stopped" : "failed";
    }

    TempDir dir;
    std::string path = dir / "names.dxl";
    MemoryContactTree tree;
    FakeProgress progress;
    FakeControl control{true, true};
    FakeMessages messages;
    ModuleState state;
};

TEST(RunStop, AScanOrAnExportStoppedAtAnyCheckpointLeavesEveryFileAsItWas) {
    for (const auto format : {std::optional<ExportFormat>(), std::optional(ExportFormat::Xls),
                              std::optional(ExportFormat::Xlsx), std::optional(ExportFormat::Csv)}) {
        SCOPED_TRACE(format ? FormatName(*format) : "scan");
        Rig full;
        StopAt never(0);
        ASSERT_EQ(full.Run(never, format), "completed");
        EXPECT_EQ(never.read, std::make_pair(std::uint64_t{BigBook().size()}, std::uint64_t{BigBook().size()}));
        ASSERT_GT(never.asked, 2000);  // one per contact, and more before the walk

        // The first few checkpoints (the reading of the book), the middle of the walk,
        // and (0) the last: the scan's tree holds all contacts but the last one, the
        // export's bar stands at the last.
        for (const int n : {1, 2, 3, 4, 5, 6, never.asked / 2, 0}) {
            SCOPED_TRACE(n);
            Rig rig;
            WriteFile(format ? OutputPathFor(rig.path, *format) : rig.dir / "names.bak", "an earlier file");
            const auto before = rig.Files();
            StopAt monitor(n, [&] {
                return n == 0 && (format ? !rig.progress.values.empty() && rig.progress.values.back() == 2000
                                         : rig.tree.nodes().size() == 28 + 1999);
            });
            EXPECT_EQ(rig.Run(monitor, format), "stopped");
            if (n > 0) {
                EXPECT_EQ(monitor.asked, n) << "no checkpoint after the stop";
            }
            EXPECT_TRUE(rig.messages.shown.empty());
            EXPECT_EQ(rig.control.changes, 0);
            auto after = rig.Files();
            if (!format && after["names.bak"] == Rig::Digest(BigBook())) after["names.bak"] = before.at("names.bak");
            EXPECT_EQ(after, before);
        }
    }
}

} // namespace
} // namespace tallowby::test
