// tallowby-cli scan DATABASE: the scan of the main window, into a tree in memory.
#include "cli/Commands.h"
#include "cli/Console.h"

#include "addressbook/BookFile.h"
#include "addressbook/ContactTree.h"
#include "addressbook/Messages.h"
#include "addressbook/ModuleState.h"
#include "addressbook/Scan.h"

#include <cstdio>
#include <new>
#include <string>

namespace tallowby::cli {

namespace {

const char kScanUsage[] =
    "Usage: tallowby-cli scan DATABASE\n"
    "Reads the address book DATABASE (a Notes DXL export), copies it to NAME.bak beside\n"
    "it and prints the contact tree, then the scan's message.\n";

// One node per line: a line break or tab inside a name would split the line or the
// columns, so each becomes a space in this listing (the record itself is unchanged).
void AppendOneLine(std::string& out, const std::string& text) {
    for (const char c : text) out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
}

} // namespace

int RunScan(const std::vector<std::string>& args) {
    std::string database;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h"))
        return PrintOut(kScanUsage) && CloseStdout() ? 0 : StdoutFailed("the help");
    if (args.size() == 2 && args[0] == "--") {
        database = args[1];
    } else if (args.size() == 1 && !(args[0].size() > 1 && args[0][0] == '-')) {
        database = args[0];
    }
    if (database.empty()) {  // no argument, more than one, an option, or ""
        std::fputs(kScanUsage, stderr);
        return 2;
    }

    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    FixedText path(database);
    TerminalProgress progress("Reading Notes Address Book");
    StateControl lblRead, cmdContactsCreate, cmdEnumerateNotes;
    RecordedMessages messages;
    ScanWindow window{path, tree, progress, lblRead, cmdContactsCreate, cmdEnumerateNotes,
                      messages};
    ModuleState state;

    ScanReport report;
    const ScanOutcome outcome = CmdEnumerateNotes_Click(window, state, &report);
    progress.Finish();
    if (outcome != ScanOutcome::Completed) {
        std::string text;
        for (const auto& message : messages.messages()) text += ForTerminal(message.text) + "\n";
        PrintError(text);
        return 1;
    }

    // The tree, one node a line, then the scan's message; a backup that could not be
    // made is said on stderr, and the scan still counts as completed.
    std::string out;
    try {
        out.reserve(tree.nodes().size() * 64);
        for (const auto& [node, depth] : tree.InTreeOrder()) {
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
    if (!report.backupProblem.empty()) PrintError("tallowby-cli: " + (kNoBackup + report.backupProblem) + ".\n");
    return 0;
}

} // namespace tallowby::cli
