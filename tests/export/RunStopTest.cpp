// A scan or an export stopped from outside at any of its checkpoints (the backup
// copy, the reading of the book, the walk) ends as "Stopped", shows no message and
// leaves every file as it was: no temporary file, the book and an earlier backup or
// worksheet untouched (a backup may only be complete).
#include "tests/addressbook/TestSupport.h"

#include "addressbook/RunControl.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <functional>

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
        for (int i = 0; i < 2000; ++i)
            documents += Named("U" + std::to_string(i), "Ann" + std::to_string(i), "Smith");
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

    TempDir dir;
    std::string path = dir / "names.dxl";
    MemoryContactTree tree;
    FakeProgress progress;
    FakeControl control{true, true};
    FakeMessages messages;
    ModuleState state;
};

ScanOutcome Scan(Rig& rig, StopAt& monitor) {
    ScanWindow window{rig, rig.tree, rig.progress, rig.control, rig.control, rig.control, rig.messages};
    const RunScope scope(monitor);
    return CmdEnumerateNotes_Click(window, rig.state);
}

ExportResult Export(Rig& rig, StopAt& monitor, ExportFormat format) {
    ConversionWindow window{rig, rig.control, rig.progress, rig.control, rig.control, rig.messages};
    rig.state.ContactCount = 2000;
    const RunScope scope(monitor);
    return CmdConversion_Click(window, rig.state, format);
}

// The checkpoints worth stopping at, out of about `count`: the first few (the reading
// of the book), the middle of the walk, and (0) the last, that of the last contact.
std::vector<int> StopPoints(int count) { return {1, 2, 3, 4, 5, 6, count / 2, 0}; }

TEST(RunStop, AScanStoppedAtAnyCheckpointLeavesNoTraceButACompleteBackup) {
    Rig full;
    StopAt never(0);
    ASSERT_EQ(Scan(full, never), ScanOutcome::Completed);
    EXPECT_EQ(never.read, std::make_pair(std::uint64_t{BigBook().size()}, std::uint64_t{BigBook().size()}));
    ASSERT_GT(never.asked, 2000);  // one per contact, and more before the walk

    for (const int n : StopPoints(never.asked)) {
        SCOPED_TRACE(n);
        Rig rig;
        WriteFile(rig.dir / "names.bak", "an earlier backup");
        const auto before = rig.Files();
        StopAt monitor(n, [&] { return n == 0 && rig.tree.nodes().size() == 28 + 1999; });
        EXPECT_EQ(Scan(rig, monitor), ScanOutcome::Stopped);
        if (n > 0) {
            EXPECT_EQ(monitor.asked, n) << "no checkpoint after the stop";
        }
        EXPECT_TRUE(rig.messages.shown.empty());
        EXPECT_EQ(rig.control.changes, 0);
        auto after = rig.Files();
        if (after["names.bak"] == Rig::Digest(BigBook())) after["names.bak"] = before.at("names.bak");
        EXPECT_EQ(after, before);
    }
}

TEST(RunStop, AnExportStoppedAtAnyCheckpointLeavesTheEarlierFileAsItWas) {
    for (const ExportFormat format : {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv}) {
        SCOPED_TRACE(static_cast<int>(format));
        Rig full;
        StopAt never(0);
        ASSERT_EQ(Export(full, never, format).outcome, ExportOutcome::Completed);
        ASSERT_GT(never.asked, 2000);

        for (const int n : StopPoints(never.asked)) {
            SCOPED_TRACE(n);
            Rig rig;
            const std::string earlier = OutputPathFor(rig.path, format);
            WriteFile(earlier, "an earlier worksheet");
            const auto before = rig.Files();
            StopAt monitor(n, [&] {
                return n == 0 && !rig.progress.values.empty() && rig.progress.values.back() == 2000;
            });
            const ExportResult result = Export(rig, monitor, format);
            EXPECT_EQ(result.outcome, ExportOutcome::Stopped);
            EXPECT_EQ(result.contactsWritten, 0);
            if (n > 0) {
                EXPECT_EQ(monitor.asked, n);
            }
            EXPECT_TRUE(rig.messages.shown.empty());
            EXPECT_EQ(rig.control.changes, 0);
            EXPECT_EQ(rig.Files(), before);
        }
    }
}

} // namespace
} // namespace tallowby::test
