#include "export/ExportFormat.h"
#include "addressbook/AsciiCase.h"

#include <cstddef>
#include <iterator>

namespace tallowby {

namespace {

struct FormatInfo {
    ExportFormat format;
    std::string_view name, extension, noun;
};

constexpr FormatInfo kFormats[] = {
    {ExportFormat::Xls, "xls", ".xls", "worksheet"},
    {ExportFormat::Xlsx, "xlsx", ".xlsx", "workbook"},
    {ExportFormat::Csv, "csv", ".csv", "CSV file"},
    {ExportFormat::Vcf, "vcf", ".vcf", "vCard file"},
};

constexpr std::string_view kLayoutNames[] = {"classic", "full", "outlook"};

constexpr ExportChoice kChoices[] = {
    {"xls", ExportFormat::Xls, ExportLayout::Classic, 0, "Excel 2.1 worksheet (.xls)"},
    {"xlsx", ExportFormat::Xlsx, ExportLayout::Classic, 0,
     "Excel workbook (.xlsx): current Excel, LibreOffice, every language"},
    {"csv", ExportFormat::Csv, ExportLayout::Classic, 0, "CSV, UTF-8 (.csv): for other programs"},
    {"xlsx-full", ExportFormat::Xlsx, ExportLayout::Full, 0, "Excel workbook, every item"},
    {"csv-full", ExportFormat::Csv, ExportLayout::Full, 0, "CSV, every item"},
    {"vcf-3.0", ExportFormat::Vcf, ExportLayout::Full, 3, "vCard 3.0 (Apple, Google, Thunderbird, Nextcloud)"},
    {"vcf-4.0", ExportFormat::Vcf, ExportLayout::Full, 4, "vCard 4.0"},
    {"csv-outlook", ExportFormat::Csv, ExportLayout::Outlook, 0, "Outlook CSV"},
};

const FormatInfo& Info(ExportFormat format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return info;
    return kFormats[0];
}

} // namespace

std::string_view FormatName(ExportFormat format) { return Info(format).name; }
std::string_view FormatExtension(ExportFormat format) { return Info(format).extension; }
std::string_view FormatNoun(ExportFormat format) { return Info(format).noun; }

std::optional<ExportFormat> FormatFromName(std::string_view name) {
    for (const FormatInfo& info : kFormats)
        if (EqualsIgnoringAsciiCase(name, info.name)) return info.format;
    return std::nullopt;
}

std::string_view ExtensionOf(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_not_of('.') > dot) return {};
    return name.substr(dot);
}

std::optional<ExportFormat> FormatFromExtension(std::string_view path) {
    const std::string_view extension = ExtensionOf(path);
    for (const FormatInfo& info : kFormats)
        if (EqualsIgnoringAsciiCase(extension, info.extension)) return info.format;
    return std::nullopt;
}

std::string_view LayoutName(ExportLayout layout) { return kLayoutNames[static_cast<std::size_t>(layout)]; }

std::optional<ExportLayout> LayoutFromName(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kLayoutNames); ++i)
        if (EqualsIgnoringAsciiCase(name, kLayoutNames[i])) return static_cast<ExportLayout>(i);
    return std::nullopt;
}

std::string LayoutMismatch(ExportFormat format, ExportLayout layout) {
    if (format == ExportFormat::Xls && layout != ExportLayout::Classic)
        return "an Excel 2.1 worksheet holds only the classic layout (255 characters a cell, no second sheet); "
               "choose --format xlsx or csv for the " + std::string(LayoutName(layout)) + " layout";
    if (layout == ExportLayout::Outlook && format != ExportFormat::Csv)
        return "the outlook layout is Outlook's CSV: choose --format csv";
    return {};
}

std::span<const ExportChoice> ExportChoices() { return kChoices; }

const ExportChoice* ChoiceNamed(std::string_view name) {
    for (const ExportChoice& choice : kChoices)
        if (choice.name == name) return &choice;
    return nullptr;
}

} // namespace tallowby
