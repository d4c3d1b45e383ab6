// The export run against a book held in memory, written by the real worksheet
// writer into the test's own folder, and read back record by record.
#include "ExportTestSupport.h"

#include "addressbook/Messages.h"
#include "addressbook/ModuleState.h"
#include "export/ExportRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>

namespace tallowby::test {
namespace {

NotesValue Text(const std::string& text) { return NotesValue(text); }

FakeDocumentData Doc(std::initializer_list<std::pair<const std::string, NotesValues>> items) {
    FakeDocumentData data;
    data.items = items;
    return data;
}

class ExportRunTest : public ::testing::Test {
protected:
    ExportResult Export(const std::string& database, const std::string& output = std::string()) {
        FixedPath path(database);
        ConversionWindow window{path, contactsCreate, progress, conversion, done, messages};
        return CmdConversion_Click(window, state, output);
    }

    // An address-book file in the test folder (the book itself is the one in memory).
    std::string Database(const std::string& name = "names.nsf") {
        const std::string path = dir / name;
        WriteFile(path, "address book");
        return path;
    }

    // The data cells of the worksheet as rows of 39 texts by column, header row first.
    std::vector<std::vector<std::string>> Grid(const std::string& file) {
        std::vector<std::vector<std::string>> rows;
        for (const Label& label : Labels(ParseRecords(ReadFile(file)))) {
            if (rows.size() <= label.row) rows.resize(label.row + 1, std::vector<std::string>(39));
            rows[label.row].at(label.column) = label.text;
        }
        return rows;
    }

