// The Notes objects over DXL files: the session class registered from the start
// under "Domino.NotesSession", its database, the $People view, navigator, entries
// and documents.
#pragma once

#include "addressbook/DxlBook.h"
#include "addressbook/Notes.h"

#include <memory>
#include <string>

namespace tallowby {

class DxlSession : public NotesSession {
public:
    // Reads the DXL file named by fileName (server must be "": there is no server
    // to reach). Always yields a database object, as Notes does; when the file
    // cannot be read the database is not open, and its Title and GetView throw the
    // reader's NotesError: it names the file and carries the problem for the user.
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string& server,
                                               const std::string& fileName) override;
};

// A database over a book already read (tests, fuzzing). With no book, a database
// that is not open: Title and GetView throw NotesError(notOpenReason).
std::shared_ptr<NotesDatabase> MakeDxlDatabase(std::shared_ptr<const DxlBook> book,
                                               std::string notOpenReason = {});
// The same with the error its members throw when there is no book.
std::shared_ptr<NotesDatabase> MakeDxlDatabase(std::shared_ptr<const DxlBook> book, NotesError notOpen);

} // namespace tallowby
