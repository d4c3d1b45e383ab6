// The scan against fake Notes sessions: the walk, its failure rules, the two session
// classes and the messages.
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

using Texts = std::vector<std::string>;

// Eight lines joined by CR LF.
const char kNotInstalled[] =
    "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n\r\n"
    "If Lotus Notes is installed and configured properly and you still get this error message\r\n"
    "then make sure your Lotus Notes Client is configured as stand alone client (does not look for Domino).\r\n"
    "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n"
    "Please contact our technical team at support@corvane.example for further assistance.\r\n\r\n"
    "Make sure you logged in under same user account through which Notes is installed.";

// Ann Lee, Bob Stone, Cid Moss and Dan Fox, keyed U1-1 to U4-4.
void AddFour(test::FakeBook& book) {
    book.Add("U1", "1", "Ann", "Lee");
    book.Add("U2", "2", "Bob", "Stone");
    book.Add("U3", "3", "Cid", "Moss");
    book.Add("U4", "4", "Dan", "Fox");
}

// "category/key/text" of each contact node, in tree order.
Texts Contacts(const MemoryContactTree& tree) {
    Texts contacts;
    for (const auto& [node, depth] : tree.InTreeOrder())
        if (node->image == kImageContact) contacts.push_back(node->parentKey + "/" + node->key + "/" + node->text);
    return contacts;
}

void ExpectCompleted(const test::ScanRig& rig) {
    EXPECT_EQ(rig.messages.shown, (test::Shown{{"Notes Address Book Scan Completed", "Corvane Software"}}));
    EXPECT_TRUE(rig.cmdContactsCreate.enabled);
    EXPECT_FALSE(rig.cmdEnumerateNotes.enabled);
    EXPECT_FALSE(rig.lblRead.visible);
    EXPECT_FALSE(rig.progress.visible);
    for (const auto& node : rig.tree.nodes()) EXPECT_TRUE(node.expanded || node.image != kImageContact) << node.key;
}