    TempDir dir;
    std::shared_ptr<FakeBook> book = std::make_shared<FakeBook>();
    ScopedSessionClass domino{kDominoProgID, FactoryFor(book)};
    ScopedSessionClass notes{kNotesProgID, SessionFactory()};
    EventLog log;
    RecordingControl contactsCreate{"CmdContactsCreate", log};
    RecordingControl conversion{"CmdConversion", log};
    RecordingControl done{"FrameConversionDone", log, false};
    RecordingProgress progress;
    RecordingMessages messages{log};
    ModuleState state;
};

// ------------------------------------------------------------- the file

TEST_F(ExportRunTest, SmallBookGivesExactlyTheRecordsOfTheLayout) {
    book->documents = {DocumentNamingItsItems(), Doc({{"FirstName", {Text("Ann")}}})};
    const std::string database = Database();
    const ExportResult result = Export(database);
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    EXPECT_EQ(result.contactsWritten, 2);

    bool complete = false;
    const std::vector<Record> records = ParseRecords(ReadFile(dir / "names.xls"), &complete);
    ASSERT_TRUE(complete);
    std::vector<uint16_t> expected = {kBof, kCodePage, kFormatCount};
    expected.insert(expected.end(), 24, kFormat);
    expected.insert(expected.end(), 4, kFont);
    expected.insert(expected.end(), 2, kXf);
    expected.push_back(kHeaderRecord);
    expected.insert(expected.end(), 39 * 3, kLabel);
    expected.push_back(kEof);
    std::vector<uint16_t> ids;
    for (const Record& record : records) ids.push_back(record.id);
    ASSERT_EQ(ids, expected);

    // Fonts 0 to 3: Verdana 10 plain, bold, bold underlined; Courier 14 bold italic.
    const struct { unsigned height, style; const char* name; } fonts[] = {
        {200, 0, "Verdana"}, {200, 1, "Verdana"}, {200, 5, "Verdana"}, {280, 3, "Courier"}};
    for (int i = 0; i < 4; ++i) {
        const std::string& body = records[27 + i].body;
        EXPECT_EQ(Word(body, 0), fonts[i].height) << "font " << i;
        EXPECT_EQ(Byte(body, 2), fonts[i].style) << "font " << i;
        EXPECT_EQ(body.substr(5), fonts[i].name) << "font " << i;
    }
    // Style 0 uses font 0, style 1 the bold font 1; both left-aligned General.
    EXPECT_EQ(Byte(records[31].body, 0), 0u);
    EXPECT_EQ(Byte(records[32].body, 0), 1u);
    EXPECT_EQ(Byte(records[31].body, 3) & 7u, 1u);
    EXPECT_EQ(Byte(records[32].body, 3) & 7u, 1u);
    EXPECT_EQ(records[33].body, std::string("\x0c") + "BIFF 2.1 API");

    const std::vector<Label> labels = Labels(records);
    for (unsigned c = 0; c < 39; ++c) {
        const Label& header = labels[c];
        EXPECT_EQ(header.row, 0u);
        EXPECT_EQ(header.column, c) << "header cells go in column order";
        EXPECT_EQ(header.text, kHeaderTexts[c]);
        EXPECT_EQ(header.attr1, 1u) << "style 1";
        EXPECT_EQ(header.attr2, 64u) << "font 1, General";
        EXPECT_EQ(header.attr3, 1u) << "left";
    }
    for (unsigned row = 1; row <= 2; ++row) {
        for (unsigned k = 0; k < 39; ++k) {
            const Label& cell = labels[39 * row + k];
            EXPECT_EQ(cell.row, row);
            EXPECT_EQ(cell.column + 1, kColumnsInWriteOrder[k]) << "cell " << k << " of row " << row;
            EXPECT_EQ(cell.attr1, 0u);
            EXPECT_EQ(cell.attr2, 0u);
            EXPECT_EQ(cell.attr3, 1u);
            if (row == 1) {
                EXPECT_EQ(cell.text, kItemNames[cell.column]);
            }
        }
    }
    // A document that lacks an item still gets its cell, empty.
    const auto grid = Grid(dir / "names.xls");
    EXPECT_EQ(grid[2][0], "Ann");
    EXPECT_EQ(grid[2][38], "");
}

TEST_F(ExportRunTest, CompletionClosesTheFileThenReportsThenShowsThePanel) {
    book->documents = {DocumentNamingItsItems()};
    const std::string database = Database("Names.NSF");
    std::string fileAtMessage;
    messages.onShow = [&] { fileAtMessage = ReadFile(dir / "names.xls"); };
    const ExportResult result = Export(database);

    ASSERT_EQ(result.outcome, ExportOutcome::Completed);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"1 Contacts Saved Successfully"});
    EXPECT_EQ(messages.titles, std::vector<std::string>{"Conversion Completed..."});
    ASSERT_GE(fileAtMessage.size(), 4u);
    EXPECT_EQ(fileAtMessage.substr(fileAtMessage.size() - 4), std::string("\x0a\x00\x00\x00", 4))
        << "the worksheet is complete before the message";
    EXPECT_EQ(log, (EventLog{"enabled CmdConversion 0", "enabled CmdContactsCreate 0",
                             "message Conversion Completed...", "visible FrameConversionDone 1"}));
    EXPECT_EQ(state.ExportFilePath, dir / "names.xls");
    EXPECT_EQ(FolderEntries(dir.path()), (std::set<std::string>{"Names.NSF", "names.xls"}))
        << "no temporary file is left";
}

TEST_F(ExportRunTest, NotesIsOpenedWithThePathAsTypedAndTheFolderKeepsItsCase) {
    fs::create_directories(dir.path() / "Mail.NSF");
    book->documents = {DocumentNamingItsItems()};
    const std::string database = Database("Mail.NSF/Names.NSF");
    ASSERT_EQ(Export(database).outcome, ExportOutcome::Completed);
    EXPECT_EQ(book->getDatabaseCalls,
              (std::vector<std::pair<std::string, std::string>>{{"", database}}));
    EXPECT_EQ(book->getViewCalls, std::vector<std::string>{"$People"});
    EXPECT_TRUE(fs::exists(dir.path() / "Mail.NSF" / "names.xls"));
    EXPECT_EQ(state.ExportFilePath, (dir.path() / "Mail.NSF" / "names.xls").string());
}

