// A large book read in two parts at once reads as the same book as one reading from
// the start: every document in its view order, every item and value, the item names
// in the order met; where the cut cannot be trusted (inside a comment, a CDATA
// section, an element deeper than the root's children) the book is read whole; a
// fault anywhere is reported as the reading from the start reports it, and a stop
// stops both parts.
#include "addressbook/DxlBook.h"
#include "addressbook/RunControl.h"
#include "tests/addressbook/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace tallowby {
namespace {

using test::TempDir;
using test::WriteFile;

std::string Unid(int i) {
    char unid[33];
    std::snprintf(unid, sizeof unid, "%032X", i * 2654435761u);
    return unid;
}

// A person document. The later persons list their items in another order, spell a
// name in another case and carry an item no earlier person has, so that their item
// numbers differ from the earlier part's.
std::string Person(int i, bool varied, const std::string& more = {}) {
    const std::string n = std::to_string(i);
    std::vector<std::string> items = {
        "<item name='Type'><text>Person</text></item>",
        "<item name='LastName'><text>Name" + std::to_string(i % 37) + "</text></item>",
        "<item name='FirstName'><text>First" + n + "</text></item>",
        "<item name='MailAddress' names='true'><textlist><text>CN=P " + n +
            "/O=Acme</text><text>p" + n + "@example.org</text></textlist></item>",
        "<item name='Birthday'><datetime>19700315</datetime></item>",
        "<item name='Score'><numberlist><number>" + n + ".5</number><number>2</number></numberlist></item>",
        "<item name='Comment'><richtext><par>Line " + n + "</par><par>two</par></richtext></item>",
        "<item name='Photo'><rawitemdata type='1'>AAAA</rawitemdata></item>",
        "<item name='$UpdatedBy'><text>CN=Admin</text></item>",
    };
    if (varied) {
        std::reverse(items.begin(), items.end());
        items.insert(items.begin(), "<item name='Pronunciation'><text>p" + n + "</text></item>");
        items.push_back("<item name='COMMENT'><text>a second Comment item, not read</text></item>");
    }
    std::string text = i % 5 == 0 ? "<note class='document'>" : "<document form='Person'>";
    text += "<noteinfo noteid='" + n + "' unid='" + Unid(i) +
            "'><modified><datetime>20240611T091512,44+02</datetime></modified></noteinfo>\n";
    for (const std::string& item : items) text += item + "\n";
    text += more;
    text += i % 5 == 0 ? "</note>\n" : "</document>\n";
    if (i % 50 == 0)
        text += "<document form='Group'><item name='Type'><text>Group</text></item><item name='ListName'><text>G" +
                n + "</text></item><item name='Members'><textlist><text>First" + n +
                "</text></textlist></item></document>\n";
    return text;
}

// Persons 0..persons-1, the later half varied when asked; `trap` is placed right
// after a large person document in the middle, the `inside` text inside it.
std::string Book(int persons, bool varied, const std::string& inside = {}, const std::string& trap = {}) {
    std::string text;
    for (int i = 0; i < persons / 2; ++i) text += Person(i, false);
    const std::string large = "<item name='Notes'><text>" + std::string(150000, 'x') + "</text></item>\n";
    text += Person(persons + 1, false, large + inside);
    text += trap;
    for (int i = persons / 2; i < persons; ++i) text += Person(i, varied);
    return test::DxlBook(text);
}

void ExpectSameBook(const DxlBook& read, const DxlBook& expected) {
    EXPECT_EQ(read.Title(), expected.Title());
    ASSERT_EQ(read.ItemNames().size(), expected.ItemNames().size());
    for (std::uint32_t i = 0; i < expected.ItemNames().size(); ++i)
        EXPECT_EQ(read.ItemNames().Name(i), expected.ItemNames().Name(i)) << "item name " << i;
    for (const DxlBook::View view : {DxlBook::View::People, DxlBook::View::Groups}) {
        ASSERT_EQ(read.Count(view), expected.Count(view));
        for (std::size_t k = 0; k < expected.Count(view); ++k) {
            const DxlStoredDocument a = read.Document(view, k), b = expected.Document(view, k);
            ASSERT_EQ(a.unid, b.unid) << "document " << k;
            EXPECT_EQ(a.noteid, b.noteid);
            EXPECT_EQ(a.modified, b.modified);
            EXPECT_EQ(a.binaryItems, b.binaryItems);
            ASSERT_EQ(a.items.size(), b.items.size()) << "document " << k;
            for (std::size_t j = 0; j < b.items.size(); ++j) {
                EXPECT_EQ(a.items[j].name, b.items[j].name);
                EXPECT_EQ(a.items[j].kind, b.items[j].kind);
                EXPECT_EQ(DxlStoredDocument::Values(&a.items[j]), DxlStoredDocument::Values(&b.items[j]));
            }
        }
    }
}

std::shared_ptr<const DxlBook> ReadInTwoPartsIfItCan(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "book.dxl", text);
    return DxlBook::ReadFile(dir / "book.dxl", 0);
}

