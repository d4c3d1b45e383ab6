// How the scan and the export call into the Notes objects: each call may fail, and
// the caller decides by its own rules whether a failure is skipped, ends the walk or
// ends the run with a message.
#pragma once

#include "addressbook/Notes.h"

#include <memory>

namespace tallowby {

// Runs one call into the Notes objects; false when it failed with a NotesError. Every
// other exception (running out of memory, a stop of the run, a fault in this program)
// is no Notes failure and is passed on.
template <class F>
bool Attempt(F&& call) {
    try {
        call();
        return true;
    } catch (const NotesError&) {
        return false;
    }
}

// Calling a member on no object fails like any other failing call.
template <class T>
T& Require(const std::shared_ptr<T>& object) {
    if (!object) throw NotesError("object variable not set");
    return *object;
}

// The objects of one run, dropped in the order entry, navigator, view, document,
// database, session.
struct NotesObjects {
    std::shared_ptr<NotesSession> session;
    std::shared_ptr<NotesDatabase> database;
    std::shared_ptr<NotesView> view;
    std::shared_ptr<NotesViewNavigator> navigator;
    std::shared_ptr<NotesViewEntry> entry;
    std::shared_ptr<NotesDocument> document;

    NotesObjects() = default;
    NotesObjects(const NotesObjects&) = delete;
    NotesObjects& operator=(const NotesObjects&) = delete;
    ~NotesObjects() { Drop(); }

    void Drop() {
        entry.reset();
        navigator.reset();
        view.reset();
        document.reset();
        database.reset();
        session.reset();
    }
};

} // namespace tallowby
