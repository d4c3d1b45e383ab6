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

// A book in a folder of its own.
struct Rig {
    // The files in the folder with their bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : FileNames(dir.path())) files[name] = ReadFile(dir / name);
        return files;
    }

    TempDir dir;
    std::string path = dir / "names.dxl";
};

// ------------------------------------------------------------- stopped runs

// The run's callback: asks for a stop at its n-th call (never for 0), or once `when`
// holds for the progress told, and counts the calls.
struct StopAt {
    explicit StopAt(int n, std::function<bool(RunStage, std::int64_t)> when = {}) : n(n), when(std::move(when)) {}
    RunCallback Callback() {
        return [this](RunStage stage, std::int64_t done, std::int64_t total) {
            if (stage == RunStage::Reading) read = {done, total};
            return !(++asked == n || (when && when(stage, done)));
        };
    }
    int n;
    std::function<bool(RunStage, std::int64_t)> when;
    int asked = 0;
    std::pair<std::int64_t, std::int64_t> read;
};

// A book of 2,000 persons, over 256 KiB: read in several chunks.
std::string BigBook() {
    std::string documents;
    for (int i = 0; i < 2000; ++i) documents += Named("U" + std::to_string(i), "Ann" + std::to_string(i), "Smith");
    return Book(documents);
}

// The scan (no format) or the export of BigBook: "completed", "stopped" (with no
// message, having written nothing) or "failed".
std::string Outcome(Rig& rig, StopAt& stop, std::optional<ExportFormat> format) {
    if (!format) {
        const ScanResult result = ScanBook({rig.path}, stop.Callback());
        return result.outcome == ScanOutcome::Completed                         ? "completed"
               : result.outcome == ScanOutcome::Stopped && result.message.empty() ? "stopped"
                                                                                 : "failed";
    }
    ExportRequest request;
    request.bookPath = rig.path;
    request.format = *format;
    request.expectedContacts = 2000;
    const ExportResult result = ExportBook(request, stop.Callback());
    return result.outcome == ExportOutcome::Completed ? "completed"
           : result.outcome == ExportOutcome::Stopped && result.contactsWritten == 0 && result.message.empty()
               ? "stopped"
               : "failed";
}

// Stopped at any of its calls of the callback (the backup copy, the reading of the
// book, the walk), a run ends as "Stopped", with no message, and leaves every file as
// it was: no temporary file, the book and an earlier backup or worksheet untouched.
TEST(RunStop, AScanOrAnExportStoppedAtAnyCheckpointLeavesEveryFileAsItWas) {
    for (const auto format : {std::optional<ExportFormat>(), std::optional(ExportFormat::Xls),
                              std::optional(ExportFormat::Xlsx), std::optional(ExportFormat::Csv)}) {
        SCOPED_TRACE(format ? FormatName(*format) : "scan");
        Rig full;
        WriteFile(full.path, BigBook());
        StopAt never(0);
        ASSERT_EQ(Outcome(full, never, format), "completed");
        const auto size = static_cast<std::int64_t>(BigBook().size());
        EXPECT_EQ(never.read, std::make_pair(size, size));
        ASSERT_GT(never.asked, 2000);  // one per contact, and more before the walk
        // The first few calls (the reading of the book), the middle of the walk, and
        // (0) the last contact.
        for (const int n : {1, 2, 3, never.asked / 2, 0}) {
            SCOPED_TRACE(n);
            Rig rig;
            WriteFile(rig.path, BigBook());
            WriteFile(format ? OutputPathFor(rig.path, *format) : rig.dir / "names.bak", "an earlier file");
            const auto before = rig.Files();
            StopAt stop(n, [&](RunStage stage, std::int64_t done) {
                return n == 0 && stage == RunStage::Contacts && done == 2000;
            });
            EXPECT_EQ(Outcome(rig, stop, format), "stopped");
            if (n > 0) {
                EXPECT_EQ(stop.asked, n) << "nothing more after the stop";
            }
            EXPECT_EQ(rig.Files(), before);
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
    const ExportResult result = Export(rig.path);
    EXPECT_EQ(result.outcome, ExportOutcome::OutOfMemory);
    EXPECT_EQ(result.message + "|" + result.title,
              "There was not enough memory to export the address book:\r\n" + rig.path +
                  "\r\n\r\nNo worksheet was written; an earlier file of that name is unchanged. Close other "
                  "programs, or split the address book, then try again.|" + kCompanyTitle);
    EXPECT_TRUE(FileNames(rig.dir.path()).empty());
}

} // namespace
} // namespace tallowby::test
