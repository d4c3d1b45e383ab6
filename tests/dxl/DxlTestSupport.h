// A temporary folder per test, DXL texts built from fragments, and a walk over the
// $People view through the Notes objects.
#pragma once

#include "addressbook/DxlSession.h"
#include "addressbook/Notes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallowby::dxltest {

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-dxl-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline const char kHeader[] =
    "<?xml version='1.0' encoding='utf-8'?>\n"
    "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n"
    "<database xmlns='http://www.lotus.com/dxl' version='9.0' replicaid='852584A2004F3C1B'"
    " path='names.nsf' title='Corvane Directory'>\n"
    "<databaseinfo dbid='852584A2004F3C1B' odsversion='52'/>\n";

// A whole DXL database around the given documents.
inline std::string Book(const std::string& documents) {
    return std::string(kHeader) + documents + "</database>\n";
}

inline std::string TextItem(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><text>" + value + "</text></item>";
}

// A formatted person document with its identity and the given items.
inline std::string Person(const std::string& unid, const std::string& noteid,
                          const std::string& items) {
    return "<document form='Person'><noteinfo noteid='" + noteid + "' unid='" + unid +
           "' sequence='1'><created><datetime>20190315T143005,12-05</datetime></created>"
           "</noteinfo>" +
           TextItem("Type", "Person") + items + "</document>\n";
}

inline std::string Named(const std::string& unid, const std::string& first, const std::string& last) {
    return Person(unid, "1" + unid, TextItem("FirstName", first) + TextItem("LastName", last));
}

// One person document as the walk sees it.
struct Seen {
    std::string unid, noteid;
    std::shared_ptr<NotesDocument> document;
    std::string Text(const std::string& item) const {
        return ValueToText(document->GetItemValue(item).at(0));
    }
};

struct Walk {
    std::string title;
    int32_t count = 0;
    std::vector<Seen> documents;
};

// Opens the book through the registered DXL session and walks the $People view.
inline Walk WalkBook(const std::string& path) {
    const auto session = CreateObject(kDominoProgID);
    if (!session) throw std::runtime_error("no DXL session");
    const auto database = session->GetDatabase("", path);
    Walk walk;
    walk.title = database->Title();
    const auto navigator = database->GetView("$People")->CreateViewNav();
    walk.count = navigator->Count();
    for (auto entry = navigator->GetFirstDocument(); entry; entry = navigator->GetNextDocument(entry)) {
        auto document = entry->Document();
        walk.documents.push_back({document->UniversalID(), document->NoteID(), document});
    }
    return walk;
}

// Writes the text to book.dxl in the folder and walks it.
inline Walk WalkText(const TempDir& dir, const std::string& text) {
    const std::string path = dir / "book.dxl";
    WriteFile(path, text);
    return WalkBook(path);
}

inline std::vector<std::string> Unids(const Walk& walk) {
    std::vector<std::string> unids;
    for (const auto& d : walk.documents) unids.push_back(d.unid);
    return unids;
}

} // namespace tallowby::dxltest
