// A contact's display text and category, the backup path, and the scan against fake
// Notes sessions: the rescan, the failure rules of the walk and of the two session
// classes, and the messages.
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

using namespace tallowby::test;
using Texts = std::vector<std::string>;

// Spaces trimmed at both ends only, empty parts left out.
TEST(ContactRecord, DisplayTextAndCategory) {
    const char* names[][4] = {
        {"Ann", "M.", "Lee", "Ann M. Lee"}, {"", "", "Lee", "Lee"}, {"", "M.", "", "M."}, {"", "", "", ""},
        {"  Ann ", "", "Lee  ", "Ann  Lee"}, {"Ann", " ", "Lee", "Ann   Lee"}, {"\tAnn", "", "Lee\n", "\tAnn Lee\n"}};
    for (const auto& n : names) EXPECT_EQ(DisplayText(n[0], n[1], n[2]), n[3]) << n[0] << "/" << n[1] << "/" << n[2];
    // A Latin letter in either case, after leading spaces, also with diacritics that
    // decompose canonically; anything else is "Other".
    const char* categories[][2] = {
        {"Ann", "A"}, {"zoe", "Z"}, {"   bob  ", "B"}, {"", "Other"}, {"   ", "Other"}, {"7eleven", "Other"},
        {"'t Hooft", "Other"}, {"Émile", "E"}, {"émile", "E"}, {"Åke", "A"}, {"ǖ", "U"}, {"e\u0301mile", "E"},
        {"Øystein", "Other"}, {"Łukasz", "Other"}, {"Æsa", "Other"}, {"ǅ" /* compatibility only */, "Other"},
        {"Иван", "Other"}, {"李小龙", "Other"}, {"Ａnn" /* full-width */, "Other"}, {"\xC3", "Other"},
        {"\xE0\x80\x80", "Other"} /* overlong */};
    for (const auto& c : categories) EXPECT_EQ(CategoryKey(c[0]), c[1]) << c[0];
}

// In the book's own folder, the last extension replaced by ".bak" or ".bak" appended.
TEST(BackupPath, BesideTheBookWithItsExtensionReplaced) {
    const char* cases[][2] = {
        {"/d/names.nsf", "/d/names.bak"}, {"/d/Names.NSF", "/d/Names.bak"}, {"mail/ab", "mail/ab.bak"},
        {"book", "book.bak"}, {"/d/名簿.nsf", "/d/名簿.bak"}, {"/d/a.b.dxl", "/d/a.b.bak"}, {"my.d/ab", "my.d/ab.bak"},
        {"/d/.names", "/d/.names.bak"}, {"/d/names.", "/d/names.bak"}, {"/d/names.bak", "/d/names.bak"},
        {"", ""}, {"/d/", ""}, {"..", ""}, {"/d/.", ""},  // no file name: no backup
    };
    for (const auto& c : cases) EXPECT_EQ(BackupPathFor(c[0]), c[1]) << c[0];
}

// A book served under "Domino.NotesSession" ("Notes.NotesSession" not registered), and
// the main window, with the default tree, and the run's state that a scan fills from it.
struct ScanRig : TextSource {
    ScanRig() {
        PopulateDefaultTree(tree);
        book.Add("U1", "1", "Ann", "Lee");
        book.Add("U2", "2", "Bob", "Stone");
        book.Add("U3", "3", "Cid", "Moss");
        book.Add("U4", "4", "Dan", "Fox");
    }
    std::string Text() const override { return path; }  // the database path box
    // Scans the named file in the folder (made first, for the backup copy); the fake
    // session serves the book whatever the path.
    ScanOutcome Run(const std::string& file = "names.nsf") {
        path = dir / file;
        if (!std::filesystem::exists(path)) WriteFile(path, "a book");
        ScanWindow window{*this, tree, progress, lblRead, cmdContactsCreate, cmdEnumerateNotes, messages};
        return CmdEnumerateNotes_Click(window, state);
    }
    // "category/key/text" of each contact node, in tree order.
    Texts Contacts() const {
        Texts contacts;
        for (const auto& [node, depth] : tree.InTreeOrder())
            if (node->image == kImageContact) contacts.push_back(node->parentKey + "/" + node->key + "/" + node->text);
        return contacts;
    }
    void ExpectCompleted() const {
        EXPECT_EQ(messages.shown, (Shown{{kScanCompleted, kCompanyTitle}}));
        EXPECT_TRUE(cmdContactsCreate.enabled && !cmdEnumerateNotes.enabled && !lblRead.visible && !progress.visible);
        for (const auto& node : tree.nodes()) EXPECT_TRUE(node.expanded || node.image != kImageContact) << node.key;
    }

