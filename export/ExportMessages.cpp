#include "export/ExportMessages.h"

#include "export/ExportRun.h"

namespace tallowby {

namespace {

std::string Plural(int32_t count, const char* one, const char* many) {
    return std::to_string(count) + (count == 1 ? one : many);
}

std::string Paragraph(const std::string& text) { return "\r\n\r\n" + text; }

std::string Noun(ExportFormat format) { return std::string(FormatNoun(format)); }

// "worksheet file", "workbook file", "CSV file".
std::string FileNoun(ExportFormat format) {
    const std::string noun = Noun(format);
    return noun.ends_with(" file") ? noun : noun + " file";
}

} // namespace

std::string CompletionMessage(const ExportResult& result, ExportFormat format) {
    std::string text = std::to_string(result.contactsWritten) + " Contacts Saved Successfully";
    switch (format) {
    case ExportFormat::Xls:
        if (result.valuesShortened > 0)
            text += Paragraph(Plural(result.valuesShortened,
                                     " value was longer than 255 characters and was shortened.",
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
        break;
    case ExportFormat::Xlsx:
        if (result.valuesShortened > 0 && result.valuesWithDroppedCharacters == 0)
            text += Paragraph(Plural(result.valuesShortened,
                                     " value was longer than 32,767 characters and was shortened.",
                                     " values were longer than 32,767 characters and were shortened."));
        else if (result.valuesShortened > 0)
            text += Paragraph(Plural(result.valuesShortened, " value was", " values were") +
                              " shortened: longer than 32,767 characters, or holding control characters "
                              "that a workbook cannot store.");
        if (result.contactsLeftOut > 0)
            text += Paragraph(Plural(result.contactsLeftOut, " contact was", " contacts were") +
                              " left out: a workbook sheet holds at most 1,048,575 contacts. Export as CSV, "
                              "or split the address book, to keep the rest.");
        break;
    case ExportFormat::Csv:
        break;
    }
    return text;
}

std::string RefusalMessage(const std::string& target, ExportFormat format, bool named) {
    const std::string text =
        "The " + Noun(format) + " would be written over the address book itself:\r\n" + target + "\r\n\r\n";
    if (named) return text + "Nothing was written. Choose another " + FileNoun(format) + ".";
    return text + "Nothing was written. Give the address book a name that does not end in \"" +
           std::string(FormatExtension(format)) + "\", or choose another " + FileNoun(format) + ".";
}

std::string FileFailureMessage(const std::string& target, ExportFormat format, const std::string& reason,
                               bool inPlace) {
    std::string text = "The " + Noun(format) + " could not be saved:\r\n" + target + "\r\n\r\nReason: " +
                       reason + ".\r\n\r\n";
    if (inPlace)
        return text + "It is a device or a pipe and is written directly: what reached it before the "
                      "failure is incomplete. Check the device, then try again.";
    return text + "Nothing was written; an earlier file of that name is unchanged. Check the folder and "
                  "the free disk space, then try again.";
}

std::string OutOfMemoryMessage(const std::string& database, ExportFormat format) {
    return "There was not enough memory to export the address book:\r\n" + database +
           "\r\n\r\nNo " + Noun(format) +
           " was written; an earlier file of that name is unchanged. Close other programs, or split the "
           "address book, then try again.";
}

} // namespace tallowby
