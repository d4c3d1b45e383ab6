// ExcelFile: writes one Excel 2.1 (BIFF2) worksheet as a flat stream of records,
// appended in call order. Every operation returns a status number instead of
// throwing (see Status.h); the two property setters report nothing.
//
// Conventions shared by all operations:
// - Rows and columns are 1-based; numbers outside 1..65536 fail with 6.
// - Every value is checked before anything is written: a failing call appends no
//   byte. Range and conversion failures (6, 13) are found before the missing-file
//   check (52), so a bad value reports 6 even when no file is open.
// - Texts are UTF-8; the file holds them in Windows-1252, one byte per character
//   (see ToWindows1252). Length limits count those characters.
// - Records are collected in a 64 KiB buffer and written with write(2). A failure
//   of the file (disk full, device error) is reported by the operation that meets
//   it, at the latest by CloseFile; the call that meets it appends nothing, and
//   the bytes not yet written stay buffered for the next attempt.
// - CreateFile(FileName) writes a new file that replaces an existing one (or the
//   file a link of the user's own leads to) only when CloseFile completes it: until
//   then an earlier file of that name stays as it was, and a file never closed
//   replaces nothing. A device or FIFO named by the path is written to directly.
//   Files are created and put in place by files::Output, which the export may also
//   hand over itself (CreateFile(Output&)); the writer then only writes through its
//   descriptor, and the export puts the file in place.
// - CreateFile while a file is open gives that file up, unfinished: it replaces
//   nothing.
// - WriteValue with ValueType 2 and a number writes it as printf's %.15g does in
//   the C locale ("1.5", "1e+20"); ValueType 0 and 1 read a text as a decimal
//   number with '.' as decimal point, surrounding blanks allowed ("  -12.5e1 ").
//   INTEGER rounds half to even; NaN and infinities do not fit (6); a text number
//   beyond the range of a double fails with 6.
// - Readers (xlrd, Gnumeric, Excel) take the BIFF2 INTEGER value as unsigned and
//   would show -1 as 65535, so ValueType 0 writes a negative whole number as a
//   NUMBER record holding the same value; 0..32767 go into INTEGER records.
#pragma once

#include "biff/Status.h"
#include "files/Output.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tallowby {

// The value of one cell: a number or a text (UTF-8). Date-times reach the writer
// already turned into text by their caller.
using CellValue = std::variant<double, std::string>;

class ExcelFile {
public:
    ExcelFile();
    ~ExcelFile();
    ExcelFile(const ExcelFile&) = delete;
    ExcelFile& operator=(const ExcelFile&) = delete;

    // File lifecycle. CreateFile writes BOF, CODEPAGE and the default formats at
    // once (396 bytes), so a file that cannot be written is reported there.
    // CloseFile writes the page breaks, sorted, and EOF; it returns 0 when no file
    // was ever created and 52 when the file is closed already. A setting
    // (PrintGridLines, ProtectSpreadsheet) that could not be written is reported
    // by CloseFile. InsertHorizPageBreak only collects (at most kMaxPageBreaks; 6
    // beyond), at any time; CreateFile empties the list.
    int16_t CreateFile(const std::string& FileName);
    // The same into an output the caller opened and will put in place; the writer
    // writes through its descriptor only.
    int16_t CreateFile(files::Output& output);
    int16_t CloseFile();
    // The system's reason for the last status that came from the file (an errno), or
    // Open's problem; empty when there was none.
    const files::Problem& FileProblem() const { return fileProblem_; }
    int16_t InsertHorizPageBreak(int32_t lrow);

    // Cells. ValueType 0 INTEGER, 1 NUMBER, 2 LABEL; any other type writes nothing.
    int16_t WriteValue(int32_t ValueType, int32_t CellFontUsed, int32_t Alignment,
                       int32_t HiddenLocked, int32_t lrow, int32_t lcol,
                       const CellValue& value, int32_t CellFormat = 0);

    // Sheet settings.
    int16_t SetMargin(int32_t Margin, double MarginValue);
    int32_t SetColumnWidth(uint8_t FirstColumn, uint8_t LastColumn, int16_t WidthValue);
    int16_t SetFont(const std::string& FontName, int16_t FontHeight, int32_t FontFormat);
    int16_t SetHeader(const std::string& HeaderText);
    int16_t SetFooter(const std::string& FooterText);
    int16_t SetFilePassword(const std::string& PasswordText);
    void PrintGridLines(bool newvalue);
    void ProtectSpreadsheet(bool newvalue);
    // FORMATCOUNT and the 24 built-in FORMAT records; CreateFile calls it. Returns
    // 0, or 52 without an open file, or the status of a failed write.
    int16_t WriteDefaultFormats();
    static std::string MKI(int16_t value);
    int32_t SetDefaultRowHeight(int16_t HeightValue);
    int32_t SetRowHeight(int32_t lrow, int16_t HeightValue);

    // One XF (cell style) record; styles are numbered 0, 1, 2... in write order and
    // a cell selects one through the low six bits of HiddenLocked.
    int16_t SetCellStyle(int32_t FontIndex, int32_t CellFormat, int32_t Alignment,
                         int32_t HiddenLocked);

    // The file name given to the last CreateFile, for messages.
    const std::string& FileName() const { return fileName_; }

    // Converts UTF-8 text to Windows-1252, one byte per character: a character
    // with no Windows-1252 code, and each byte of invalid UTF-8, becomes '?'.
    // This is the conversion every text of the file goes through.
    static std::string ToWindows1252(std::string_view utf8);
    // True when ToWindows1252 would write some character of the text as '?': one
    // Windows-1252 lacks, or a byte of invalid UTF-8. Writes nothing.
    static bool LosesCharacters(std::string_view utf8);

    // Size of the in-memory output buffer; every record fits in it whole.
    static constexpr size_t kBufferSize = 64 * 1024;
    // Most page breaks the HORIZONTALPAGEBREAKS record can hold.
    static constexpr size_t kMaxPageBreaks = 16382;

private:
    int16_t Start();
    int16_t SystemFailure(int error, FileStep step);

    std::string fileName_;
    std::unique_ptr<files::Output> ownOutput_;  // the file CreateFile(FileName) opened
    files::Output* output_ = nullptr;           // the file being written
    files::Problem fileProblem_;
    int fd_ = -1;                 // the output's descriptor, -1 when no file is open
    int16_t FileNumber = 0;       // 0 until CreateFile got to opening; kept by CloseFile
    int16_t lastHandle_ = 0;      // source of new FileNumber values
    bool open_ = false;           // a file is open for writing records
    bool tailQueued_ = false;     // CloseFile has queued page breaks and EOF already
    std::vector<uint16_t> PageBreaks;
    std::vector<unsigned char> buffer_;  // kBufferSize bytes once a file was created
    size_t used_ = 0;             // bytes of buffer_ not yet written to the file
    int16_t pendingError_ = 0;    // a failure the property setters could not report

    // Writes the buffered bytes; on failure keeps the unwritten ones for a retry.
    int16_t Flush();
    // Room for `size` more bytes in the buffer (flushing if needed), or null with
    // `status` set. The caller fills the bytes, then calls Commit(size).
    unsigned char* Reserve(size_t size, int16_t& status);
    void Commit(size_t size) { used_ += size; }
    // Appends one whole record; nothing of it when the buffer cannot take it.
    int16_t Append(const unsigned char* data, size_t size);
    // Appends a record made of a fixed part and a converted text.
    int16_t AppendWithText(const unsigned char* head, size_t headSize,
                           const std::string& text);
    void WriteSetting(uint16_t id, bool flag);
    void Abandon();
};

} // namespace tallowby
