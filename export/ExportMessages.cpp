#include "export/ExportMessages.h"

namespace tallowby {

namespace {

std::string Plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + (count == 1 ? one : many);
}

std::string Paragraph(const std::string& text) { return "\r\n\r\n" + text; }

std::string Noun(ExportFormat format) { return std::string(FormatNoun(format)); }

// "worksheet file", "workbook file", "CSV file", "vCard file".
std::string FileNoun(ExportFormat format) {
    const std::string noun = Noun(format);
    return noun.ends_with(" file") ? noun : noun + " file";
}

std::string Shown(const std::string& path) { return files::Printable(path); }

void AddXlsParagraphs(const ExportResult& result, std::string& text) {
    if (result.valuesShortened > 0)
        text += Paragraph(Plural(result.valuesShortened, " value was longer than 255 characters and was shortened.",
                                 " values were longer than 255 characters and were shortened."));
    if (result.valuesWithLostCharacters > 0)
        text += Paragraph(Plural(result.valuesWithLostCharacters, " value holds", " values hold") +
                          " characters that an Excel 2.1 worksheet cannot store; they were written as "
                          "\"?\". An .xlsx workbook keeps them.");
    if (result.contactsLeftOut > 0)
        text += Paragraph(Plural(result.contactsLeftOut, " contact was", " contacts were") +
                          " left out: a worksheet holds at most 65,535 contacts. Export as .xlsx or CSV "
                          "to keep every contact.");
    if (result.contactsWritten > 16383)
        text += Paragraph("Some programs (Gnumeric, Python's xlrd, Excel before 97) read only the first "
                          "16,384 rows of a worksheet like this one: the header and 16,383 contacts. An "
                          ".xlsx workbook keeps every row readable.");
}

void AddXlsxParagraphs(const ExportResult& result, std::string& text) {
    if (result.valuesShortened > 0 && result.valuesWithDroppedCharacters == 0)
        text += Paragraph(Plural(result.valuesShortened, " value was longer than 32,767 characters and was shortened.",
                                 " values were longer than 32,767 characters and were shortened."));
    else if (result.valuesShortened > 0)
        text += Paragraph(Plural(result.valuesShortened, " value was", " values were") +
                          " shortened: longer than 32,767 characters, or holding control characters "
                          "that a workbook cannot store.");
    if (result.contactsLeftOut > 0)
        text += Paragraph(Plural(result.contactsLeftOut, " contact was", " contacts were") +
                          " left out: a workbook sheet holds at most 1,048,575 contacts. Export as CSV, "
                          "or split the address book, to keep the rest.");
}

void AddCsvParagraphs(const ExportResult& result, const ExportRequest& request, std::string& text) {
    if (result.formulaValues == 0) return;
    if (request.csvFormulas == CsvFormulas::Guard)
        text += Paragraph(Plural(result.formulaValues, " value begins", " values begin") +
                          " like a formula (=, +, -, @) and was written after an apostrophe ('), so that a "
                          "spreadsheet program shows it as text.");
    else
        text += Paragraph(Plural(result.formulaValues, " value begins", " values begin") +
                          " like a formula (=, +, -, @, a tab): a spreadsheet program that opens this CSV file "
                          "would run it as one. The values are written exactly, for programs that read the "
                          "file; to open it in a spreadsheet, export an .xlsx workbook instead, or guard the "
                          "formulas (--csv-formulas=guard, or the choice in the conversion window).");
}

// What the whole book's file holds beside the contacts.
void AddBookParagraphs(const ExportResult& result, std::string& text) {
    std::string counts = Plural(result.groupsWritten, " group", " groups") + " and " +
                         Plural(result.valuesWritten, " value", " values") + " written";
    if (result.format == ExportFormat::Csv && result.files.size() > 1)
        counts += "; the groups are in " + Shown(result.files[1]);
    text += Paragraph(counts + ".");
}

void AddBinaryParagraph(const ExportResult& result, std::string& text) {
    if (result.binaryItems > 0)
        text += Paragraph(Plural(result.binaryItems, " item holds", " items hold") +
                          " binary data (attachments, pictures) or Notes' own bookkeeping ($ items); "
                          "such items are not exported.");
}

// The cards and files, what has no standard property, and where the groups go.
void AddCardParagraphs(const ExportResult& result, const ExportRequest& request, std::string& text) {
    const std::size_t files = result.files.size();
    std::string written = Plural(result.contactsWritten, " card", " cards") + " and " +
                          Plural(result.groupsWritten, " group card", " group cards") + " written, in " +
                          Plural(static_cast<int64_t>(files), " file", " files");
    if (files > 1) written += ": " + Shown(result.files.front()) + " to " + Shown(result.files.back());
    text += Paragraph(written + ".");
    if (result.valuesAside > 0)
        text += Paragraph(Plural(result.valuesAside, " value has", " values have") +
                          " no standard vCard property and " + (result.valuesAside == 1 ? "is" : "are") +
                          " kept in X-NOTES- properties named after their Notes item; some address books keep "
                          "such properties without showing them, others leave them out.");
    if (result.groupsWritten > 0 && !request.vcard.groupsAsCategories)
        text += Paragraph(std::string(request.vcard.version == 4
                                          ? "Address books that do not read group cards (KIND:group), Google "
                                            "Contacts among them, leave the groups out"
                                          : "The group cards are in Apple's form (X-ADDRESSBOOKSERVER-KIND), which "
                                            "Apple Contacts, iCloud and Nextcloud read; Google Contacts and "
                                            "Thunderbird leave them out") +
                          ": export with the groups as categories (--groups-as-categories) to keep each "
                          "person's groups as labels on its card.");
    if (result.valuesWithDroppedCharacters > 0)
        text += Paragraph(Plural(result.valuesWithDroppedCharacters, " value holds", " values hold") +
                          " control characters that a vCard cannot carry; those characters were left out.");
}

// Outlook's columns: what went to Notes, and the groups it has no place for.
void AddOutlookParagraphs(const ExportResult& result, std::string& text) {
    if (result.valuesAside > 0)
        text += Paragraph(Plural(result.valuesAside, " value has", " values have") +
                          " no Outlook column of " + (result.valuesAside == 1 ? "its" : "their") +
                          " own (a fourth e-mail address, items Outlook does not know) and " +
                          (result.valuesAside == 1 ? "was" : "were") + " added to Notes, each after its name.");
    text += Paragraph("Outlook's CSV has no place for groups: they are not in this file. The full layout and "
                      "the vCard file keep them.");
}

} // namespace