    TempDir dir;
    FakeBook book;
    ScopedSessionClass domino{kDominoProgID, book.Factory()}, notes{kNotesProgID, {}};
    MemoryContactTree tree;
    std::string path;
    FakeProgress progress;
    FakeControl lblRead{true, true}, cmdContactsCreate{false, true}, cmdEnumerateNotes{true, true};
    FakeMessages messages;
    ModuleState state;
};

// A rescan of the same book, under any spelling of its path, finds the same keys: each
// node is refreshed where it is and none is doubled; a new document gets a node of its
// own. A book that cannot be read afterwards changes nothing. A backup name that is a
// link to another file: that file gets the copy, the link stays. (An older backup, a
// folder in its place and the book as its own backup are rows of the bad-input matrix.)
TEST(Scan, ARescanRefreshesEachNodeWhereItIs) {
    ScanRig rig;
    WriteFile(rig.dir / "kept.bak", "an older backup");
    std::filesystem::create_symlink("kept.bak", rig.dir / "names.bak");
    rig.book.documents[0]->Set("MiddleInitial", {"M."}).Set("Categories", NotesValues{"Sales", "VIP"});
    rig.book.Add("U1", "1", "Ann", "Lea");  // a replica's repeated identity: a node of its own
    ASSERT_EQ(rig.Run(), ScanOutcome::Completed);
    rig.ExpectCompleted();
    EXPECT_EQ(ReadFile(rig.dir / "kept.bak"), "a book");
    EXPECT_EQ(std::filesystem::read_symlink(rig.dir / "names.bak"), "kept.bak");
    EXPECT_EQ(*rig.tree.Tag("U1-1"), "Ann|M.|Lee" + std::string(39, '|') + "Sales");
    EXPECT_EQ(rig.progress.values, (std::vector<int32_t>{1, 2, 3, 4, 5, 5}));
    EXPECT_EQ(rig.state.ContactIndex, 5);
    EXPECT_EQ(rig.state.ContactCount, 5);

    rig.book.documents[1]->Set("FirstName", {"Zed"});
    rig.book.documents[4]->Set("LastName", {"Lean"});
    rig.book.Add("U9", "9", "Abe", "Fox");
    rig.messages.shown.clear();
    ASSERT_EQ(rig.Run("./names.nsf"), ScanOutcome::Completed);
    rig.ExpectCompleted();
    const Texts contacts{"A/U1-1/Ann M. Lee", "A/U1-1#2/Ann Lean", "A/U9-9/Abe Fox", "B/U2-2/Zed Stone",
                         "C/U3-3/Cid Moss", "D/U4-4/Dan Fox"};
    EXPECT_EQ(rig.Contacts(), contacts);
    EXPECT_EQ(*rig.tree.Tag("U2-2"), "Zed||Stone" + std::string(39, '|'));
    EXPECT_EQ(rig.state.ContactIndex, 6);

    rig.book.documents.clear();
    EXPECT_EQ(rig.Run("other.nsf"), ScanOutcome::NotAddressBook);
    EXPECT_EQ(rig.Contacts(), contacts);
    EXPECT_EQ(rig.state.ContactIndex, 6);
}

