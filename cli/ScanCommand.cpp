// tallowby-cli scan DATABASE: the scan of the main window, printed as its tree.
#include "cli/Commands.h"
#include "cli/Console.h"

#include "addressbook/BookFile.h"
#include "addressbook/Messages.h"
#include "addressbook/Scan.h"
#include "files/Problem.h"

#include <cstdio>
#include <new>
#include <string>

namespace tallowby::cli {

namespace {

const char kScanUsage[] =
    "Usage: tallowby-cli scan DATABASE\n"
    "Reads the address book DATABASE (a Notes DXL export), copies it to NAME.bak beside\n"
    "it and prints the contact tree, then the scan's message.\n";

int Usage(const std::string& problem) {
    PrintError("tallowby-cli scan: " + problem + "\n" + kScanUsage);
    return 2;
}

// One node per line: a line break or tab inside a name would split the line or the
// columns, so each becomes a space in this listing (the record itself is unchanged);
// other control characters are shown escaped, so that none reaches the terminal raw.
void AppendOneLine(std::string& out, const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    out += files::Printable(line);
}

} // namespace

int RunScan(const std::vector<std::string>& args) {
    std::string database;
    bool optionsDone = false;
    for (const std::string& arg : args) {
        if (!optionsDone && (arg == "--help" || arg == "-h"))
            return PrintOut(kScanUsage) && CloseStdout() ? 0 : StdoutFailed("the help");
    }
    for (const std::string& arg : args) {
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return Usage(UnknownOption(arg));
        } else if (!database.empty()) {
            return Usage("only one DATABASE may be given");
        } else {
            database = arg;
        }
    }
    if (database.empty()) return Usage("no DATABASE given");

    TerminalProgress progress("Reading Notes Address Book");
    const ScanResult result = ScanBook({database}, progress.Callback());
    progress.Finish();
    if (result.outcome != ScanOutcome::Completed) {
        PrintError(ForTerminal(result.message) + "\n");
        return 1;
    }

    // The tree, one node a line, then the scan's message; a backup that could not be
    // made is said on stderr, and the scan still counts as completed.
    std::string out;
    try {
        out.reserve(result.tree.nodes().size() * 64);
        for (const auto& [node, depth] : result.tree.InTreeOrder()) {
            out.append(static_cast<std::size_t>(depth) * 2, ' ');
            AppendOneLine(out, node->text);
            if (node->image == kImageContact) {
                out += '\t';
                AppendOneLine(out, node->key);
            }
            out += '\n';
        }
    } catch (const std::bad_alloc&) {
        PrintError(ForTerminal(NotAddressBookMessage(database, MemoryProblem())) + "\n");
        return 1;
    }
    out += kScanCompleted;
    out += '\n';
    if (!PrintOut(out) || !CloseStdout()) return StdoutFailed("the contact tree");
    if (!result.backupProblem.empty()) PrintError("tallowby-cli: " + (kNoBackup + result.backupProblem) + ".\n");
    return 0;
}

} // namespace tallowby::cli
