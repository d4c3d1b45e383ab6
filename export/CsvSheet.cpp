// CSV as RFC 4180 describes it, in UTF-8 with a byte-order mark (so that Excel
// takes it for UTF-8): fields separated by commas, each row ended by CR LF, a field
// quoted when it holds a comma, a quote, CR or LF (or a semicolon or a tab, which
// LibreOffice's import splits on by default), its quotes doubled. Values are written
// as they are: no cut, no row limit. A value that a spreadsheet program would read
// as a formula is counted, and with CsvFormulas::Guard written after an apostrophe.
#include "export/ContactSheet.h"

#include <climits>

namespace tallowby {

// True for a value that a spreadsheet program opening the CSV reads as a formula: one
// that begins with "=" or "@", a tab or a carriage return, or "+" or "-" followed by
// something other than a digit or a space (so "+49 151 ..." and a plain "-" are not).
bool ReadAsFormula(std::string_view value) {
    if (value.empty()) return false;
    const char c = value[0];
    if (c == '=' || c == '@' || c == '\t' || c == '\r') return true;
    if (c != '+' && c != '-') return false;
    if (value.size() == 1) return false;
    const char next = value[1];
    return !(next >= '0' && next <= '9') && next != ' ';
}

namespace {

class CsvSheet final : public ContactSheet {
public:
    bool Begin(files::Output& output, const SheetInfo& info, const SheetColumns& columns) override {
        output_ = &output;
        guard_ = info.formulas == CsvFormulas::Guard;
        buffer_.reserve(kBufferSize + 1024);
        buffer_ = "\xEF\xBB\xBF";
        Row headers = columns.headers;
        return WriteLine(headers, false);
    }

    bool WriteRow(Row& values) override { return WriteLine(values, true); }

    bool Finish() override { return Flush(); }

    int32_t MaxContacts() const override { return INT32_MAX; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool WriteLine(Row& values, bool data) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) buffer_ += ',';
            std::string& value = values[i];
            if (data && ReadAsFormula(value)) {
                ++counts_.formulas;
                if (guard_) value.insert(0, 1, '\'');
            }
            AppendField(value);
        }
        buffer_ += "\r\n";
        return buffer_.size() < kBufferSize || Flush();
    }

    void AppendField(const std::string& value) {
        if (!NeedsQuotes(value)) {
            buffer_ += value;
            return;
        }
        buffer_ += '"';
        for (std::size_t from = 0;;) {
            const std::size_t quote = value.find('"', from);
            buffer_.append(value, from, quote == std::string::npos ? std::string::npos : quote + 1 - from);
            if (quote == std::string::npos) break;
            buffer_ += '"';
            from = quote + 1;
        }
        buffer_ += '"';
    }

    // A comma, a quote, CR, LF, a semicolon or a tab.
    static bool NeedsQuotes(const std::string& value) {
        for (const char c : value)
            if (c <= ';' && (c == ',' || c == '"' || c == '\r' || c == '\n' || c == ';' || c == '\t')) return true;
        return false;
    }

    bool Flush() {
        files::Problem problem;
        if (!output_->Write(buffer_, problem)) return Fail(std::move(problem));
        buffer_.clear();
        return true;
    }

    files::Output* output_ = nullptr;
    bool guard_ = false;
    std::string buffer_;
};

} // namespace

std::unique_ptr<ContactSheet> MakeCsvSheet() { return std::make_unique<CsvSheet>(); }

} // namespace tallowby
