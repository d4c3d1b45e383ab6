#include "ui/UiText.h"

#include "addressbook/Notes.h"
#include "addressbook/ValueText.h"

namespace tallowby {

std::string ScanStatusText(std::size_t contacts, const std::string& bookTitle, const std::string& bookPath) {
    std::string from = bookTitle;
    if (from.empty()) {
        const std::size_t slash = bookPath.find_last_of('/');
        from = slash == std::string::npos ? bookPath : bookPath.substr(slash + 1);
    }
    return std::to_string(contacts) + (contacts == 1 ? " contact from " : " contacts from ") + from;
}

std::string CompletionMessage(const std::string& message, const std::string& path) {
    return message + "\r\n\r\nFile: " + path;
}

std::string SaveFilter(ExportFormat format) {
    std::string noun(FormatNoun(format));
    if (format == ExportFormat::Xls) noun = "Excel 2.1 worksheet";
    if (format == ExportFormat::Xlsx) noun = "Excel workbook";
    return noun + " (*" + std::string(FormatExtension(format)) + ")";
}

std::string PathForFormat(const std::string& path, ExportFormat format) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = path;
    if (const auto current = FormatFromExtension(path)) {
        if (*current == format) return path;
        stem.resize(path.size() - ExtensionOf(path).size());
    }
    if (stem.size() <= nameStart) return path;  // no name to put an extension on
    return stem + std::string(FormatExtension(format));
}

std::vector<std::pair<std::string, std::string>> AllItemRows(NotesDocument& document) {
    std::vector<std::pair<std::string, std::string>> rows;
    const TextRule every{true, false, true};
    for (const NotesItem& item : document.Items()) rows.emplace_back(item.name, ValueText(item, every));
    return rows;
}

} // namespace tallowby
