// Files that are not DXL address books, broken or hostile: the database is not
// open, so Title and GetView fail with a message that names the file. Nothing
// crashes, hangs or reaches outside the file.
#include "DxlTestSupport.h"

#include "addressbook/DxlBook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace tallowby::dxltest {
namespace {

const std::string kValid = Book(Named("a", "Ann", "Able") + Named("b", "Bob", "Baker"));

// Expects the file at path not to open, through the session and through a read
// from memory of the same bytes (when there are bytes).
void ExpectCannotOpen(const std::string& path, const std::string& expectedReason) {
    const auto database = CreateObject(kDominoProgID)->GetDatabase("", path);
    ASSERT_TRUE(database);
    try {
        database->Title();
        ADD_FAILURE() << "Title of " << path << " did not fail";
    } catch (const NotesError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(expectedReason), std::string::npos) << message;
    }
    EXPECT_THROW(database->GetView("$People"), NotesError);
}

void ExpectTextCannotOpen(const std::string& text, const std::string& expectedReason) {
    TempDir dir;
    const std::string path = dir / "names.dxl";
    WriteFile(path, text);
    ExpectCannotOpen(path, expectedReason);
    EXPECT_THROW(DxlBook::ReadBuffer(text, "memory"), NotesError);
}

TEST(DxlHostileFile, MalformedXml) {
    ExpectTextCannotOpen(Book("<document form='Person'><item name='FirstName'><text>Ann</item>"),
                         "not well-formed");
    ExpectTextCannotOpen(kValid + "<database xmlns='http://www.lotus.com/dxl'/>", "not well-formed");
    ExpectTextCannotOpen(Book(std::string("<document form='Person'>") + '\0' + "</document>"),
                         "not well-formed");
}

TEST(DxlHostileFile, TruncatedAnywhere) {
    // Every cut of a valid book leaves a file that cannot be opened.
    TempDir dir;
    const std::string path = dir / "names.dxl";
    for (std::size_t cut = 1; cut < kValid.size() - 1; cut += 7) {
        SCOPED_TRACE(cut);
        WriteFile(path, kValid.substr(0, cut));
        EXPECT_THROW(CreateObject(kDominoProgID)->GetDatabase("", path)->Title(), NotesError);
    }
}

TEST(DxlHostileFile, BinaryDatabaseFile) {
    // A Notes database file proper: binary, starting with its file header.
    std::string bytes("\x1A\x00\x00\x04\x00\x00\x00\x00", 8);
    std::mt19937 random(7);
    for (int i = 0; i < 65536; ++i) bytes += static_cast<char>(random() & 0xFF);
    ExpectTextCannotOpen(bytes, "not well-formed");
}

TEST(DxlHostileFile, EmptyFile) {
    ExpectTextCannotOpen("", "empty");
    ExpectTextCannotOpen(" \n", "not well-formed");
}

TEST(DxlHostileFile, AnotherXmlVocabulary) {
    ExpectTextCannotOpen("<?xml version='1.0'?><html><body><p>names</p></body></html>",
                         "not a Notes DXL database");
    // The right element name in no namespace or in another one is not DXL.
    ExpectTextCannotOpen("<database title='x'><document form='Person'/></database>",
                         "not a Notes DXL database");
    ExpectTextCannotOpen("<database xmlns='http://www.lotus.com/dxl/other' title='x'/>",
                         "not a Notes DXL database");
}

TEST(DxlHostileFile, ExternalEntity) {
    TempDir dir;
    WriteFile(dir / "secret.txt", "secret");
    ExpectTextCannotOpen("<?xml version='1.0'?><!DOCTYPE database [<!ENTITY ext SYSTEM 'file://" +
                             (dir / "secret.txt") + "'>]>" +
                             "<database xmlns='http://www.lotus.com/dxl'><document form='Person'>" +
                             TextItem("FirstName", "&ext;") + "</document></database>",
                         "declares the entity");
    ExpectTextCannotOpen("<?xml version='1.0'?><!DOCTYPE database [<!ENTITY net SYSTEM "
                         "'http://198.51.100.1/x.xml'>]><database xmlns='http://www.lotus.com/dxl'>"
                         "&net;</database>",
                         "declares the entity");
}

TEST(DxlHostileFile, ExternalDtdWithParameterEntity) {
    ExpectTextCannotOpen("<?xml version='1.0'?><!DOCTYPE database SYSTEM 'http://198.51.100.1/a.dtd' "
                         "[<!ENTITY % remote SYSTEM 'http://198.51.100.1/b.dtd'> %remote;]>" +
                             std::string(kValid.substr(kValid.find("<database"))),
                         "declares the entity");
    // With an external DTD that is never read, an undefined entity cannot be expanded.
    ExpectTextCannotOpen("<?xml version='1.0'?><!DOCTYPE database SYSTEM 'domino_9_0_1.dtd'>"
                         "<database xmlns='http://www.lotus.com/dxl'><document form='Person'>" +
                             TextItem("FirstName", "&fromTheDtd;") + "</document></database>",
                         "undefined entity");
}

TEST(DxlHostileFile, EntityExpansionBomb) {
    std::string doctype = "<!DOCTYPE database [<!ENTITY lol0 'lol'>";
    for (int i = 1; i <= 9; ++i)
        doctype += "<!ENTITY lol" + std::to_string(i) + " '" + [&] {
            std::string refs;
            for (int k = 0; k < 10; ++k) refs += "&lol" + std::to_string(i - 1) + ";";
            return refs;
        }() + "'>";
    doctype += "]>";
    ExpectTextCannotOpen("<?xml version='1.0'?>" + doctype +
                             "<database xmlns='http://www.lotus.com/dxl'><document form='Person'>" +
                             TextItem("FirstName", "&lol9;") + "</document></database>",
                         "declares the entity");
}

TEST(DxlHostileFile, InvalidUtf8) {
    ExpectTextCannotOpen(Book(Person("u", "1", TextItem("FirstName", "Ren\xC3\x28"))), "not well-formed");
    ExpectTextCannotOpen(Book(Person("u", "1", TextItem("FirstName", "\xED\xA0\x80"))),
                         "not well-formed");  // an encoded surrogate
}

TEST(DxlHostileFile, FolderAndMissingFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "names.nsf");
    ExpectCannotOpen(dir / "names.nsf", "folder");
    ExpectCannotOpen(dir / "missing.nsf", "does not exist");
    EXPECT_THROW(DxlBook::ReadFile(dir / "missing.nsf"), NotesError);
}

TEST(DxlHostileFile, ServerIsNotReached) {
    TempDir dir;
    const std::string path = dir / "names.dxl";
    WriteFile(path, kValid);
    const auto session = CreateObject(kDominoProgID);
    EXPECT_THROW(session->GetDatabase("Mail01/Corvane", path)->Title(), NotesError);
    EXPECT_EQ(session->GetDatabase("", path)->Title(), "Corvane Directory");
}

} // namespace
} // namespace tallowby::dxltest
