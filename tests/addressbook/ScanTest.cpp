// A contact's display text and category, the backup path, and the scan against fake
// Notes sessions: the rescan, the failure rules of the walk and of the two session
// classes, and the messages.
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "addressbook/Backup.h"
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

// A book served under "Domino.NotesSession" ("Notes.NotesSession" not registered),
// scanned from a file in a folder of its own (made first, for the backup copy; the
// fake session serves the book whatever the path).
struct ScanRig {
    ScanRig() {
        book.Add("U1", "1", "Ann", "Lee");
        book.Add("U2", "2", "Bob", "Stone");
        book.Add("U3", "3", "Cid", "Moss");
        book.Add("U4", "4", "Dan", "Fox");
    }
    ScanResult Run(const std::string& file = "names.nsf") {
        path = dir / file;
        if (!std::filesystem::exists(path)) WriteFile(path, "a book");
        progress.clear();
        return ScanBook({path}, [this](RunStage stage, std::int64_t done, std::int64_t total) {
            if (stage == RunStage::Contacts) progress.push_back(std::to_string(done) + "/" + std::to_string(total));
            return true;
        });
    }
    // "category/key/text" of each contact node, in tree order.
    static Texts Contacts(const ScanResult& result) {
        Texts contacts;
        for (const auto& [node, depth] : result.tree.InTreeOrder())
            if (node->image == kImageContact) contacts.push_back(node->parentKey + "/" + node->key + "/" + node->text);
        return contacts;
    }
    static void ExpectCompleted(const ScanResult& result) {
        EXPECT_EQ(result.outcome, ScanOutcome::Completed);
        EXPECT_EQ(result.message + "|" + result.title, std::string(kScanCompleted) + "|" + kCompanyTitle);
        EXPECT_EQ(result.tree.nodes().size(), 28 + result.contacts.size());
        for (const auto& node : result.tree.nodes()) EXPECT_TRUE(node.expanded || node.image != kImageContact) << node.key;
    }

    TempDir dir;
    FakeBook book;
    ScopedSessionClass domino{kDominoProgID, book.Factory()}, notes{kNotesProgID, {}};
    std::string path;
    Texts progress;
};

// Every document gets a node of its own: a replica's repeated identity gets "#2", and
// a rescan, under any spelling of the path, gives every contact its key again. The
// contact's fields come from its document, each by the record's rule. A backup name
// that is a link to another file: that file gets the copy, the link stays. (An older
// backup, a folder in its place and the book as its own backup are rows of the
// bad-input matrix.)
TEST(Scan, EachDocumentItsNodeAndARescanTheSameKeys) {
    ScanRig rig;
    WriteFile(rig.dir / "kept.bak", "an older backup");
    std::filesystem::create_symlink("kept.bak", rig.dir / "names.bak");
    rig.book.documents[0]->Set("MiddleInitial", {"M."}).Set("Categories", NotesValues{"Sales", "VIP"})
        .Set("Suffix", {"0"}).Set("Title", {0.0});
    rig.book.Add("U1", "1", "Ann", "Lea");  // a replica's repeated identity: a node of its own
    ScanResult result = rig.Run();
    ScanRig::ExpectCompleted(result);
    EXPECT_EQ(ReadFile(rig.dir / "kept.bak"), "a book");
    EXPECT_EQ(std::filesystem::read_symlink(rig.dir / "names.bak"), "kept.bak");
    const ContactFields ann = ReadContactFields(*result.contacts[0].document);
    EXPECT_EQ(ann[0] + "|" + ann[1] + "|" + ann[2] + "|" + ann[3] + "|" + ann[4] + "|" + ann[41], "Ann|M.|Lee|||Sales");
    EXPECT_EQ(rig.progress, (Texts{"1/5", "2/5", "3/5", "4/5", "5/5"}));
    EXPECT_EQ(result.lastIndex, 5);
    EXPECT_EQ(result.count, 5);

    rig.book.documents[1]->Set("FirstName", {"Zed"});
    rig.book.documents[4]->Set("LastName", {"Lean"});
    rig.book.Add("U9", "9", "Abe", "Fox");
    result = rig.Run("./names.nsf");
    ScanRig::ExpectCompleted(result);
    EXPECT_EQ(ScanRig::Contacts(result), (Texts{"A/U1-1/Ann M. Lee", "A/U1-1#2/Ann Lean", "A/U9-9/Abe Fox",
                                                "C/U3-3/Cid Moss", "D/U4-4/Dan Fox", "Z/U2-2/Zed Stone"}));
    EXPECT_EQ(result.lastIndex, 6);

    rig.book.documents.clear();
    EXPECT_EQ(rig.Run("other.nsf").outcome, ScanOutcome::NotAddressBook);
}

// A contact without a name is listed by its e-mail address, else as "(no name)", by
// the scan itself (tallowby-cli lists it so too).
TEST(Scan, ANamelessContactIsListedByItsAddress) {
    ScanRig rig;
    rig.book.documents[0]->Set("FirstName", {""}).Set("LastName", {""}).Set("MailAddress", {"ann@corvane.example"});
    rig.book.documents[1]->Set("FirstName", {""}).Set("LastName", {""});
    const ScanResult result = rig.Run();
    EXPECT_EQ(ScanRig::Contacts(result), (Texts{"C/U3-3/Cid Moss", "D/U4-4/Dan Fox", "Other/U1-1/ann@corvane.example",
                                                "Other/U2-2/(no name)"}));
}

// The failure rules: on the first entry a failing step is skipped, on a later one it
// ends the walk; no first entry, or no session, gets a message and no contacts (and no
// backup); running out of memory ends the scan with a message that says so. A case
// names the failing calls by document (-1: the book's), how each session class answers
// ('+' the book, '-' none, '!' it throws) and what the scan ends with: the contacts
// and the view's count, or the outcome and the message's Reason line.
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
        {{{-1, {"Count"}}}, "++", all.substr(0, all.size() - 1) + "none"},
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
        const ScanResult result = rig.Run();
        std::string ended;
        if (result.outcome == ScanOutcome::Completed) {
            ScanRig::ExpectCompleted(result);
            for (const std::string& contact : ScanRig::Contacts(result)) ended += (ended.empty() ? "" : ", ") + contact;
            EXPECT_EQ(c.expected, ended + " / " + (result.count ? std::to_string(*result.count) : "none"));
            continue;
        }
        // One message, naming the file and why (then perhaps what to do), or the not-installed one.
        const std::string file = kNotAddressBook + ("\r\n\r\nFile: " + rig.path + "\r\nReason: ");
        if (result.outcome == ScanOutcome::NotInstalled && result.message == NotInstalledMessage() &&
            result.title == kNotInstalledTitle)
            ended = "not installed";
        else if (result.title == kCompanyTitle && result.message.starts_with(file))
            ended = (result.outcome == ScanOutcome::OutOfMemory ? "out of memory: " : "not a book: ") +
                    result.message.substr(file.size(), result.message.find("\r\n", file.size()) - file.size());
        EXPECT_EQ(c.expected, ended) << result.message;
        EXPECT_TRUE(result.contacts.empty());
        // No backup: the scan did not complete.
        EXPECT_FALSE(std::filesystem::exists(rig.dir / "names.bak"));
    }
}

} // namespace
} // namespace tallowby