TEST_F(ExportRunTest, AnEarlierWorksheetIsReplacedWhole) {
    book->documents = {DocumentNamingItsItems()};
    const std::string database = Database();
    WriteFile(dir / "names.xls", std::string(100000, 'x'));
    ASSERT_EQ(Export(database).outcome, ExportOutcome::Completed);
    const std::string bytes = ReadFile(dir / "names.xls");
    EXPECT_EQ(bytes.find('x' + std::string(20, 'x')), std::string::npos);
    bool complete = false;
    EXPECT_EQ(ParseRecords(bytes, &complete).back().id, kEof);
    EXPECT_TRUE(complete);
}

// ------------------------------------------------------------- cell values

TEST_F(ExportRunTest, SuffixAndTitleZeroBecomeEmptyAndNothingElseDoes) {
    book->documents = {
        Doc({{"Suffix", {Text("0")}}, {"Title", {Text("0")}}, {"FirstName", {Text("0")}},
             {"Comment", {Text("0")}}}),
        Doc({{"Suffix", {Text("00")}}, {"Title", {Text(" 0")}}}),
        Doc({{"Suffix", {Text("0 ")}}, {"Title", {NotesValue(0.0)}}}),
    };
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    const auto grid = Grid(dir / "names.xls");
    EXPECT_EQ(grid[1][4], "");
    EXPECT_EQ(grid[1][5], "");
    EXPECT_EQ(grid[1][0], "0");
    EXPECT_EQ(grid[1][38], "0");
    EXPECT_EQ(grid[2][4], "00");
    EXPECT_EQ(grid[2][5], " 0");
    EXPECT_EQ(grid[3][4], "0 ");
    // The rule looks at the text a value becomes: a number 0 reads "0" as well.
    EXPECT_EQ(grid[3][5], ValueToText(NotesValue(0.0)) == "0" ? "" : ValueToText(NotesValue(0.0)));
}

TEST_F(ExportRunTest, OnlyTheFirstValueOfAnItemIsWrittenAsText) {
    const NotesDateTime birthday{1970, 3, 15, 0, 0, 0, false};
    const NotesDateTime anniversary{1998, 6, 20, 14, 30, 5, true};
    book->documents = {Doc({
        {"Categories", {Text("A"), Text("B")}},
        {"Children", {Text(""), Text("Second")}},
        {"Zip", {NotesValue(12345.0), NotesValue(1.0)}},
        {"Birthday", {NotesValue(birthday)}},
        {"Anniversary", {NotesValue(anniversary)}},
        {"Comment", {}},
    })};
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    const auto grid = Grid(dir / "names.xls");
    EXPECT_EQ(grid[1][37], "A");
    EXPECT_EQ(grid[1][36], "") << "an empty first value stays empty; later values are dropped";
    EXPECT_EQ(grid[1][27], ValueToText(NotesValue(12345.0)));
    EXPECT_EQ(grid[1][33], ValueToText(NotesValue(birthday)));
    EXPECT_EQ(grid[1][34], ValueToText(NotesValue(anniversary)));
    EXPECT_EQ(grid[1][38], "") << "an item with no values at all";
}

