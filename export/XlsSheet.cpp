// The Excel 2.1 worksheet: ExcelFile called exactly as the export has always called
// it. A cell holds 255 characters, a worksheet 65,536 rows, and every character
// becomes one Windows-1252 byte.
#include "export/ContactSheet.h"
#include "export/Utf8.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

namespace tallowby {

namespace {

// A LABEL record carries its character count in one byte.
constexpr std::size_t kMaxCellChars = 255;
// A row index is 16 bits: rows 1..65536, the first one being the header.
constexpr int32_t kMaxContactRows = 65535;

class XlsSheet final : public ContactSheet {
public:
    bool Begin(files::Output& output, const SheetInfo&, const SheetColumns& columns) override {
        order_ = columns.writeOrder;
        if (order_.empty())
            for (std::size_t i = 0; i < columns.headers.size(); ++i) order_.push_back(i);
        int16_t status = xls_.CreateFile(output);
        if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 0);   // font 0: plain
        if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 1);   // font 1: bold
        if (status == kStatusOk) status = xls_.SetFont("Verdana", 10, 5);   // font 2: bold, underlined
        if (status == kStatusOk) status = xls_.SetFont("Courier", 14, 3);   // font 3: bold, italic
        if (status == kStatusOk) status = xls_.SetCellStyle(0, 0, 1, 0);    // style 0: font 0, left
        if (status == kStatusOk) status = xls_.SetCellStyle(1, 0, 1, 0);    // style 1: font 1, left
        if (status == kStatusOk) status = xls_.SetHeader("BIFF 2.1 API");
        // Header cells select style 1 through the low bits of HiddenLocked, and font 1
        // through their own attribute byte, so that every reader shows them bold.
        for (std::size_t c = 0; c < columns.headers.size() && status == kStatusOk; ++c)
            status = xls_.WriteValue(2, 64, 1, 1, 1, static_cast<int32_t>(c + 1), columns.headers[c], 0);
        return Check(status);
    }

    // The cells go in the layout's write order, not column order.
    bool WriteRow(Row& values) override {
        ++row_;
        for (const std::size_t index : order_) {
            std::string& value = values[index];
            if (CutToCellLimit(value)) ++counts_.shortened;
            if (ExcelFile::LosesCharacters(value)) ++counts_.lossy;
            const int16_t status = xls_.WriteValue(2, 0, 1, 0, row_, static_cast<int32_t>(index + 1),
                                                   CellValue(std::move(value)), 0);
            if (status != kStatusOk) return Check(status);
        }
        return true;
    }

    bool Finish() override { return Check(xls_.CloseFile()); }

    int32_t MaxContacts() const override { return kMaxContactRows; }

private:
    bool Check(int16_t status) {
        if (status == kStatusOk) return true;
        files::Problem problem = xls_.FileProblem();
        if (problem.empty()) problem.reason = StatusText(status);
        return Fail(std::move(problem));
    }

    // Shortens a text to the characters a cell holds; true when it was longer.
    static bool CutToCellLimit(std::string& text) {
        if (text.size() <= kMaxCellChars) return false;  // never more characters than bytes
        bool longer = false;
        const std::size_t bytes = Utf8Prefix(text, kMaxCellChars, longer);
        if (!longer) return false;
        text.resize(bytes);
        return true;
    }

    ExcelFile xls_;
    std::vector<std::size_t> order_;
    int32_t row_ = 1;  // the header is row 1
};

} // namespace

std::unique_ptr<ContactSheet> MakeXlsSheet() { return std::make_unique<XlsSheet>(); }

} // namespace tallowby
