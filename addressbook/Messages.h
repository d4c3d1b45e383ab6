// Texts and titles of the message boxes that the scan and the export show.
#pragma once

#include "addressbook/Notes.h"

#include <string>

namespace tallowby {

struct NotesObjects;

inline constexpr const char* kCompanyTitle = "Corvane Software";
inline constexpr const char* kNotInstalledTitle = "Notes Not Installed/Configured";
inline constexpr const char* kConversionTitle = "Conversion Completed...";
inline constexpr const char* kScanCompleted = "Notes Address Book Scan Completed";
inline constexpr const char* kNotAddressBook =
    "Lotus Notes not configured or the selected file is not a correct notes address book file.";
inline constexpr const char* kNoBackup = "No backup copy was made: ";
inline constexpr const char* kSupportAddress = "support@corvane.example";

// The eight lines of the not-installed message joined by CR LF.
std::string NotInstalledMessage();

// The message for an address book that cannot be read: the not-an-address-book text,
// then "File: PATH" and "Reason: ...", then what to do, in paragraphs joined by CR LF.
std::string NotAddressBookMessage(const std::string& path, const BookProblem& problem);

// Why a run's Notes objects reached no first entry, asked of the objects themselves:
// the reader's problem with the file, or that the book holds no person documents.
// Call it before the objects are dropped.
BookProblem WhyNoFirstEntry(NotesObjects& notes);

} // namespace tallowby
