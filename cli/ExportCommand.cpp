// tallowby-cli export [options] DATABASE
#include "cli/Commands.h"
#include "cli/Console.h"

#include "addressbook/BookFile.h"
#include "addressbook/Messages.h"
#include "export/ExportNames.h"
#include "export/ExportRun.h"
#include "files/Problem.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tallowby::cli {

namespace {

const char kExportUsage[] =
    "Usage: tallowby-cli export [--format xls|xlsx|csv|vcf] [--layout classic|full|outlook]\n"
    "                           [--output FILE|-] [--csv-formulas keep|guard] [--vcard 3.0|4.0]\n"
    "                           [--groups-as-categories] [--split N] [--open] DATABASE\n"
    "Run 'tallowby-cli --help' for details.\n";

int Usage(const std::string& problem) {
    PrintError("tallowby-cli export: " + problem + "\n" + kExportUsage);
    return 2;
}

// Hands the file to xdg-open without a shell. Its output goes to stderr so that
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
    const std::string shown = files::Printable(path);
    if (error != 0) {
        PrintError("tallowby-cli: cannot run xdg-open (" + std::string(std::strerror(error)) + "); open " + shown +
                   " with a spreadsheet program yourself (xdg-open comes with the package xdg-utils).\n");
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
            PrintError("tallowby-cli: xdg-open could not open " + shown + " (exit status " +
                       std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                       "); open it with a spreadsheet program yourself.\n");
            return;
        }
        if (done < 0 && errno != EINTR) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The command line, read.
struct Options {
    std::string database, output, formatName, layoutName, formulas, vcard, split;
    bool open = false, groupsAsCategories = false;
};

// The value of an option given as "--name VALUE" or "--name=VALUE"; nullopt when arg
// is not that option. `missing` is set when the value is missing.
std::optional<std::string> ValueOf(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                                   bool& missing) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) {
            missing = true;
            return std::string();
        }
        return args[++i];
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    return std::nullopt;
}

// Reads the options; "" when they are fine, else the usage problem.
std::string Read(const std::vector<std::string>& args, Options& options) {
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool missing = false;
        if (optionsDone || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.database.empty()) return "only one DATABASE may be given";
            options.database = arg;
            if (arg.empty()) return "no DATABASE given";
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--open") {
            options.open = true;
        } else if (arg == "--groups-as-categories") {
            options.groupsAsCategories = true;
        } else if (auto value = ValueOf(args, i, "--format", missing)) {
            options.formatName = *value;
        } else if (auto value = ValueOf(args, i, "--layout", missing)) {
            options.layoutName = *value;
        } else if (auto value = ValueOf(args, i, "--output", missing)) {
            if (value->empty()) return "--output needs a file name";
            options.output = *value;
        } else if (auto value = ValueOf(args, i, "--csv-formulas", missing)) {
            options.formulas = *value;
        } else if (auto value = ValueOf(args, i, "--vcard", missing)) {
            options.vcard = *value;
        } else if (auto value = ValueOf(args, i, "--split", missing)) {
            options.split = *value;
        } else {
            return UnknownOption(arg);
        }
        if (missing) return arg + " needs a value";
    }
    if (options.database.empty()) return "no DATABASE given";
    return {};
}

