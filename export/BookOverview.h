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

} // namespace tallowby