TEST_F(ExportRunTest, ValuesAreCutAt255CharactersNotBytes) {
    std::string e300;
    for (int i = 0; i < 300; ++i) e300 += "\xc3\xa9";  // é
    std::string e200;
    for (int i = 0; i < 200; ++i) e200 += "\xc3\xa9";
    book->documents = {
        Doc({{"FirstName", {Text(std::string(255, 'a'))}},
             {"LastName", {Text(std::string(256, 'b'))}},
             {"Comment", {Text(e300)}},
             {"City", {Text(e200)}}}),
        Doc({{"Comment", {Text(std::string(1000, 'c'))}},
             {"Zip", {Text(std::string(300, '\xff'))}}}),
    };
    const ExportResult result = Export(Database());
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    const auto grid = Grid(dir / "names.xls");
    EXPECT_EQ(grid[1][0], std::string(255, 'a')) << "255 characters are kept whole";
    EXPECT_EQ(grid[1][2], std::string(255, 'b'));
    EXPECT_EQ(grid[1][38], std::string(255, '\xe9')) << "cut between characters, not bytes";
    EXPECT_EQ(grid[1][26], std::string(200, '\xe9')) << "400 bytes but 200 characters";
    EXPECT_EQ(grid[2][38], std::string(255, 'c'));
    EXPECT_EQ(grid[2][27], std::string(255, '?')) << "each stray byte is one character";
    EXPECT_EQ(result.valuesShortened, 4);
    EXPECT_EQ(messages.texts.back(),
              "2 Contacts Saved Successfully\r\n\r\n"
              "4 values were longer than 255 characters and were shortened.");
}

TEST_F(ExportRunTest, OneShortenedValueIsReportedInTheSingular) {
    book->documents = {Doc({{"Comment", {Text(std::string(256, 'c'))}}})};
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    EXPECT_EQ(messages.texts.back(),
              "1 Contacts Saved Successfully\r\n\r\n"
              "1 value was longer than 255 characters and was shortened.");
}

// ------------------------------------------------------------- the walk

TEST_F(ExportRunTest, AFailingItemGivesAnEmptyCellAndTheWalkGoesOn) {
    book->documents = {Doc({{"FirstName", {Text("One")}}}), Doc({{"FirstName", {Text("Two")}}}),
                       Doc({{"FirstName", {Text("Three")}}})};
    book->documents[0].failing = {"LastName"};
    book->documents[0].items["LastName"] = {Text("hidden")};
    book->documents[1].failing = {"FirstName", "Comment"};
    const ExportResult result = Export(Database());
    ASSERT_EQ(result.outcome, ExportOutcome::Completed);
    EXPECT_EQ(result.contactsWritten, 3);
    const auto grid = Grid(dir / "names.xls");
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid[1][2], "");
    EXPECT_EQ(grid[2][0], "");
    EXPECT_EQ(grid[3][0], "Three");
}

TEST_F(ExportRunTest, ANavigatorOrDocumentFailureEndsTheWalkLikeTheEndOfTheView) {
    for (int i = 0; i < 5; ++i)
        book->documents.push_back(Doc({{"FirstName", {Text("N" + std::to_string(i))}}}));
    book->failNextAfter = 2;
    ExportResult result = Export(Database());
    ASSERT_EQ(result.outcome, ExportOutcome::Completed);
    EXPECT_EQ(result.contactsWritten, 3);
    EXPECT_EQ(messages.texts.back(), "3 Contacts Saved Successfully");
    EXPECT_EQ(Grid(dir / "names.xls").size(), 4u);

    book->failNextAfter = -1;
    book->failDocumentAt = 1;
    EXPECT_EQ(Export(Database()).contactsWritten, 1);
}

