// tallowby-cli: scan an address book or export it to a worksheet, without windows.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "files/Output.h"
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
    "  tallowby-cli export [--format xls|xlsx|csv|vcf] [--layout classic|full|outlook]\n"
    "                      [--output FILE|-] [--csv-formulas keep|guard] [--vcard 3.0|4.0]\n"
    "                      [--groups-as-categories] [--split N] [--open] DATABASE\n"
    "      Writes every person document of DATABASE to a file: an Excel 2.1\n"
    "      worksheet (xls, the default), an Excel workbook (xlsx: every language,\n"
    "      1,048,575 contacts), UTF-8 CSV (csv, for other programs) or vCards (vcf:\n"
    "      --vcard 3.0, the default, or 4.0; --split N cards a file;\n"
    "      --groups-as-categories adds each person's groups to its categories).\n"
    "      --layout classic (the default) writes the 39 columns of the first values;\n"
    "      full (xlsx, csv) every value of every item, and the groups; outlook (csv)\n"
    "      Outlook's own CSV columns. Without --format the extension of FILE\n"
    "      decides (.xls, .xlsx, .csv, .vcf). The file goes to FILE (\"-\": standard\n"
    "      output, the message then on stderr), or beside the database with the\n"
    "      lower-cased name and the format's extension (names.dxl gives names.xlsx,\n"
    "      names-full.xlsx, names.vcf). Never writes over the address book; an\n"
    "      earlier file is replaced only once the new one is complete. CSV values\n"
    "      that a spreadsheet would read as formulas are counted, and written after\n"
    "      an apostrophe with --csv-formulas guard. --open hands the finished file\n"
    "      to the desktop's opener. Prints the completion message and the files\n"
    "      written and exits 0; on failure prints the reason to stderr and exits 1;\n"
    "      a usage error exits 2.\n"
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
    // An interrupted run leaves no temporary file behind; a signal ignored at the
    // start (nohup) stays ignored.
    tallowby::files::InstallSignalCleanup();
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
