// The first walk over the book, for the exports that need the whole book's shape
// before the first contact: every item name of the person documents, and the groups
// with their members resolved.
#pragma once

#include "addressbook/Notes.h"
#include "export/ExportSink.h"

namespace tallowby {

// Walks the $People view (a navigator of its own) and the Groups view of `database`;
// a book without a Groups view has no groups, and a person or group document that
// cannot be read adds nothing.
BookOverview ReadOverview(NotesDatabase& database, NotesView& people);

// What identifies one person document to a group's member list.
PersonIdentity IdentityOf(NotesDocument& document);

// The groups of `database`'s Groups view, resolved against overview.persons (gathered
// beforehand, in view order), with each person's groups.
void ReadGroups(NotesDatabase& database, BookOverview& overview);

// The number of group documents (0 for a book without a Groups view).
int64_t GroupCount(NotesDatabase& database);

} // namespace tallowby
