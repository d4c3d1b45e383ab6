// What an export writes to: a layout on a sheet format (ExportSheets.h), or the
// vCard writer. The run hands it the book's contacts one by one, in the view's order,
// and it creates, writes and finally puts in place its files through files::Output.
#pragma once

#include "addressbook/Groups.h"
#include "addressbook/Notes.h"
#include "export/ExportRequest.h"
#include "files/Output.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tallowby {

// One person document on its way into the file; its items are read once, when first
// asked for.
class ExportContact {
public:
    ExportContact(NotesDocument& document, std::size_t viewIndex) : document_(document), viewIndex_(viewIndex) {}
    NotesDocument& document() { return document_; }
    std::size_t viewIndex() const { return viewIndex_; }  // 0-based, in the $People view
    const std::vector<NotesItem>& Items();

private:
    NotesDocument& document_;
    std::size_t viewIndex_;
    std::optional<std::vector<NotesItem>> items_;
};

// What a first walk over the book found, for the sinks that need it before the first
// contact: the whole book's columns, and the groups with their members resolved.
struct BookOverview {
    // The names of the person documents' items, in the order they first appear in the
    // view (Notes' "$" items are not kept by the reader).
    std::vector<std::string> personItems;
    std::vector<PersonIdentity> persons;  // in view order
    std::vector<BookGroup> groups;        // in the Groups view's order
    // For each person, the groups that reach it (directly or through nested groups).
    std::vector<std::vector<std::size_t>> groupsOfPerson;
    int64_t binaryItems = 0;              // of the groups' documents
};

// What the run knows when writing begins.
struct ExportContext {
    const ExportRequest& request;
    std::string target;      // the main file's path
    std::string title;       // the database's title
    int64_t contacts = 0;    // person documents the view holds
    int64_t bookBytes = 0;   // size of the address-book file
    files::OutputOptions outputOptions;  // the book's mode, and the book protected
    // When the sink asked for it: from Begin on, or (GroupsAfterWalk) for Finish.
    const BookOverview* overview = nullptr;
    int64_t groups = 0;      // group documents the Groups view holds
};

class ExportSink {
public:
    virtual ~ExportSink() = default;
    // What the sink needs of the BookOverview: nothing; the whole of it before the
    // first contact (a first walk over the book); or only the groups, once the walk has
    // passed every person (the persons' identities are gathered on the way).
    enum class OverviewNeed { None, BeforeWalk, GroupsAfterWalk };
    virtual OverviewNeed NeedsOverview() const { return OverviewNeed::None; }
    // Most contacts the format holds; the run leaves out and counts the rest.
    virtual int32_t MaxContacts() const { return INT32_MAX; }
    // Creates the files (nothing is put in place yet). Every step returns false once
    // something failed; problem() and failedFile() then say why and which.
    virtual bool Begin(const ExportContext& context) = 0;
    virtual bool Contact(ExportContact& contact) = 0;
    // Completes the files (the groups too) and puts them in place.
    virtual bool Finish() = 0;

    const files::Problem& problem() const { return problem_; }
    const std::string& failedFile() const { return failedFile_; }
    bool failedInPlace() const { return failedInPlace_; }
    // The files put in place, the main file first; and what the sink counted (the
    // result's counts of contacts and groups written, values, shortened values ...).
    const std::vector<std::string>& files() const { return files_; }
    const ExportResult& counts() const { return counts_; }

protected:
    // Opens one file of the export; null with problem() and failedFile() set.
    std::unique_ptr<files::Output> OpenOutput(const ExportContext& context, const std::string& path,
                                              bool staged);
    // Puts a complete file in place, recording it; false with the problem set.
    bool CommitOutput(files::Output& output, const std::function<bool(int, files::Problem&)>& verify = {});
    bool Failed(files::Problem problem, const std::string& file, bool inPlace = false);

    files::Problem problem_;
    std::string failedFile_;
    bool failedInPlace_ = false;
    std::vector<std::string> files_;
    ExportResult counts_;
};

// The sink for a request's format and layout.
std::unique_ptr<ExportSink> MakeExportSink(const ExportRequest& request);

} // namespace tallowby