TEST(Scan, FilesContactsByCategoryAndASecondScanRefreshesThem) {
    test::ScanRig rig;
    auto& book = rig.book;
    book.Add("U1", "8fa", "Ann", "Lee").Set("MiddleInitial", {"M."}).Set("Categories", NotesValues{"Sales", "VIP"});
    for (const char* first : {"bob", "Émile", "", "   ", "7"}) book.Add("X" + std::string(first), "8", first, "Z");
    // Documents without identity, and a replica's repeated one: each its own node.
    book.Add("", "", "Nia", "Ode");
    book.Add("", "", "Nell", "Ode");
    book.Add("U1", "8fa", "Ann", "Lea");
    EXPECT_EQ(rig.Run(), ScanOutcome::Completed);
    ExpectCompleted(rig);
    // An accented letter under its base letter; blank, empty and digit first names under
    // "Other", in the view's order.
    const Texts first = {"A/U1-8fa/Ann M. Lee", "A/U1-8fa#2/Ann Lea", "B/Xbob-8/bob Z", "E/XÉmile-8/Émile Z",
                         "N/-/Nia Ode", "N/-#2/Nell Ode", "Other/X-8/Z", "Other/X   -8/Z", "Other/X7-8/7 Z"};
    EXPECT_EQ(Contacts(rig.tree), first);
    EXPECT_EQ(*rig.tree.Tag("U1-8fa"), "Ann|M.|Lee" + std::string(39, '|') + "Sales");
    EXPECT_EQ(*rig.tree.Tag("U1-8fa#2"), "Ann||Lea" + std::string(39, '|'));
    EXPECT_EQ(rig.progress.minimum, 0);
    EXPECT_EQ(rig.progress.maximum, 9);
    EXPECT_EQ(rig.progress.values, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    EXPECT_EQ(rig.state.ContactIndex, 9);
    EXPECT_EQ(rig.state.ContactCount, 9);

    // The same book again: the same keys, so every node is refreshed where it is and
    // none is doubled; a new document gets a node of its own.
    book.documents[1]->Set("FirstName", {"Zed"});
    book.documents[8]->Set("LastName", {"Lean"});
    book.Add("U9", "9", "Abe", "Fox");
    rig.messages.shown.clear();
    EXPECT_EQ(rig.Run(), ScanOutcome::Completed);
    ExpectCompleted(rig);
    Texts second = first;
    second[1] = "A/U1-8fa#2/Ann Lean";
    second[2] = "B/Xbob-8/Zed Z";
    second.insert(second.begin() + 2, "A/U9-9/Abe Fox");
    EXPECT_EQ(Contacts(rig.tree), second);
    EXPECT_EQ(rig.tree.Tag("Xbob-8")->substr(0, 6), "Zed||Z");
    EXPECT_EQ(rig.state.ContactIndex, 10);

    // Another book: the contacts of the first go before the walk; the same book under
    // another spelling keeps them; a book that cannot be read changes nothing.
    book.documents.resize(2);
    test::WriteFile(rig.dir / "other.nsf", "");
    EXPECT_EQ(rig.Run("other.nsf"), ScanOutcome::Completed);
    const Texts other{"A/U1-8fa/Ann M. Lee", "Z/Xbob-8/Zed Z"};
    EXPECT_EQ(Contacts(rig.tree), other);
    EXPECT_EQ(rig.tree.nodes().size(), 30u);
    book.documents.resize(1);
    EXPECT_EQ(rig.Run("./other.nsf"), ScanOutcome::Completed);
    EXPECT_EQ(Contacts(rig.tree), other);
    book.documents.clear();
    EXPECT_EQ(rig.Run("third.nsf"), ScanOutcome::NotAddressBook);
    EXPECT_EQ(Contacts(rig.tree), other);
}

// The failure rules: on the first entry a failing step is skipped, on a later one it
// ends the walk; no first entry, or no session, gets a message and changes nothing;
// running out of memory ends the scan with a message that says so.
TEST(Scan, FailureRules) {
    enum Class { None, Book, Throws };
    using Outcome = ScanOutcome;
    struct Case {
        const char* name;
        std::map<std::size_t, std::set<std::string>> documentFails = {};  // by position in the view
        std::set<std::string> bookFails = {};
        std::size_t people = 4;
        Class first = Book, second = Book;
        Outcome outcome = Outcome::Completed;
        Texts contacts = {};
        int32_t count = 4;
        std::string reason = "";  // the message's Reason line, when the book cannot be read
    };
    const std::string ann = "A/U1-1/Ann Lee", bob = "B/U2-2/Bob Stone", cid = "C/U3-3/Cid Moss", dan = "D/U4-4/Dan Fox";
    const Case cases[] = {
        {.name = "first document has no identity", .documentFails = {{0, {"identity"}}}, .contacts = {bob, cid, dan}},
        {.name = "first entry's Document fails", .documentFails = {{0, {"Document"}}}, .contacts = {bob, cid, dan}},
        {.name = "third document has no identity", .documentFails = {{2, {"identity"}}}, .contacts = {ann, bob}},
        {.name = "second entry's Document fails", .documentFails = {{1, {"Document"}}}, .contacts = {ann}},
        {.name = "no entry after the second", .documentFails = {{1, {"GetNextDocument"}}}, .contacts = {ann, bob}},
        {.name = "unreadable items leave their fields empty for every document",
         .documentFails = {{0, {"LastName"}}, {1, {"FirstName", "Categories"}}, {3, {"MiddleInitial", "Comment"}}},
         .contacts = {"A/U1-1/Ann", cid, dan, "Other/U2-2/Stone"}},
        {.name = "Count fails", .bookFails = {"Count"}, .contacts = {ann, bob, cid, dan}, .count = 123},  // it stays
        {.name = "first class: title passed over", .bookFails = {"Title"}, .contacts = {ann, bob, cid, dan}},
        {.name = "first class yields none", .first = None, .contacts = {ann, bob, cid, dan}},
        {.name = "first class throws", .first = Throws, .contacts = {ann, bob, cid, dan}},
        {.name = "database cannot be opened", .bookFails = {"GetDatabase"}, .outcome = Outcome::NotAddressBook,
         .reason = "the address book could not be opened"},
        {.name = "no database object", .bookFails = {"no database object"}, .outcome = Outcome::NotAddressBook,
         .reason = "the address book could not be opened"},
        {.name = "database not open", .bookFails = {"Title", "GetView"}, .outcome = Outcome::NotAddressBook,
         .reason = "Title failed"},
        {.name = "no $People view", .bookFails = {"GetView"}, .outcome = Outcome::NotAddressBook,
         .reason = "GetView failed"},
        {.name = "empty view", .people = 0, .outcome = Outcome::NotAddressBook, .reason = "it holds no person documents"},
        {.name = "second class: no $People view", .bookFails = {"GetView"}, .first = None,
         .outcome = Outcome::NotAddressBook, .reason = "GetView failed"},
        {.name = "out of memory in the walk", .documentFails = {{1, {"LastName out of memory"}}},
         .outcome = Outcome::OutOfMemory, .reason = "there is not enough memory to read it"},
        {.name = "neither class", .first = None, .second = None, .outcome = Outcome::NotInstalled},
        {.name = "second class: database cannot be opened", .bookFails = {"GetDatabase"}, .first = None,
         .outcome = Outcome::NotInstalled},
        {.name = "second class: database not open", .bookFails = {"Title"}, .first = None,
         .outcome = Outcome::NotInstalled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScanRig rig;
        auto& book = rig.book;
        AddFour(book);
        book.documents.resize(c.people);
        book.failing = c.bookFails;
        for (const auto& [position, fails] : c.documentFails) book.documents[position]->failing = fails;
        const auto factory = [&book](Class k) -> SessionFactory {
            if (k == Throws) return []() -> std::shared_ptr<NotesSession> { throw NotesError("no class"); };
            return k == Book ? book.Factory() : SessionFactory{};
        };
        ScopedSessionClass first(kDominoProgID, factory(c.first)), second(kNotesProgID, factory(c.second));
        rig.state = {7, 123, "", ""};
        EXPECT_EQ(rig.Run(), c.outcome);
        EXPECT_LE(book.sessions, 1);  // the second class only when the first yields none
        if (c.outcome == Outcome::Completed) {
            ExpectCompleted(rig);
            EXPECT_EQ(Contacts(rig.tree), c.contacts);
            EXPECT_EQ(rig.state.ContactCount, c.count);
            EXPECT_EQ(rig.progress.values.back(), 4);
            continue;
        }
        if (c.outcome == Outcome::NotInstalled) {
            EXPECT_EQ(rig.messages.shown, (test::Shown{{kNotInstalled, "Notes Not Installed/Configured"}}));
        } else {  // the message names the file and says why, then perhaps what to do
            ASSERT_EQ(rig.messages.shown.size(), 1u);
            EXPECT_EQ(rig.messages.shown[0].second, "Corvane Software");
            const std::string& text = rig.messages.shown[0].first;
            EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("Reason: "))),
                      "Lotus Notes not configured or the selected file is not a correct notes address book file."
                      "\r\n\r\nFile: " + rig.path + "\r\nReason: " + c.reason + ".");
        }
        EXPECT_EQ(rig.lblRead.changes + rig.cmdContactsCreate.changes + rig.cmdEnumerateNotes.changes, 0);
        if (c.outcome == Outcome::OutOfMemory) continue;  // the walk had begun
        // Nothing of the window or the state changed.
        EXPECT_EQ(rig.tree.nodes().size(), 28u);
        EXPECT_EQ(rig.progress.changes + rig.progress.repaints + rig.tree.repaints(), 0);
        EXPECT_EQ(rig.state.ContactIndex, 7);
        EXPECT_EQ(rig.state.ContactCount, 123);
    }
}

TEST(Scan, ManyEntriesHaveNoCeilingAndRepaintsAreThrottled) {
    constexpr int32_t kEntries = 40000;
    test::ScanRig rig;
    rig.book.documents.reserve(kEntries);
    for (int32_t i = 0; i < kEntries; ++i) rig.book.Add("U" + std::to_string(i), "1", i % 3 ? "Ann" : "7", "N");
    ASSERT_EQ(rig.Run(), ScanOutcome::Completed);
    EXPECT_EQ(rig.tree.nodes().size(), 28u + kEntries);
    EXPECT_EQ(rig.state.ContactCount, kEntries);
    EXPECT_EQ(rig.state.ContactIndex, kEntries);
    EXPECT_EQ(rig.progress.maximum, kEntries);
    EXPECT_EQ(rig.progress.values.size(), kEntries + 1u);
    EXPECT_EQ(rig.progress.values.back(), kEntries);
    // Repaints are throttled (one per 100 ms of walking), never one per contact.
    EXPECT_GE(rig.tree.repaints(), 1);
    EXPECT_LT(rig.tree.repaints() + rig.progress.repaints, kEntries / 10);
}

} // namespace
} // namespace tallowby
