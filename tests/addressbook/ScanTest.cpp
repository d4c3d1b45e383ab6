// The scan against fake Notes sessions: the walk, its failure rules, the two session
// classes and the messages.
#include "addressbook/ContactRecord.h"
#include "addressbook/Messages.h"
#include "addressbook/Scan.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <string>
#include <vector>

namespace tallowby {
namespace {

using namespace tallowby::testing;

constexpr std::size_t kDefaultNodes = 28;

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        PopulateDefaultTree(tree);
        // The database file does not exist, so no backup is made; the fake session
        // serves the book whatever the path.
        path.text = dir / "names.nsf";
        state.ContactIndex = 1;
        state.ContactCount = 0;
    }

    void UseFirstClass() {
        domino.emplace(kDominoProgID, FactoryFor(book));
        notes.emplace(kNotesProgID, SessionFactory{});
    }
    void UseSecondClass() {
        domino.emplace(kDominoProgID, NoObject());
        notes.emplace(kNotesProgID, FactoryFor(book));
    }

    ScanOutcome Run() {
        ScanWindow window{path, tree, progress, lblRead, cmdContactsCreate, cmdEnumerateNotes, messages};
        return CmdEnumerateNotes_Click(window, state);
    }

    std::size_t Contacts() const { return tree.nodes().size() - kDefaultNodes; }
    const MemoryContactTree::Node& Node(const std::string& key) const {
        const auto* node = tree.Find(key);
        if (!node) throw std::runtime_error("no node " + key);
        return *node;
    }
    std::vector<std::string> Field(const std::string& key) const {
        std::vector<std::string> parts(1);
        for (const char c : Node(key).tag) {
            if (c == '|')
                parts.emplace_back();
            else
                parts.back() += c;
        }
        return parts;
    }

    void ExpectCompleted() {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Notes Address Book Scan Completed");
        EXPECT_EQ(messages.shown[0].title, "Corvane Software");
        EXPECT_TRUE(cmdContactsCreate.enabled);
        EXPECT_FALSE(cmdEnumerateNotes.enabled);
        EXPECT_FALSE(lblRead.visible);
        EXPECT_FALSE(progress.visible);
    }

    // Nothing of the window or the run state was touched.
    void ExpectNothingChanged(std::size_t nodesBefore) {
        EXPECT_EQ(tree.nodes().size(), nodesBefore);
        EXPECT_TRUE(progress.calls.empty());
        EXPECT_EQ(progress.valueCalls, 0);
        EXPECT_EQ(progress.repaints, 0);
        EXPECT_EQ(lblRead.changes + cmdContactsCreate.changes + cmdEnumerateNotes.changes, 0);
        EXPECT_TRUE(lblRead.visible);
        EXPECT_TRUE(cmdEnumerateNotes.enabled);
        EXPECT_FALSE(cmdContactsCreate.enabled);
        EXPECT_EQ(state.ContactIndex, 7);
        EXPECT_EQ(state.ContactCount, 123);
    }

    TempDir dir;
    FakeBook book;
    std::optional<ScopedSessionClass> domino, notes;
    MemoryContactTree tree;
    FakeText path;
    FakeProgress progress;
    FakeControl lblRead{true, true};
    FakeControl cmdContactsCreate{false, true};
    FakeControl cmdEnumerateNotes{true, true};
    FakeMessages messages;
    ModuleState state;
};