TEST(DxlTwoParts, ReadsTheSameBookAsOneReadingFromTheStart) {
    for (const bool varied : {false, true}) {
        SCOPED_TRACE(varied ? "later items in another order" : "items in the same order");
        const TempDir dir;
        const std::string text = Book(400, varied);
        const auto book = ReadInTwoPartsIfItCan(dir, text);
        EXPECT_EQ(book->parts(), 2);
        const auto expected = DxlBook::ReadBuffer(text, dir / "book.dxl");
        EXPECT_EQ(expected->parts(), 1);
        EXPECT_EQ(expected->Count(DxlBook::View::People), 401u);
        EXPECT_EQ(expected->Count(DxlBook::View::Groups), 8u);
        ExpectSameBook(*book, *expected);
    }
}

TEST(DxlTwoParts, ACutThatCannotBeTrustedReadsTheBookWhole) {
    const std::pair<const char*, std::pair<std::string, std::string>> traps[] = {
        {"in a comment", {"", "<!-- </document>\n<document form='Person'> -->\n"}},
        {"in a CDATA section",
         {"<item name='Quoted'><text><![CDATA[</document>\n<document form='Person'>]]></text></item>\n", ""}},
        {"below the root's children",
         {"<item name='Embedded'><object><document></document>\n<document/></object></item>\n", ""}},
    };
    for (const auto& [where, trap] : traps) {
        SCOPED_TRACE(where);
        const TempDir dir;
        const std::string text = Book(400, true, trap.first, trap.second);
        const auto book = ReadInTwoPartsIfItCan(dir, text);
        EXPECT_EQ(book->parts(), 1);
        ExpectSameBook(*book, *DxlBook::ReadBuffer(text, dir / "book.dxl"));
    }
}

TEST(DxlTwoParts, AFaultInEitherPartIsReportedAsFromTheStart) {
    const std::pair<const char*, std::pair<std::string, std::string>> faults[] = {
        {"in the first part", {"<text>First10</text>", "<text>First10</txet>"}},
        {"in the second part", {"<text>First300</text>", "<text>First300 & more</text>"}},
        {"at the very end", {"</database>\n", "</database>\n<database/>"}},
        {"in the declarations",
         {"<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>", "<!DOCTYPE database [<!ENTITY e 'x'>]>"}},
    };
    for (const auto& [where, fault] : faults) {
        SCOPED_TRACE(where);
        const TempDir dir;
        std::string text = Book(400, true);
        const std::size_t at = text.rfind(fault.first);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, fault.first.size(), fault.second);
        std::string expected;
        try {
            DxlBook::ReadBuffer(text, dir / "book.dxl");
        } catch (const NotesError& e) {
            expected = e.what();
        }
        ASSERT_NE(expected, "");
        try {
            ReadInTwoPartsIfItCan(dir, text);
            ADD_FAILURE() << "read without a word";
        } catch (const NotesError& e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
    }
}

// The progress counts the bytes of both parts, never goes back and ends at the file's
// size; a stop asked for at the first report ends the reading of both. The parts are
// long enough for the pages parsed to be given back as the reading goes on.
TEST(DxlTwoParts, ProgressCoversBothPartsAndAStopEndsBoth) {
    const TempDir dir;
    const std::string text = Book(24000, true);
    ASSERT_GT(text.size(), 20u << 20);
    WriteFile(dir / "book.dxl", text);
    std::vector<std::int64_t> reports;
    const RunCallback listen = [&](RunStage stage, std::int64_t done, std::int64_t total) {
        EXPECT_EQ(stage, RunStage::Reading);
        EXPECT_EQ(total, static_cast<std::int64_t>(text.size()));
        reports.push_back(done);
        return true;
    };
    {
        const RunScope scope(listen);
        EXPECT_EQ(DxlBook::ReadFile(dir / "book.dxl", 0)->parts(), 2);
    }
    ASSERT_GE(reports.size(), 4u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_GT(reports[reports.size() - 2], static_cast<std::int64_t>(text.size() / 2));  // the second part counted
    EXPECT_EQ(reports.back(), static_cast<std::int64_t>(text.size()));

    int heard = 0;
    const RunCallback stop = [&](RunStage, std::int64_t, std::int64_t) { return ++heard > 1 ? true : false; };
    const RunScope scope(stop);
    EXPECT_THROW(DxlBook::ReadFile(dir / "book.dxl", 0), RunStopped);
    EXPECT_EQ(heard, 1);
}

// Shortened by another program while both parts are read from their mapped pages: no
// crash, and a reason that says so.
TEST(DxlTwoParts, ABookShortenedWhileReadSaysSo) {
    const TempDir dir;
    const std::string path = dir / "book.dxl";
    WriteFile(path, Book(4000, true));
    const RunCallback shorten = [&](RunStage, std::int64_t, std::int64_t) {
        EXPECT_EQ(::truncate(path.c_str(), 100), 0);
        return true;
    };
    const RunScope scope(shorten);
    try {
        DxlBook::ReadFile(path, 0);
        ADD_FAILURE() << "a shortened book was read";
    } catch (const NotesError& e) {
        EXPECT_EQ(e.problem().reason, "the file became shorter, or could not be read, while it was being read");
    }
}

} // namespace
} // namespace tallowby
