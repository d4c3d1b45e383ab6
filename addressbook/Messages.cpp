#include "addressbook/Messages.h"

#include "addressbook/BookFile.h"
#include "addressbook/NotesCalls.h"
#include "files/Problem.h"

#include <new>

namespace tallowby {

std::string NotInstalledMessage() {
    std::string text;
    text += "Lotus Notes NOT INSTALLED or CONFIGURED Properly.";
    text += "\r\n";
    text += "\r\n";
    text += "If Lotus Notes is installed and configured properly and you still get this error message";
    text += "\r\n";
    text += "then make sure your Lotus Notes Client is configured as stand alone client (does not look for Domino).";
    text += "\r\n";
    text += "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.";
    text += "\r\n";
    text += "Please contact our technical team at ";
    text += kSupportAddress;
    text += " for further assistance.";
    text += "\r\n";
    text += "\r\n";
    text += "Make sure you logged in under same user account through which Notes is installed.";
    return text;
}

std::string NotAddressBookMessage(const std::string& path, const BookProblem& problem) {
    std::string text = kNotAddressBook;
    text += "\r\n\r\nFile: " + files::Printable(path);
    text += "\r\nReason: " + (problem.empty() ? std::string("the address book could not be opened") : problem.reason) + ".";
    if (!problem.remedy.empty()) text += "\r\n\r\n" + problem.remedy;
    return text;
}

namespace {

BookProblem ProblemOf(const NotesError& error) {
    if (!error.problem().empty()) return error.problem();
    return {error.what(), {}};
}

// The problem a failing call reports; empty when the call succeeds.
template <class F>
BookProblem ProblemOfCall(F&& call) {
    try {
        call();
        return {};
    } catch (const NotesError& error) {
        return ProblemOf(error);
    } catch (const std::bad_alloc&) {
        return MemoryProblem();
    } catch (const std::exception& error) {
        return {error.what(), {}};
    }
}

} // namespace

BookProblem WhyNoFirstEntry(NotesObjects& notes) {
    if (!notes.session) return {"no Notes session could be created", {}};
    if (!notes.database) return {"the address book could not be opened", {}};
    // A database that is not open says why when asked for anything.
    if (BookProblem problem = ProblemOfCall([&] { notes.database->Title(); }); !problem.empty()) return problem;
    if (!notes.view) {
        BookProblem problem = ProblemOfCall([&] { notes.database->GetView("$People"); });
        return problem.empty() ? BookProblem{"its view $People cannot be read", {}} : problem;
    }
    if (!notes.navigator) return {"its view $People cannot be walked", {}};
    return {"it holds no person documents",
            "Choose the address book that holds the contacts (in Notes usually names.nsf), exported as DXL."};
}

} // namespace tallowby
