// tallowby-cli export [--format xls|xlsx|csv] [--output FILE] [--open] DATABASE
#include "cli/Commands.h"
#include "cli/Console.h"

#include "addressbook/BookFile.h"
#include "addressbook/Messages.h"
#include "addressbook/ModuleState.h"
#include "export/ExportRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tallowby::cli {

namespace {

const char kExportUsage[] =
    "Usage: tallowby-cli export [--format xls|xlsx|csv] [--output FILE] [--open] DATABASE\n"
    "Run 'tallowby-cli --help' for details.\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "tallowby-cli export: %s\n%s", problem.c_str(), kExportUsage);
    return 2;
}

// An interrupted export leaves no temporary worksheet behind: remove it, then let
// the signal end the process as it would have.
void RemoveTempAndDie(int signal) {
    const char* temp = ExportTempFileInProgress();
    if (temp[0] != '\0') ::unlink(temp);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Hands the worksheet to xdg-open without a shell. Its output goes to stderr so that
// stdout keeps only the export's own lines. Waits a few seconds for an answer: the
// opener normally returns at once, and one that keeps running is left to run.
void OpenWithDesktop(const std::string& path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    std::string program = "xdg-open";
    // xdg-open knows no "--": a name starting with '-' would be taken for an option.
    std::string argument = path.front() == '-' ? "./" + path : path;
    std::vector<char*> argv = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr,
                     "tallowby-cli: cannot run xdg-open (%s); open %s with a spreadsheet "
                     "program yourself (xdg-open comes with the package xdg-utils).\n",
                     std::strerror(error), path.c_str());
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
            std::fprintf(stderr,
                         "tallowby-cli: xdg-open could not open %s (exit status %d); open it "
                         "with a spreadsheet program yourself.\n",
                         path.c_str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            return;
        }
        if (done < 0 && errno != EINTR) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

int RunExport(const std::vector<std::string>& args) {
    std::string output;
    std::string database;
    std::string formatName;
    bool open = false;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--open") {
            open = true;
        } else if (!optionsDone && (arg == "--format" || arg.rfind("--format=", 0) == 0)) {
            if (arg == "--format" && i + 1 >= args.size()) return Usage("--format needs xls, xlsx or csv");
            formatName = arg == "--format" ? args[++i] : arg.substr(9);
            if (!FormatFromName(formatName))
                return Usage("unknown format '" + formatName + "': choose xls, xlsx or csv");
        } else if (!optionsDone && arg == "--output") {
            if (i + 1 >= args.size()) return Usage("--output needs a file name");
            output = args[++i];
            if (output.empty()) return Usage("--output needs a file name");
        } else if (!optionsDone && arg.rfind("--output=", 0) == 0) {
            output = arg.substr(9);
            if (output.empty()) return Usage("--output needs a file name");
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else if (database.empty()) {
            database = arg;
        } else {
            return Usage("only one DATABASE may be given");
        }
    }
    if (database.empty()) return Usage("no DATABASE given");

    // --format decides, else the extension of --output, else the Excel 2.1 worksheet.
    const std::optional<ExportFormat> byName = FormatFromName(formatName);
    const std::optional<ExportFormat> byExtension = FormatFromExtension(output);
    if (byName && byExtension && *byName != *byExtension)
        return Usage("--format " + std::string(FormatName(*byName)) + " does not match the extension of '" +
                     output + "' (" + std::string(FormatExtension(*byExtension)) + ")");
    const ExportFormat format = byName ? *byName : byExtension ? *byExtension : ExportFormat::Xls;

    struct stat info {};
    if (!output.empty() && ::stat(output.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "tallowby-cli: %s is a folder; give --output the name of a file.\n", output.c_str());
        return 1;
    }

    // A book that cannot be read is refused before anything is written.
    if (const BookProblem problem = CheckBookFile(database); !problem.empty()) {
        PrintError(ForTerminal(NotAddressBookMessage(database, problem)) + "\n");
        return 1;
    }

    FixedText path(database);
    StateControl contactsCreate, conversion, conversionDone;
    conversionDone.SetVisible(false);
    TerminalProgress progress("Exporting");
    RecordedMessages messages;
    ConversionWindow window{path, contactsCreate, progress, conversion, conversionDone, messages};
    ModuleState state;  // no scan: the bar's maximum is the view's count

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveTempAndDie);
    const ExportResult result = CmdConversion_Click(window, state, output, format);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
    progress.Finish();

    if (result.outcome != ExportOutcome::Completed) {
        std::fprintf(stderr, "%s\n", ForTerminal(result.message).c_str());
        return 1;
    }
    // The path line names the file from anywhere: a relative path is made absolute.
    std::error_code ignored;
    const std::string written = std::filesystem::absolute(state.ExportFilePath, ignored).string();
    if (!PrintOut(ForTerminal(result.message) + "\n" + written + "\n") || !CloseStdout())
        return StdoutFailed("the export's result");
    if (open) OpenWithDesktop(written);
    return 0;
}

} // namespace tallowby::cli