TEST_F(ExportRunTest, WithoutAFirstEntryNothingIsWrittenAndTheWindowStaysReady) {
    struct Case {
        const char* what;
        std::function<void(FakeBook&)> arrange;
    } cases[] = {
        {"empty view", [](FakeBook&) {}},
        {"no $People view", [](FakeBook& b) { b.failGetView = true; b.generated = 3; }},
        {"database not opened", [](FakeBook& b) { b.failGetDatabase = true; b.generated = 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        *book = FakeBook();
        c.arrange(*book);
        WriteFile(dir / "names.xls", "earlier worksheet");
        log.clear();
        messages.texts.clear();
        messages.titles.clear();
        const ExportResult result = Export(Database());
        EXPECT_EQ(result.outcome, ExportOutcome::NotAddressBook);
        EXPECT_EQ(messages.texts, std::vector<std::string>{kNotAddressBook});
        EXPECT_EQ(messages.titles, std::vector<std::string>{"Corvane Software"});
        EXPECT_EQ(log, EventLog{"message Corvane Software"}) << "buttons and panel untouched";
        EXPECT_EQ(ReadFile(dir / "names.xls"), "earlier worksheet");
        EXPECT_EQ(FolderEntries(dir.path()), (std::set<std::string>{"names.nsf", "names.xls"}));
    }
}

TEST_F(ExportRunTest, TheSecondSessionClassIsTriedAndItsFailuresAreReported) {
    book->generated = 2;
    ScopedSessionClass noDomino{kDominoProgID, [] { return std::shared_ptr<NotesSession>(); }};
    const std::string database = Database();

    EXPECT_EQ(Export(database).outcome, ExportOutcome::NotInstalled) << "no session at all";
    EXPECT_EQ(messages.texts.back(), kNotAddressBook);
    EXPECT_EQ(messages.titles.back(), "Corvane Software");

    ScopedSessionClass notesClient{kNotesProgID, FactoryFor(book)};
    book->failGetDatabase = true;
    EXPECT_EQ(Export(database).outcome, ExportOutcome::NotInstalled);
    EXPECT_EQ(messages.texts.back(), kNotAddressBook);
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"names.nsf"});
    EXPECT_TRUE(conversion.enabled());
    EXPECT_FALSE(done.visible());

    book->failGetDatabase = false;
    EXPECT_EQ(Export(database).outcome, ExportOutcome::Completed);
    EXPECT_EQ(messages.texts.back(), "2 Contacts Saved Successfully");
}

// ------------------------------------------------------------- progress

TEST_F(ExportRunTest, ProgressRunsFromTwoToTheCountWithinItsRange) {
    book->generated = 4;

    state.ContactCount = 6;  // a scan counted more than the view now holds
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    EXPECT_EQ(progress.minimum, 0);
    EXPECT_EQ(progress.maximums, std::vector<int32_t>{6});
    EXPECT_EQ(progress.values, (std::vector<int32_t>{2, 3, 4}));
    EXPECT_GE(progress.repaints, 1);
    EXPECT_EQ(progress.lastRepaintedValue, 4) << "the last value is shown";

    progress = RecordingProgress();
    state.ContactCount = 0;  // no scan: the view's own count
    book->count = 3;         // ... which is too low
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    EXPECT_EQ(progress.maximums, (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(progress.values, (std::vector<int32_t>{2, 3, 4}));
    EXPECT_FALSE(progress.outOfRange);

    progress = RecordingProgress();
    book->failCount = true;
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    EXPECT_FALSE(progress.outOfRange);
    EXPECT_EQ(progress.maximum, 4);
}

TEST_F(ExportRunTest, OneDocumentLeavesTheBarWhereItWas) {
    book->generated = 1;
    state.ContactCount = 1;
    ASSERT_EQ(Export(Database()).outcome, ExportOutcome::Completed);
    EXPECT_TRUE(progress.values.empty());
    EXPECT_EQ(messages.texts.back(), "1 Contacts Saved Successfully");
}

// ------------------------------------------------------------- capacity

TEST_F(ExportRunTest, MoreThan65535ContactsFillTheLastRowAndTheRestAreCounted) {
    book->generated = 65535 + 7;
    const ExportResult result = Export(Database());
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    EXPECT_EQ(result.contactsWritten, 65535);
    EXPECT_EQ(result.contactsLeftOut, 7);
    EXPECT_EQ(messages.texts.back(),
              "65535 Contacts Saved Successfully\r\n\r\n7 contacts were left out: a worksheet "
              "holds at most 65,535 contacts. Split the address book to export the rest.");

    bool complete = false;
    const std::vector<Record> records = ParseRecords(ReadFile(dir / "names.xls"), &complete);
    ASSERT_TRUE(complete);
    std::size_t labels = 0;
    Label last;
    for (const Record& record : records)
        if (record.id == kLabel) {
            ++labels;
            last = ParseLabel(record);
        }
    EXPECT_EQ(labels, 39u * 65536u);
    EXPECT_EQ(last.row, 0xFFFFu);
    EXPECT_EQ(last.column + 1, kColumnsInWriteOrder[38]);
    EXPECT_EQ(progress.values.back(), 65535 + 7);
    EXPECT_FALSE(progress.outOfRange);
}

TEST_F(ExportRunTest, ExactlyOneLeftOutContactIsReportedInTheSingular) {
    book->generated = 65536;
    const ExportResult result = Export(Database());
    EXPECT_EQ(result.contactsLeftOut, 1);
    EXPECT_NE(messages.texts.back().find("\r\n\r\n1 contact was left out"), std::string::npos);
    // The last row holds the 65,535th document, not the 65,536th.
    const std::vector<Label> labels = Labels(ParseRecords(ReadFile(dir / "names.xls")));
    ASSERT_EQ(labels.size(), 39u * 65536u);
    EXPECT_EQ(labels[39u * 65535u].row, 0xFFFFu);
    EXPECT_EQ(labels[39u * 65535u].text, "P65535");
}

// ------------------------------------------------------------- never over the book

TEST_F(ExportRunTest, ABookNamedLikeItsWorksheetIsRefused) {
    book->generated = 2;
    const std::string database = Database("book.xls");
    const ExportResult result = Export(database);
    EXPECT_EQ(result.outcome, ExportOutcome::Refused);
    ASSERT_EQ(messages.titles, std::vector<std::string>{"Corvane Software"});
    EXPECT_NE(messages.texts[0].find(database), std::string::npos) << messages.texts[0];
    EXPECT_EQ(ReadFile(database), "address book");
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"book.xls"});
    EXPECT_TRUE(book->getDatabaseCalls.empty()) << "refused before Notes is opened";
    EXPECT_EQ(log, EventLog{"message Corvane Software"});
}

