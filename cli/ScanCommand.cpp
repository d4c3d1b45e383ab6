// tallowby-cli scan DATABASE: the scan of the main window, into a tree in memory.
#include "cli/Commands.h"
#include "cli/Console.h"

#include "addressbook/ContactTree.h"
#include "addressbook/ModuleState.h"
#include "addressbook/Scan.h"

#include <cstdio>
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

void WriteAll(std::FILE* stream, const std::string& text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
}

} // namespace

int RunScan(const std::vector<std::string>& args) {
    std::string database;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kScanUsage, stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == "--") {
        database = args[1];
    } else if (args.size() == 1 && !(args[0].size() > 1 && args[0][0] == '-')) {
        database = args[0];
    } else {
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

    const ScanOutcome outcome = CmdEnumerateNotes_Click(window, state);
    progress.Finish();

    std::string text;
    for (const auto& message : messages.messages()) {
        text += ForTerminal(message.text);
        text += '\n';
    }
    if (outcome != ScanOutcome::Completed) {
        std::fflush(stdout);
        WriteAll(stderr, text + "Address book: " + database + "\n");
        return 1;
    }

    std::string out;
    out.reserve(tree.nodes().size() * 64 + text.size());
    for (const auto& [node, depth] : tree.InTreeOrder()) {
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        AppendOneLine(out, node->text);
        if (node->image == kImageContact) {
            out += '\t';
            AppendOneLine(out, node->key);
        }
        out += '\n';
    }
    out += text;
    WriteAll(stdout, out);
    if (std::fflush(stdout) != 0) {
        std::perror("tallowby-cli: writing the contact tree");
        return 1;
    }
    return 0;
}

} // namespace tallowby::cli