TEST_F(ScanTest, FilesEachContactUnderItsCategoryAndCompletes) {
    UseFirstClass();
    book.Add("U1", "8fa", "Ann", "Lee").Set("MiddleInitial", "M.").Set("Categories",
        NotesValues{std::string("Sales"), std::string("VIP")});
    book.Add("U2", "8fb", "bob", "Stone");
    book.Add("U3", "8fc", "Émile", "Zola");
    book.Add("U4", "8fd", "", "");
    book.Add("U5", "8fe", "   ", "Blank");
    book.Add("U6", "8ff", "7", "Up");

    EXPECT_EQ(Run(), ScanOutcome::Completed);
    ExpectCompleted();
    ASSERT_EQ(Contacts(), 6u);

    const auto& ann = Node("U1-8fa");
    EXPECT_EQ(ann.parentKey, "A");
    EXPECT_EQ(ann.text, "Ann M. Lee");
    EXPECT_EQ(ann.image, 3);
    EXPECT_TRUE(ann.expanded);
    EXPECT_EQ(Field("U1-8fa").size(), 42u);
    EXPECT_EQ(Field("U1-8fa")[41], "Sales");

    EXPECT_EQ(Node("U2-8fb").parentKey, "B");
    EXPECT_EQ(Node("U2-8fb").text, "bob Stone");
    EXPECT_EQ(Node("U3-8fc").parentKey, "Other");
    EXPECT_EQ(Node("U4-8fd").parentKey, "Other");
    EXPECT_EQ(Node("U4-8fd").text, "");
    EXPECT_EQ(Node("U4-8fd").tag, std::string(41, '|'));
    EXPECT_EQ(Node("U5-8fe").parentKey, "Other");
    EXPECT_EQ(Node("U5-8fe").text, "Blank");
    EXPECT_EQ(Node("U6-8ff").parentKey, "Other");
    // Contacts under one category keep the view's order.
    const auto& other = Node("Other").children;
    ASSERT_EQ(other.size(), 4u);
    EXPECT_EQ(tree.nodes()[other[0]].key, "U3-8fc");
    EXPECT_EQ(tree.nodes()[other[3]].key, "U6-8ff");

    EXPECT_EQ(progress.minimum, 0);
    EXPECT_EQ(progress.maximum, 6);
    EXPECT_EQ(progress.values, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 6}));
    EXPECT_EQ(state.ContactIndex, 6);
    EXPECT_EQ(state.ContactCount, 6);
    EXPECT_EQ(book.openedPaths, std::vector<std::string>{path.text});
}

TEST_F(ScanTest, CallsTheNotesObjectsInOrder) {
    UseFirstClass();
    book.logCalls = true;
    book.Add("U1", "1", "Ann", "Lee");
    ASSERT_EQ(Run(), ScanOutcome::Completed);

    std::vector<std::string> expected = {"GetDatabase '' " + path.text, "Title", "GetView $People",
                                         "CreateViewNav", "GetFirstDocument", "Document", "Count",
                                         "UniversalID", "NoteID"};
    for (const auto item : kRecordItems) expected.push_back("GetItemValue " + std::string(item));
    expected.push_back("GetNextDocument");
    EXPECT_EQ(book.calls, expected);
}

TEST_F(ScanTest, UnreadableItemsLeaveFieldsEmptyForEveryDocument) {
    UseFirstClass();
    book.Add("U1", "1", "Ann", "Lee").Set("MailAddress", "ann@x").FailItem("LastName");
    book.Add("U2", "2", "Bob", "Stone").Set("Categories", "VIP").FailItem("Categories").FailItem("FirstName");
    book.Add("U3", "3", "Cid", "Moss");

    EXPECT_EQ(Run(), ScanOutcome::Completed);
    ExpectCompleted();
    ASSERT_EQ(Contacts(), 3u);
    EXPECT_EQ(Node("U1-1").text, "Ann");
    EXPECT_EQ(Field("U1-1")[2], "");
    EXPECT_EQ(Field("U1-1")[5], "ann@x");
    EXPECT_EQ(Node("U2-2").text, "Stone");
    EXPECT_EQ(Node("U2-2").parentKey, "Other");
    EXPECT_EQ(Field("U2-2")[41], "");
    EXPECT_EQ(Node("U3-3").parentKey, "C");
    EXPECT_EQ(state.ContactIndex, 3);
}

TEST_F(ScanTest, FirstDocumentWithoutIdentityIsLeftOutAndTheWalkGoesOn) {
    UseFirstClass();
    book.Add("U1", "1", "Ann", "Lee").FailIdentity();
    book.Add("U2", "2", "Bob", "Stone");
    book.Add("U3", "3", "Cid", "Moss");
    EXPECT_EQ(Run(), ScanOutcome::Completed);
    ExpectCompleted();
    EXPECT_EQ(Contacts(), 2u);
    EXPECT_TRUE(tree.Contains("U2-2"));
    EXPECT_TRUE(tree.Contains("U3-3"));
    EXPECT_EQ(state.ContactIndex, 3);
}