TEST_F(ExportRunTest, AnOutputThatIsTheBookUnderAnotherNameIsRefused) {
    book->generated = 2;
    fs::create_directories(dir.path() / "sub");
    const std::string database = Database("names.nsf");
    fs::create_symlink(database, dir.path() / "link.xls");
    fs::create_hard_link(database, dir.path() / "hard.xls");
    for (const std::string& output :
         {database, (dir.path() / "sub" / ".." / "names.nsf").string(), dir / "link.xls",
          dir / "hard.xls"}) {
        SCOPED_TRACE(output);
        EXPECT_EQ(Export(database, output).outcome, ExportOutcome::Refused);
        EXPECT_EQ(ReadFile(database), "address book");
    }
    EXPECT_EQ(FolderEntries(dir.path()),
              (std::set<std::string>{"names.nsf", "sub", "link.xls", "hard.xls"}));
}

TEST_F(ExportRunTest, AnOutputPathIsUsedAsGiven) {
    book->generated = 2;
    const std::string database = Database();
    ASSERT_EQ(Export(database, dir / "Other Name.XLS").outcome, ExportOutcome::Completed);
    EXPECT_EQ(state.ExportFilePath, dir / "Other Name.XLS");
    EXPECT_EQ(FolderEntries(dir.path()), (std::set<std::string>{"names.nsf", "Other Name.XLS"}));
}

// ------------------------------------------------------------- file failures

class FileFailureTest : public ExportRunTest {
protected:
    // The run failed for a file reason, said so naming the worksheet, and left
    // everything as it was.
    void ExpectFailedCleanly(const ExportResult& result, const std::string& target,
                             const std::string& reason) {
        EXPECT_EQ(result.outcome, ExportOutcome::FileError);
        ASSERT_EQ(messages.titles, std::vector<std::string>{"Corvane Software"});
        EXPECT_NE(messages.texts[0].find(target), std::string::npos) << messages.texts[0];
        EXPECT_NE(messages.texts[0].find(reason), std::string::npos) << messages.texts[0];
        EXPECT_TRUE(conversion.enabled());
        EXPECT_FALSE(done.visible());
        EXPECT_TRUE(contactsCreate.enabled());
    }
};

