// tallowby-cli: scan an address book or export it to a worksheet, without windows.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "tallowby/Version.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage:\n"
    "  tallowby-cli scan DATABASE\n"
    "      Reads the address book DATABASE (a Notes DXL export, e.g. names.dxl),\n"
    "      makes the backup copy beside it (NAME.bak) and prints the contact tree:\n"
    "      one line per node, indented two spaces per level; a contact line is its\n"
    "      display text, a tab and its key. Then prints the scan's message.\n"
    "      Exit status 0 when the scan completed, 1 otherwise.\n"
    "\n"
    "  tallowby-cli export [--format xls|xlsx|csv] [--output FILE] [--open] DATABASE\n"
    "      Writes every person document of DATABASE to a spreadsheet file: an\n"
    "      Excel 2.1 worksheet (xls, the default), an Excel workbook (xlsx: every\n"
    "      language, 1,048,575 contacts) or UTF-8 CSV (csv, for other programs).\n"
    "      Without --format the extension of FILE decides (.xls, .xlsx, .csv).\n"
    "      The file goes to FILE, or beside the database with the lower-cased name\n"
    "      and the format's extension (names.dxl gives names.xlsx). Never writes\n"
    "      over the address book; an earlier file is replaced only once the new\n"
    "      one is complete. --open hands the finished file to the desktop's opener.\n"
    "      Prints the completion message and exits 0; on failure prints the\n"
    "      reason to stderr and exits 1; a usage error exits 2.\n"
    "\n"
    "  tallowby-cli --help\n"
    "      Shows this text.\n"
    "\n"
    "  tallowby-cli --version\n"
    "      Prints the program's version.\n";

} // namespace

int main(int argc, char** argv) {
    // Values become text by the user's regional settings.
    std::setlocale(LC_ALL, "");
    // A write past the file size limit, or into a pipe nobody reads, fails with an
    // error that the command reports (and cleans up after) instead of ending it.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    // Help and version are the output asked for: one that does not arrive in full
    // (a full disk, a closed pipe) fails, as a listing does.
    using tallowby::cli::CloseStdout, tallowby::cli::PrintOut, tallowby::cli::StdoutFailed;
    if (command == "--help" || command == "-h" || command == "help") {
        return PrintOut(kUsage) && CloseStdout() ? 0 : StdoutFailed("the help");
    }
    if (command == "--version") {
        return PrintOut("tallowby-cli " TALLOWBY_VERSION_TEXT "\n") && CloseStdout()
                   ? 0 : StdoutFailed("the version");
    }
    if (command == "scan") return tallowby::cli::RunScan(args);
    if (command == "export") return tallowby::cli::RunExport(args);
    std::fprintf(stderr, "tallowby-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return 2;
}