TEST_F(ScanTest, FirstDocumentThatCannotBeReachedIsLeftOut) {
    UseFirstClass();
    book.Add("U1", "1", "Ann", "Lee");
    book.Add("U2", "2", "Bob", "Stone");
    book.failDocumentAt = {0};
    EXPECT_EQ(Run(), ScanOutcome::Completed);
    EXPECT_EQ(Contacts(), 1u);
    EXPECT_TRUE(tree.Contains("U2-2"));
}

TEST_F(ScanTest, LaterFailingNotesCallsEndTheWalkWithTheCompletionMessage) {
    struct Case {
        const char* name;
        void (*arrange)(FakeBook&);
        std::size_t contacts;
    };
    const Case cases[] = {
        {"identity of the third document", [](FakeBook& b) { b.documents[2]->FailIdentity(); }, 2},
        {"Document of the second entry", [](FakeBook& b) { b.failDocumentAt = {1}; }, 1},
        {"GetNextDocument after the second entry", [](FakeBook& b) { b.failNextAt = {1}; }, 2},
        {"GetNextDocument after the first entry", [](FakeBook& b) { b.failNextAt = {0}; }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBook localBook;
        localBook.Add("U1", "1", "Ann", "Lee");
        localBook.Add("U2", "2", "Bob", "Stone");
        localBook.Add("U3", "3", "Cid", "Moss");
        localBook.Add("U4", "4", "Dan", "Fox");
        c.arrange(localBook);
        ScopedSessionClass first(kDominoProgID, FactoryFor(localBook));
        MemoryContactTree localTree;
        PopulateDefaultTree(localTree);
        FakeProgress localProgress;
        FakeControl label{true, true}, create{false, true}, scan{true, true};
        FakeMessages shown;
        ModuleState localState;
        ScanWindow window{path, localTree, localProgress, label, create, scan, shown};
        EXPECT_EQ(CmdEnumerateNotes_Click(window, localState), ScanOutcome::Completed);
        EXPECT_EQ(localTree.nodes().size() - kDefaultNodes, c.contacts);
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0].text, kScanCompleted);
        EXPECT_TRUE(create.enabled);
        EXPECT_FALSE(scan.enabled);
        EXPECT_EQ(localProgress.value, 4);  // the navigator's count at the end
        EXPECT_EQ(localState.ContactCount, 4);
    }
}