std::string CompletionMessage(const ExportResult& result, const ExportRequest& request) {
    std::string text = std::to_string(result.contactsWritten) + " Contacts Saved Successfully";
    switch (result.format) {
    case ExportFormat::Xls:
        AddXlsParagraphs(result, text);
        break;
    case ExportFormat::Xlsx:
        AddXlsxParagraphs(result, text);
        break;
    case ExportFormat::Csv:
        AddCsvParagraphs(result, request, text);
        break;
    case ExportFormat::Vcf:
        AddCardParagraphs(result, request, text);
        break;
    }
    if (result.layout == ExportLayout::Outlook) AddOutlookParagraphs(result, text);
    if (result.format != ExportFormat::Vcf && result.layout == ExportLayout::Full) AddBookParagraphs(result, text);
    if (result.format == ExportFormat::Vcf || result.layout == ExportLayout::Full) AddBinaryParagraph(result, text);
    return text;
}

std::string RefusalMessage(const std::string& target, ExportFormat format, bool named) {
    const std::string text =
        "The " + Noun(format) + " would be written over the address book itself:\r\n" + Shown(target) + "\r\n\r\n";
    if (named) return text + "Nothing was written. Choose another " + FileNoun(format) + ".";
    return text + "Nothing was written. Give the address book a name that does not end in \"" +
           std::string(FormatExtension(format)) + "\", or choose another " + FileNoun(format) + ".";
}

std::string FileFailureMessage(const std::string& target, ExportFormat format, const files::Problem& problem,
                               bool inPlace) {
    std::string text = "The " + Noun(format) + " could not be saved:\r\n" + Shown(target) + "\r\n\r\nReason: " +
                       problem.reason + ".\r\n\r\n";
    if (inPlace)
        return text + "It is a device or a pipe and is written directly: what reached it before the "
                      "failure is incomplete. Check the device, then try again.";
    text += "Nothing was written; an earlier file of that name is unchanged. ";
    return text + (problem.remedy.empty() ? "Check the folder and the free disk space, then try again."
                                          : problem.remedy);
}

std::string OutOfMemoryMessage(const std::string& database, ExportFormat format) {
    return "There was not enough memory to export the address book:\r\n" + Shown(database) + "\r\n\r\nNo " +
           Noun(format) +
           " was written; an earlier file of that name is unchanged. Close other programs, or split the "
           "address book, then try again.";
}

std::string BookChangedMessage(const std::string& database) {
    return std::string(kBookChanged) + "\r\n" + Shown(database) +
           "\r\n\r\nNothing was written. Scan it again, then export.";
}

} // namespace tallowby