// The failure rules: on the first entry a failing step is skipped, on a later one it
// ends the walk; no first entry, or no session, gets a message and changes nothing;
// running out of memory ends the scan with a message that says so. A case names the
// failing calls by document (-1: the book's), how each session class answers ('+' the
// book, '-' none, '!' it throws) and what the scan ends with: the contacts and
// ContactCount, or the outcome and the message's Reason line.
TEST(Scan, FailureRules) {
    struct Case { std::map<int, std::set<std::string>> fails; const char* classes; std::string expected; };
    const std::string all = "A/U1-1/Ann Lee, B/U2-2/Bob Stone, C/U3-3/Cid Moss, D/U4-4/Dan Fox / 4";
    const Case cases[] = {
        {{{0, {"identity"}}}, "++", "B/U2-2/Bob Stone, C/U3-3/Cid Moss, D/U4-4/Dan Fox / 4"},
        {{{2, {"identity"}}}, "++", "A/U1-1/Ann Lee, B/U2-2/Bob Stone / 4"},
        {{{1, {"Document"}}}, "++", "A/U1-1/Ann Lee / 4"},
        {{{1, {"GetNextDocument"}}}, "++", "A/U1-1/Ann Lee, B/U2-2/Bob Stone / 4"},
        // Each unreadable item an empty field; a count that cannot be read leaves ContactCount.
        {{{0, {"LastName"}}, {1, {"FirstName", "Categories"}}, {3, {"MiddleInitial", "Comment"}}}, "++",
         "A/U1-1/Ann, C/U3-3/Cid Moss, D/U4-4/Dan Fox, Other/U2-2/Stone / 4"},
        {{{-1, {"Count"}}}, "++", all.substr(0, all.size() - 1) + "123"},
        {{{-1, {"Title"}}}, "++", all},  // passed over with the first class
        {{}, "-+", all},
        {{}, "!+", all},
        {{{-1, {"no database object"}}}, "++", "not a book: the address book could not be opened."},
        {{{-1, {"Title", "GetView"}}}, "++", "not a book: Title failed."},
        {{{-1, {"GetView"}}}, "++", "not a book: GetView failed."},
        {{{1, {"LastName out of memory"}}}, "++", "out of memory: there is not enough memory to read it."},
        {{}, "--", "not installed"},
        {{{-1, {"GetDatabase"}}}, "-+", "not installed"},  // with the second class, any failure
        {{{-1, {"Title"}}}, "-+", "not installed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ScanRig rig;
        for (const auto& [document, fails] : c.fails)
            (document < 0 ? static_cast<Failing&>(rig.book) : *rig.book.documents[document]).failing = fails;
        const auto session = [&](char k) -> SessionFactory {
            if (k == '!') return []() -> std::shared_ptr<NotesSession> { throw NotesError("no class"); };
            return k == '+' ? rig.book.Factory() : SessionFactory{};
        };
        ScopedSessionClass first(kDominoProgID, session(c.classes[0])), second(kNotesProgID, session(c.classes[1]));
        rig.state = {7, 123, "", ""};
        const ScanOutcome outcome = rig.Run();
        std::string ended;
        if (outcome == ScanOutcome::Completed) {
            rig.ExpectCompleted();
            for (const std::string& contact : rig.Contacts()) ended += (ended.empty() ? "" : ", ") + contact;
            EXPECT_EQ(c.expected, ended + " / " + std::to_string(rig.state.ContactCount));
            continue;
        }
        // One message, naming the file and why (then perhaps what to do), or the not-installed one.
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        const auto& [text, title] = rig.messages.shown[0];
        const std::string file = kNotAddressBook + ("\r\n\r\nFile: " + rig.path + "\r\nReason: ");
        if (outcome == ScanOutcome::NotInstalled && text == NotInstalledMessage() && title == kNotInstalledTitle)
            ended = "not installed";
        else if (title == kCompanyTitle && text.starts_with(file))
            ended = (outcome == ScanOutcome::OutOfMemory ? "out of memory: " : "not a book: ") +
                    text.substr(file.size(), text.find("\r\n", file.size()) - file.size());
        EXPECT_EQ(c.expected, ended) << text;
        EXPECT_EQ(rig.lblRead.changes + rig.cmdContactsCreate.changes + rig.cmdEnumerateNotes.changes, 0);
        if (outcome == ScanOutcome::OutOfMemory) continue;  // the walk had begun
        // Nothing of the window or the state changed.
        EXPECT_EQ(rig.tree.nodes().size(), 28u);
        EXPECT_EQ(rig.progress.changes + rig.progress.repaints + rig.tree.repaints(), 0);
        EXPECT_EQ(rig.state.ContactIndex, 7);
        EXPECT_EQ(rig.state.ContactCount, 123);
    }
}

} // namespace
} // namespace tallowby
