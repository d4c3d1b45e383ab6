// The worksheet's name: beside the database, the file name lower-cased, its last
// extension replaced by ".xls".
#include "export/ExportRun.h"

#include <gtest/gtest.h>

namespace tallowby {
namespace {

TEST(OutputPathFor, ReplacesTheLastExtensionOfTheLowerCasedName) {
    EXPECT_EQ(OutputPathFor("Names.NSF"), "names.xls");
    EXPECT_EQ(OutputPathFor("names.dxl"), "names.xls");
    EXPECT_EQ(OutputPathFor("archive.tar.GZ"), "archive.tar.xls");
    EXPECT_EQ(OutputPathFor("names."), "names.xls");
}

TEST(OutputPathFor, KeepsTheFoldersAsTheyAre) {
    EXPECT_EQ(OutputPathFor("/Data/Mail/Names.NSF"), "/Data/Mail/names.xls");
    // Only the name's extension is replaced, not a ".nsf" in a folder name.
    EXPECT_EQ(OutputPathFor("/srv/Old.NSF/Names.nsf"), "/srv/Old.NSF/names.xls");
    EXPECT_EQ(OutputPathFor("rel/v2.0/Book"), "rel/v2.0/book.xls");
    EXPECT_EQ(OutputPathFor("./Names.nsf"), "./names.xls");
}

TEST(OutputPathFor, AppendsTheExtensionWhenTheNameHasNone) {
    EXPECT_EQ(OutputPathFor("/books/Book"), "/books/book.xls");
    EXPECT_EQ(OutputPathFor(".hidden"), ".hidden.xls");
    EXPECT_EQ(OutputPathFor("/books/..Hidden"), "/books/..hidden.xls");
    EXPECT_EQ(OutputPathFor(".hidden.nsf"), ".hidden.xls");
}

TEST(OutputPathFor, LowerCasesAsciiOnly) {
    // Other letters keep their case: "Ä" stays, the ASCII letters around it do not.
    EXPECT_EQ(OutputPathFor("/b/\xc3\x84" "DRESSEN.NSF"), "/b/\xc3\x84" "dressen.xls");
    EXPECT_EQ(OutputPathFor("/b/\xc3\xa9t\xc3\xa9.Nsf"), "/b/\xc3\xa9t\xc3\xa9.xls");
}

TEST(OutputPathFor, CanBeTheDatabaseItself) {
    // The run refuses these; the name rule alone cannot avoid them.
    EXPECT_EQ(OutputPathFor("/books/book.xls"), "/books/book.xls");
    EXPECT_EQ(OutputPathFor("/books/Book.XLS"), "/books/book.xls");
}

} // namespace
} // namespace tallowby
