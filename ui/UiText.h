// What the windows say in words, as plain strings tested without a window: the
// status line after a scan, the completion message with the file's place, the
// save dialog's filter, the target of a format chosen after Save As, and a
// contact's items in the "All Items" page.
#pragma once

#include "export/ExportFormat.h"

#include <string>
#include <utility>
#include <vector>

namespace tallowby {

class NotesDocument;

// "215 contacts from Contacts of Anna" (one: "1 contact from ..."): the book's title,
// or the file's name when the book has no title.
std::string ScanStatusText(std::size_t contacts, const std::string& bookTitle, const std::string& bookPath);

// The export's message with where the file went: message + "\r\n\r\nFile: " + path.
std::string CompletionMessage(const std::string& message, const std::string& path);

// The save dialog's filter for a format: "Excel workbook (*.xlsx)".
std::string SaveFilter(ExportFormat format);

// A path chosen with Save As, for another format: the extension replaced by the
// format's (added when it has none of the export's formats).
std::string PathForFormat(const std::string& path, ExportFormat format);

// Every item of a document in stored order with all its values, one per line, names
// abbreviated: the rows of the "All Items" page (item, values).
std::vector<std::pair<std::string, std::string>> AllItemRows(NotesDocument& document);

} // namespace tallowby
