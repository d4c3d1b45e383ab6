// The desktop program finds its manual beside itself in the build tree and in the
// data folder once installed; with neither it falls back to the copy built into it.
#include "ui/HelpWindow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class HelpLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-help-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    // An empty manual at `relative` under the temporary folder.
    fs::path MakeManual(const fs::path& relative) {
        const fs::path file = dir_ / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "<html></html>\n";
        return fs::canonical(file);
    }
    static QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

    fs::path dir_;
};

TEST_F(HelpLocationTest, BuildTreeUsesTheCopyBesideTheProgram) {
    const fs::path program(TALLOWBY_PROGRAM_DIR);
    const fs::path manual = fs::canonical(program / "help/manual.html");
    EXPECT_EQ(tallowby::HelpFileUrl(Q(program)), QUrl::fromLocalFile(Q(manual)));
}

TEST_F(HelpLocationTest, InstalledProgramUsesTheDataFolder) {
    // The folders the install rules use, under a prefix of our own.
    const fs::path manual = MakeManual(fs::path(TALLOWBY_INSTALLED_HELPDIR) / "manual.html");
    fs::create_directories(dir_ / TALLOWBY_INSTALLED_BINDIR);
    EXPECT_EQ(tallowby::HelpFileUrl(Q(dir_ / TALLOWBY_INSTALLED_BINDIR)),
              QUrl::fromLocalFile(Q(manual)));
}

TEST_F(HelpLocationTest, WithoutAManualFileTheBuiltInCopyIsShown) {
    fs::create_directories(dir_ / "bin");
    EXPECT_EQ(tallowby::HelpFileUrl(Q(dir_ / "bin")), QUrl("qrc:/help/manual.html"));
}

} // namespace
