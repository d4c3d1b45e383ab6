#include "export/ExportFormat.h"

#include <cstddef>

namespace tallowby {

namespace {

struct FormatInfo {
    ExportFormat format;
    std::string_view name, extension, description, noun;
};

constexpr FormatInfo kFormats[] = {
    {ExportFormat::Xls, "xls", ".xls", "Excel 2.1 worksheet (.xls)", "worksheet"},
    {ExportFormat::Xlsx, "xlsx", ".xlsx",
     "Excel workbook (.xlsx): current Excel, LibreOffice, every language", "workbook"},
    {ExportFormat::Csv, "csv", ".csv", "CSV, UTF-8 (.csv): for other programs", "CSV file"},
};

const FormatInfo& Info(ExportFormat format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return info;
    return kFormats[0];
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

} // namespace

std::string_view FormatName(ExportFormat format) { return Info(format).name; }
std::string_view FormatExtension(ExportFormat format) { return Info(format).extension; }
std::string_view FormatDescription(ExportFormat format) { return Info(format).description; }
std::string_view FormatNoun(ExportFormat format) { return Info(format).noun; }

std::optional<ExportFormat> FormatFromName(std::string_view name) {
    for (const FormatInfo& info : kFormats)
        if (EqualsIgnoringAsciiCase(name, info.name)) return info.format;
    return std::nullopt;
}

std::optional<ExportFormat> FormatFromExtension(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_not_of('.') > dot) return std::nullopt;
    for (const FormatInfo& info : kFormats)
        if (EqualsIgnoringAsciiCase(name.substr(dot), info.extension)) return info.format;
    return std::nullopt;
}

} // namespace tallowby