TEST_F(FileFailureTest, AMissingFolderIsNamed) {
    book->generated = 3;
    const std::string database = Database();
    const std::string target = dir / "missing/names.xls";
    ExpectFailedCleanly(Export(database, target), target, "the folder does not exist");
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"names.nsf"});
}

// Mounts a small file system of its own in the test folder; as root a folder's
// permission bits do not stop writing, a read-only mount does.
class Mount {
public:
    Mount(const std::string& where, const char* type, const char* source, unsigned long flags,
          const char* options) : where_(where) {
        mounted_ = ::mount(source, where.c_str(), type, flags, options) == 0;
        error_ = errno;
    }
    ~Mount() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    std::string error() const { return std::strerror(error_); }

private:
    std::string where_;
    bool mounted_ = false;
    int error_ = 0;
};

TEST_F(FileFailureTest, AReadOnlyFolderKeepsItsEarlierWorksheet) {
    book->generated = 3;
    const std::string folder = dir / "ro";
    fs::create_directories(folder);
    const std::string database = folder + "/names.nsf";
    WriteFile(database, "address book");
    WriteFile(folder + "/names.xls", "earlier worksheet");

    std::unique_ptr<Mount> bind, readOnly;
    if (::geteuid() == 0) {
        bind = std::make_unique<Mount>(folder, nullptr, folder.c_str(), MS_BIND, nullptr);
        if (!bind->mounted()) GTEST_SKIP() << "cannot bind-mount a folder read-only: " << bind->error();
        readOnly = std::make_unique<Mount>(folder, nullptr, folder.c_str(),
                                           MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
        if (!readOnly->mounted())
            GTEST_SKIP() << "cannot remount a folder read-only: " << readOnly->error();
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string target = folder + "/names.xls";
    ExpectFailedCleanly(Export(database), target, "permission was denied");
    EXPECT_EQ(ReadFile(target), "earlier worksheet");
    EXPECT_EQ(FolderEntries(folder), (std::set<std::string>{"names.nsf", "names.xls"}));
}

TEST_F(FileFailureTest, AFullDiskLeavesNoPartialFileAndTheEarlierWorksheet) {
    // 40 documents of 39 long cells need far more than the 64 KiB the disk holds.
    for (int i = 0; i < 40; ++i) {
        FakeDocumentData data;
        for (const char* item : kItemNames) data.items[item] = {Text(std::string(200, 'v'))};
        book->documents.push_back(data);
    }
    const std::string folder = dir / "small";
    fs::create_directories(folder);
    Mount disk(folder, "tmpfs", "tallowby-test", 0, "size=64k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.error();
    const std::string database = folder + "/names.nsf";
    WriteFile(database, "address book");
    WriteFile(folder + "/names.xls", "earlier worksheet");

    const std::string target = folder + "/names.xls";
    ExpectFailedCleanly(Export(database), target, "the disk is full");
    EXPECT_EQ(ReadFile(target), "earlier worksheet");
    EXPECT_EQ(FolderEntries(folder), (std::set<std::string>{"names.nsf", "names.xls"}));
}

TEST_F(FileFailureTest, AFullDiskWhenTheLastBytesAreWrittenIsCaughtToo) {
    // A book that only just does not fit: the writer's buffer takes all of it and the
    // disk fills while the file is being closed.
    book->generated = 10;
    const std::string folder = dir / "small";
    fs::create_directories(folder);
    Mount disk(folder, "tmpfs", "tallowby-test", 0, "size=4k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.error();
    const std::string database = folder + "/names.nsf";
    WriteFile(database, std::string(1000, 'b'));
    const std::string target = folder + "/names.xls";
    ExpectFailedCleanly(Export(database), target, "the disk is full");
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"names.nsf"});
}

} // namespace
} // namespace tallowby::test