TEST_F(ScanTest, NoFirstEntryShowsTheMessageAndChangesNothing) {
    struct Case {
        const char* name;
        void (*arrange)(FakeBook&);
    };
    const Case cases[] = {
        {"empty view", [](FakeBook& b) { b.documents.clear(); }},
        {"database cannot be opened", [](FakeBook& b) { b.failGetDatabase = true; }},
        {"no database object", [](FakeBook& b) { b.nullDatabase = true; }},
        {"no $People view", [](FakeBook& b) { b.failGetView = true; }},
        {"no navigator", [](FakeBook& b) { b.failCreateViewNav = true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBook localBook;
        localBook.Add("U1", "1", "Ann", "Lee");
        c.arrange(localBook);
        ScopedSessionClass first(kDominoProgID, FactoryFor(localBook));
        ScopedSessionClass second(kNotesProgID, FactoryFor(localBook));
        ASSERT_TRUE(tree.Add("A", "earlier", "Earlier Contact", kImageContact));
        const std::size_t before = tree.nodes().size();
        state.ContactIndex = 7;
        state.ContactCount = 123;
        messages.shown.clear();

        EXPECT_EQ(Run(), ScanOutcome::NotAddressBook);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Lotus Notes not configured or the selected file is not a correct notes address book file.");
        EXPECT_EQ(messages.shown[0].title, "Corvane Software");
        ExpectNothingChanged(before);
        EXPECT_EQ(localBook.sessionsCreated, 1);  // the first class gave the session
        EXPECT_TRUE(tree.Contains("earlier"));
        tree = MemoryContactTree();
        PopulateDefaultTree(tree);
    }
}

TEST_F(ScanTest, UnreadableTitleIsPassedOverUnderTheFirstClass) {
    UseFirstClass();
    book.failTitle = true;
    book.Add("U1", "1", "Ann", "Lee");
    EXPECT_EQ(Run(), ScanOutcome::Completed);
    EXPECT_EQ(Contacts(), 1u);
}

TEST_F(ScanTest, SecondClassIsUsedWhenTheFirstYieldsNoObject) {
    book.Add("U1", "1", "Ann", "Lee");
    for (const bool firstThrows : {false, true}) {
        SCOPED_TRACE(firstThrows ? "first class throws" : "first class yields nothing");
        ScopedSessionClass first(kDominoProgID, firstThrows ? SessionFactory([]() -> std::shared_ptr<NotesSession> {
            throw NotesError("cannot create object");
        }) : NoObject());
        ScopedSessionClass second(kNotesProgID, FactoryFor(book));
        messages.shown.clear();
        EXPECT_EQ(Run(), ScanOutcome::Completed);
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(tree.Contains("U1-1"));
    }
    EXPECT_EQ(book.sessionsCreated, 2);
}

TEST(NotInstalledMessage, EightLinesJoinedByCrLf) {
    EXPECT_EQ(NotInstalledMessage(),
              "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n"
              "\r\n"
              "If Lotus Notes is installed and configured properly and you still get this error message\r\n"
              "then make sure your Lotus Notes Client is configured as stand alone client (does not look for Domino).\r\n"
              "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n"
              "Please contact our technical team at support@corvane.example for further assistance.\r\n"
              "\r\n"
              "Make sure you logged in under same user account through which Notes is installed.");
}

TEST_F(ScanTest, SecondClassFailuresShowTheNotInstalledMessage) {
    struct Case {
        const char* name;
        bool registerSecond;
        void (*arrange)(FakeBook&);
    };
    const Case cases[] = {
        {"neither class registered", false, [](FakeBook&) {}},
        {"database cannot be opened", true, [](FakeBook& b) { b.failGetDatabase = true; }},
        {"no database object", true, [](FakeBook& b) { b.nullDatabase = true; }},
        {"database not open", true, [](FakeBook& b) { b.failTitle = true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBook localBook;
        localBook.Add("U1", "1", "Ann", "Lee");
        c.arrange(localBook);
        ScopedSessionClass first(kDominoProgID, SessionFactory{});
        ScopedSessionClass second(kNotesProgID, c.registerSecond ? FactoryFor(localBook) : SessionFactory{});
        state.ContactIndex = 7;
        state.ContactCount = 123;
        messages.shown.clear();
        const std::size_t before = tree.nodes().size();

        EXPECT_EQ(Run(), ScanOutcome::NotInstalled);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, NotInstalledMessage());
        EXPECT_EQ(messages.shown[0].title, "Notes Not Installed/Configured");
        ExpectNothingChanged(before);
    }
}

TEST_F(ScanTest, WalkSetUpFailuresUnderTheSecondClassAreStillPassedOver) {
    UseSecondClass();
    book.Add("U1", "1", "Ann", "Lee");
    book.failGetView = true;
    EXPECT_EQ(Run(), ScanOutcome::NotAddressBook);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNotAddressBook);
}

TEST_F(ScanTest, SecondScanOfTheSameBookRefreshesNodes) {
    UseFirstClass();
    book.Add("U1", "1", "Ann", "Lee");
    book.Add("U2", "2", "Bob", "Stone");
    book.Add("U3", "3", "Cid", "Moss");
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    ASSERT_EQ(Contacts(), 3u);

    // The book changed between the scans: a new middle name, a moved first name, a new
    // contact at the end.
    book.documents[1]->Set("MiddleInitial", "J.");
    book.documents[2]->Set("FirstName", "Zed");
    book.Add("U4", "4", "Dan", "Fox");
    messages.shown.clear();
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    ExpectCompleted();
    EXPECT_EQ(Contacts(), 4u);
    EXPECT_EQ(Node("U2-2").text, "Bob J. Stone");
    EXPECT_EQ(Field("U2-2")[1], "J.");
    EXPECT_EQ(Node("U3-3").text, "Zed Moss");
    EXPECT_EQ(Field("U3-3")[0], "Zed");
    EXPECT_EQ(Node("U3-3").parentKey, "C");  // a refreshed node stays where it is
    EXPECT_EQ(Node("B").children.size(), 1u);
    EXPECT_TRUE(tree.Contains("U4-4"));
    EXPECT_EQ(state.ContactIndex, 4);
}

TEST_F(ScanTest, RepeatedKeyWithinOneBookRefreshesAndTheWalkGoesOn) {
    UseFirstClass();
    book.Add("U1", "1", "Ann", "Lee");
    book.Add("U2", "2", "Bob", "Stone");
    book.Add("U2", "2", "Bobby", "Stone");
    book.Add("U4", "4", "Dan", "Fox");
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    EXPECT_EQ(Contacts(), 3u);
    EXPECT_EQ(Node("U2-2").text, "Bobby Stone");
    EXPECT_TRUE(tree.Contains("U4-4"));
}

TEST_F(ScanTest, FirstContactWithoutCategoryNodeIsSkippedLaterOneEndsTheWalk) {
    UseFirstClass();
    // A tree that lacks the "Other" node.
    tree = MemoryContactTree();
    tree.Add("", kRootKey, kRootText, kImageRoot);
    tree.Add(kRootKey, "A", "A", kImageCategory);
    tree.Add(kRootKey, "B", "B", kImageCategory);
    book.Add("U1", "1", "7", "Up");
    book.Add("U2", "2", "Ann", "Lee");
    book.Add("U3", "3", "9", "Lives");
    book.Add("U4", "4", "Bob", "Stone");
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    EXPECT_EQ(tree.nodes().size(), 4u);
    EXPECT_TRUE(tree.Contains("U2-2"));
    EXPECT_FALSE(tree.Contains("U4-4"));
}

TEST_F(ScanTest, FailingCountKeepsThePreviousContactCount) {
    UseFirstClass();
    book.failCount = true;
    book.Add("U1", "1", "Ann", "Lee");
    book.Add("U2", "2", "Bob", "Stone");
    state.ContactCount = 55;
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    EXPECT_EQ(Contacts(), 2u);
    EXPECT_EQ(state.ContactCount, 55);
    EXPECT_EQ(progress.maximum, -1);  // never set
    EXPECT_EQ(progress.value, 2);
}

TEST_F(ScanTest, ManyEntriesHaveNoCeilingAndRepaintsAreThrottled) {
    UseFirstClass();
    constexpr int32_t kEntries = 40000;
    book.documents.reserve(kEntries);
    for (int32_t i = 0; i < kEntries; ++i)
        book.Add("U" + std::to_string(i), std::to_string(i), i % 3 ? "Ann" : "7", "N" + std::to_string(i));
    state.ContactCount = 9;

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(), ScanOutcome::Completed);
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start).count();
    ExpectCompleted();
    EXPECT_EQ(Contacts(), static_cast<std::size_t>(kEntries));
    EXPECT_EQ(state.ContactCount, kEntries);
    EXPECT_EQ(state.ContactIndex, kEntries);
    EXPECT_EQ(progress.maximum, kEntries);
    EXPECT_EQ(progress.value, kEntries);
    EXPECT_EQ(progress.valueCalls, kEntries + 1);
    // At most one repaint per 100 ms of walking, plus the final one.
    EXPECT_GE(tree.repaints(), 1);
    EXPECT_LE(tree.repaints(), elapsedMs / 100 + 2);
    EXPECT_LE(progress.repaints, elapsedMs / 100 + 2);
}

TEST(RepaintThrottle, FirstCallIsDueThenWaitsForTheInterval) {
    RepaintThrottle slow(3600 * 1000);
    EXPECT_TRUE(slow.Due());
    EXPECT_FALSE(slow.Due());
    EXPECT_FALSE(slow.Due());

    RepaintThrottle fast(20);
    EXPECT_TRUE(fast.Due());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(fast.Due());
}

} // namespace
} // namespace tallowby
