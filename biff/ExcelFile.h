// ExcelFile: writes one Excel 2.1 (BIFF2) worksheet as a flat stream of records,
// appended in call order. Every operation returns a status number instead of
// throwing (see Status.h); the two property setters report nothing.
#pragma once

#include <cstdint>
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

    // File lifecycle.
    int16_t CreateFile(const std::string& FileName);
    int16_t CloseFile();
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

private:
    // Implementation state; see ExcelFile.cpp.
    std::string fileName_;
    int fd_ = -1;                 // open descriptor, -1 when no file is open
    int16_t FileNumber = 0;       // 0 until CreateFile opened a file; kept by CloseFile
    bool open_ = false;
    std::vector<uint16_t> PageBreaks;
    std::vector<unsigned char> buffer_;
    int16_t pendingError_ = 0;
    int16_t Flush();
    int16_t Append(const unsigned char* data, size_t size);
};

} // namespace tallowby
