// The file formats and layouts the export writes, and the choices a person picks from.
// One table holds what the rest of the program needs to know about each format: its
// name on the command line, its extension, and the word messages use for the file.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallowby {

enum class ExportFormat { Xls, Xlsx, Csv, Vcf };

inline constexpr ExportFormat kExportFormats[] = {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv,
                                                  ExportFormat::Vcf};

// Which values go into the file: the 39 classic columns (the first value of each
// item), the whole book (every value of every item, and the groups), or Outlook's own
// CSV columns. A vCard file always holds the whole book.
enum class ExportLayout { Classic, Full, Outlook };

// "xls", "xlsx", "csv", "vcf": the value of --format.
std::string_view FormatName(ExportFormat format);
// ".xls", ".xlsx", ".csv", ".vcf".
std::string_view FormatExtension(ExportFormat format);
// The file in messages: "worksheet", "workbook", "CSV file", "vCard file".
std::string_view FormatNoun(ExportFormat format);

// The format named "xls", "xlsx", "csv" or "vcf", in any case; none for anything else.
std::optional<ExportFormat> FormatFromName(std::string_view name);
// The format a path's file name asks for by its last extension (in any case); none for
// any other extension or none at all.
std::optional<ExportFormat> FormatFromExtension(std::string_view path);
// The path's last extension (".txt"), "" when it has none.
std::string_view ExtensionOf(std::string_view path);

// "classic", "full", "outlook": the value of --layout.
std::string_view LayoutName(ExportLayout layout);
std::optional<ExportLayout> LayoutFromName(std::string_view name);
// "" when the format can hold the layout; else why not, as a sentence.
std::string LayoutMismatch(ExportFormat format, ExportLayout layout);

// One choice of the conversion window: a format, a layout and, for vCards, a version.
struct ExportChoice {
    std::string_view name;         // remembered in the settings: "xls", "xlsx-full", "vcf-4.0" ...
    ExportFormat format;
    ExportLayout layout;
    int vcardVersion;              // 3 or 4; 0 for other formats
    std::string_view description;  // the line the window shows
};
std::span<const ExportChoice> ExportChoices();
const ExportChoice* ChoiceNamed(std::string_view name);

} // namespace tallowby
