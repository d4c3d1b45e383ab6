// Where a file goes when the target is not a plain new file: a symbolic link (to a
// file, through another link, to nothing yet, to a device), a pipe, a name of 251
// bytes. Each holds for every format.
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tallowby::test {
namespace {

// The first bytes of a complete file of each format.
std::string Magic(ExportFormat format) {
    return format == ExportFormat::Xls ? std::string("\x09\x00\x04\x00", 4)
           : format == ExportFormat::Xlsx ? "PK\x03\x04" : "\xEF\xBB\xBF" "First Name,";
}

class TargetsTest : public ::testing::TestWithParam<ExportFormat> {
protected:
    void SetUp() override {
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "elsewhere");
        fs::create_directories(dir / "tmp");
        WriteFile(database, SmallBook());
        // A workbook for a device is built in $TMPDIR first: keep it in the test's folder.
        const char* tmp = std::getenv("TMPDIR");
        savedTmp = tmp ? tmp : "";
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (savedTmp.empty()) ::unsetenv("TMPDIR");
        else ::setenv("TMPDIR", savedTmp.c_str(), 1);
        for (const auto& [name, kind] : TakeSnapshot(dir.path()))
            EXPECT_EQ(fs::path(name).filename().string()[0] == '.', false) << "left behind: " << name;
    }
    ExportResult Export(const std::string& output, const std::string& book) {
        return window.Export(book, output, GetParam());
    }
    std::string Ext() const { return std::string(FormatExtension(GetParam())); }

    TempDir dir;
    const std::string database = dir / "names.dxl";
    RecordingWindow window;
    std::string savedTmp;
};

TEST_P(TargetsTest, ALinkKeepsBeingALinkAndTheFileItNamesIsReplaced) {
    const struct { const char* name; std::vector<std::pair<std::string, std::string>> links; std::string file; } cases[] = {
        {"to a file", {{"out/link", "../elsewhere/kept"}}, "elsewhere/kept"},
        {"through a link", {{"out/link", "second"}, {"out/second", "../elsewhere/kept"}}, "elsewhere/kept"},
        {"to nothing yet", {{"out/link", "../elsewhere/new"}}, "elsewhere/new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "elsewhere/kept" + Ext(), "an earlier file\n");
        for (const auto& [link, target] : c.links) fs::create_symlink(target + Ext(), dir / link + Ext());
        ASSERT_EQ(Export(dir / "out/link" + Ext(), database).outcome, ExportOutcome::Completed);
        for (const auto& [link, target] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir / link + Ext()));
            EXPECT_EQ(fs::read_symlink(dir / link + Ext()), target + Ext());
        }
        EXPECT_EQ(ReadFile(dir / c.file + Ext()).substr(0, Magic(GetParam()).size()), Magic(GetParam()));
        for (const auto& [link, target] : c.links) fs::remove(dir / link + Ext());
        fs::remove(dir / c.file + Ext());
    }
}

// As /dev/stdout is a link to a device: the device is written, the link stays.
TEST_P(TargetsTest, ALinkToADeviceWritesTheDevice) {
    if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here (needs root): " << std::strerror(errno);
    fs::create_symlink("../null", dir / "out/stdout");
    ASSERT_EQ(Export(dir / "out/stdout", database).outcome, ExportOutcome::Completed);
    EXPECT_TRUE(fs::is_symlink(dir / "out/stdout"));
    EXPECT_TRUE(fs::is_character_file(dir / "null"));
}

// The book is read before the first byte goes to a pipe: a book that is not one
// sends nothing; one that is sends the whole file.
TEST_P(TargetsTest, APipeGetsNothingUntilTheBookHasBeenRead) {
    const std::string pipe = dir / "out/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // the export's open does not block
    ASSERT_GE(reader, 0);
    const auto drain = [&] {
        std::string bytes(1 << 20, '\0');
        const ssize_t n = ::read(reader, bytes.data(), bytes.size());
        bytes.resize(n > 0 ? std::size_t(n) : 0);
        return bytes;
    };
    WriteFile(dir / "groups.dxl", DxlBook(""));
    EXPECT_EQ(Export(pipe, dir / "groups.dxl").outcome, ExportOutcome::NotAddressBook);
    EXPECT_EQ(drain(), "");
    EXPECT_EQ(Export(pipe, database).outcome, ExportOutcome::Completed);
    EXPECT_EQ(drain().substr(0, Magic(GetParam()).size()), Magic(GetParam()));
    ::close(reader);
    EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
}

// The temporary name is cut to fit the longest file name; the target keeps its own.
TEST_P(TargetsTest, ATargetNameOf251BytesIsWritten) {
    const std::string name = std::string(251 - Ext().size(), 'n') + Ext();
    ASSERT_EQ(Export(dir / "out/" + name, database).outcome, ExportOutcome::Completed) << window.messages.texts.back();
    EXPECT_EQ(ReadFile(dir / "out/" + name).substr(0, Magic(GetParam()).size()), Magic(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Formats, TargetsTest,
                         ::testing::Values(ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

} // namespace
} // namespace tallowby::test