// The request the options make; "" when they fit together, else the usage problem.
std::string MakeRequest(const Options& options, ExportRequest& request) {
    request.bookPath = options.database;
    request.outputPath = options.output == "-" ? "-" : options.output;
    std::optional<ExportFormat> byName;
    if (!options.formatName.empty() && !(byName = FormatFromName(options.formatName)))
        return "unknown format '" + files::Printable(options.formatName) + "': choose xls, xlsx, csv or vcf";
    std::optional<ExportLayout> layout;
    if (!options.layoutName.empty() && !(layout = LayoutFromName(options.layoutName)))
        return "unknown layout '" + files::Printable(options.layoutName) + "': choose classic, full or outlook";

    // --format decides, else the extension of --output, else what the other options
    // imply: a vCard for the vCard options, CSV for Outlook's layout, a workbook for the
    // whole book, else the Excel 2.1 worksheet.
    const bool toStdout = IsStandardOutput(options.output);
    const std::optional<ExportFormat> byExtension = toStdout ? std::nullopt : FormatFromExtension(options.output);
    if (!options.output.empty() && !toStdout && !byExtension && !byName) {
        const std::string extension(ExtensionOf(options.output));
        return "the extension of '" + files::Printable(options.output) + "' (" +
               (extension.empty() ? std::string("none") : files::Printable(extension)) +
               ") names no format: use .xls, .xlsx, .csv or .vcf, or give --format to write that name anyway";
    }
    if (byName && byExtension && *byName != *byExtension)
        return "--format " + std::string(FormatName(*byName)) + " does not match the extension of '" +
               files::Printable(options.output) + "' (" + std::string(FormatExtension(*byExtension)) + ")";
    const bool cardOptions = !options.vcard.empty() || !options.split.empty() || options.groupsAsCategories;
    request.format = byName ? *byName
                     : byExtension ? *byExtension
                     : cardOptions ? ExportFormat::Vcf
                     : layout == ExportLayout::Outlook ? ExportFormat::Csv
                     : layout == ExportLayout::Full ? ExportFormat::Xlsx
                                                    : ExportFormat::Xls;
    request.layout = layout.value_or(request.format == ExportFormat::Vcf ? ExportLayout::Full : ExportLayout::Classic);
    if (request.format == ExportFormat::Vcf && request.layout == ExportLayout::Classic) request.layout = ExportLayout::Full;
    if (const std::string why = LayoutMismatch(request.format, request.layout); !why.empty()) return why;

    if (!options.formulas.empty()) {
        if (request.format != ExportFormat::Csv) return "--csv-formulas is for CSV files (--format csv)";
        if (options.formulas == "guard") request.csvFormulas = CsvFormulas::Guard;
        else if (options.formulas != "keep") return "--csv-formulas takes keep or guard";
    }
    if (cardOptions && request.format != ExportFormat::Vcf)
        return "--vcard, --split and --groups-as-categories are for vCard files (--format vcf)";
    if (!options.vcard.empty()) {
        if (options.vcard == "3.0" || options.vcard == "3") request.vcard.version = 3;
        else if (options.vcard == "4.0" || options.vcard == "4") request.vcard.version = 4;
        else return "--vcard takes 3.0 or 4.0";
    }
    request.vcard.groupsAsCategories = options.groupsAsCategories;
    if (!options.split.empty()) {
        int32_t split = 0;
        const auto [end, ec] = std::from_chars(options.split.data(), options.split.data() + options.split.size(), split);
        if (ec != std::errc() || end != options.split.data() + options.split.size() || split < 1)
            return "--split takes a number of cards, 1 or more";
        request.vcard.split = split;
    }
    return {};
}

} // namespace

int RunExport(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h")
            return PrintOut(kExportUsage) && CloseStdout() ? 0 : StdoutFailed("the help");
    }
    Options options;
    if (const std::string problem = Read(args, options); !problem.empty()) return Usage(problem);
    ExportRequest request;
    if (const std::string problem = MakeRequest(options, request); !problem.empty()) return Usage(problem);

    // A book that cannot be read is refused before anything is written.
    if (const BookProblem problem = CheckBookFile(request.bookPath); !problem.empty()) {
        PrintError(ForTerminal(NotAddressBookMessage(request.bookPath, problem)) + "\n");
        return 1;
    }

    TerminalProgress progress("Exporting");
    const ExportResult result = ExportBook(request, progress.Callback());
    progress.Finish();

    if (result.outcome != ExportOutcome::Completed) {
        PrintError(ForTerminal(result.message) + "\n");
        return 1;
    }
    if (result.toStandardOutput) {
        // The file went to standard output: the message goes to stderr.
        if (!CloseStdout()) return StdoutFailed("the export");
        PrintError(ForTerminal(result.message) + "\n");
        return 0;
    }
    // The path lines name the files from anywhere: a relative path is made absolute.
    std::string lines = ForTerminal(result.message) + "\n";
    std::vector<std::string> written;
    for (const std::string& file : result.files) {
        std::error_code ignored;
        written.push_back(std::filesystem::absolute(file, ignored).string());
        lines += files::Printable(written.back()) + "\n";
    }
    if (!PrintOut(lines) || !CloseStdout()) return StdoutFailed("the export's result");
    if (options.open && !written.empty()) OpenWithDesktop(written.front());
    return 0;
}

} // namespace tallowby::cli
