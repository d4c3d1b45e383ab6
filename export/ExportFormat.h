// The file formats the export writes: the Excel 2.1 worksheet, the Office Open XML
// workbook and UTF-8 CSV. One table holds what the rest of the program needs to
// know about each: its name on the command line, its extension, a line saying what
// it is for, and the word messages use for the file.
#pragma once

#include <optional>
#include <string_view>

namespace tallowby {

enum class ExportFormat { Xls, Xlsx, Csv };

inline constexpr ExportFormat kExportFormats[] = {ExportFormat::Xls, ExportFormat::Xlsx,
                                                  ExportFormat::Csv};

// "xls", "xlsx", "csv": the value of --format and of a remembered choice.
std::string_view FormatName(ExportFormat format);
// ".xls", ".xlsx", ".csv".
std::string_view FormatExtension(ExportFormat format);
// One line for a chooser: "Excel 2.1 worksheet (.xls)", "Excel workbook (.xlsx):
// current Excel, LibreOffice, every language", "CSV, UTF-8 (.csv): for other programs".
std::string_view FormatDescription(ExportFormat format);
// The file in messages: "worksheet", "workbook", "CSV file".
std::string_view FormatNoun(ExportFormat format);

// The format named "xls", "xlsx" or "csv", in any case; none for anything else.
std::optional<ExportFormat> FormatFromName(std::string_view name);
// The format a path's file name asks for by its last extension (".xls", ".xlsx",
// ".csv", in any case); none for any other extension or none at all.
std::optional<ExportFormat> FormatFromExtension(std::string_view path);

} // namespace tallowby
