// The Office Open XML workbook, written by libxlsxwriter in its constant-memory mode:
// each row goes to a temporary file as soon as the next one starts, so memory does
// not grow with the book. The first sheet "Contacts" (a second, "Groups", for the
// whole book); each header row bold and frozen, an autofilter over every row; every
// cell a text cell (an inline string), whatever it looks like ("=1+1", "007",
// "2024-01-31" stay text). The library writes the file by name, in the private folder
// of the export's output, and is read back before the file takes the target's place.
#include "export/ContactSheet.h"
#include "export/XlsxCheck.h"
#include "export/XlsxText.h"

#include "biff/Status.h"
#include "tallowby/Version.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tallowby {

namespace {

constexpr int32_t kMaxContactRows = 1048575;  // 1,048,576 rows, the first the header
constexpr double kMaxColumnWidth = 50;
// Above this the parts of the package may pass 4 GiB: ZIP64 is then needed.
constexpr int64_t kZip64Threshold = int64_t{3} << 30;

// libxlsxwriter reports its failures on stderr as well as in its return codes; the
// export says what went wrong in its own words, so the library's lines (which name
// the temporary file) are kept off the terminal while it works on the file.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

class XlsxSheet final : public ContactSheet {
public:
    ~XlsxSheet() override {
        if (workbook_ != nullptr) {
            QuietStderr quiet;
            lxw_workbook_free(workbook_);
        }
    }

    bool Begin(files::Output& output, const SheetInfo& info, const SheetColumns& columns) override {
        // The library's files go into the output's private folder; its temporary
        // files are unlinked as soon as they are made.
        tempFolder_ = output.StagingFolder();
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tempFolder_.data();
        const int64_t estimate =
            (info.contacts + 1) * static_cast<int64_t>(columns.headers.size()) * 80 + 4 * info.bookBytes;
        options.use_zip64 = estimate > kZip64Threshold ? LXW_TRUE : LXW_FALSE;
        {
            QuietStderr quiet;
            errno = 0;
            workbook_ = workbook_new_opt(output.StagingPath().c_str(), &options);
        }
        if (workbook_ == nullptr) return FailErrno(errno, LXW_ERROR_CREATING_TMPFILE);

        XlsxCell titleCell;
        title_ = PrepareXlsxText(info.title, scratch_, titleCell);
        author_ = "Corvane Tallowby " TALLOWBY_VERSION_MAJOR_MINOR;
        lxw_doc_properties properties{};
        properties.title = title_.data();
        properties.author = author_.data();
        if (!Check(workbook_set_properties(workbook_, &properties))) return false;

        // The header in bold Verdana 10, as in the worksheet; data cells keep the
        // workbook's default style (no style attribute on each of them), those with a
        // line break wrap.
        header_ = workbook_add_format(workbook_);
        wrapped_ = workbook_add_format(workbook_);
        if (header_ == nullptr || wrapped_ == nullptr) return Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        format_set_font_name(header_, "Verdana");
        format_set_font_size(header_, 10);
        format_set_bold(header_);
        format_set_text_wrap(wrapped_);
        return StartSheet("Contacts", columns);
    }

    bool StartSheet(const std::string& name, const SheetColumns& columns) override {
        if (sheet_ != nullptr && !CloseSheet()) return false;
        {
            QuietStderr quiet;
            sheet_ = workbook_add_worksheet(workbook_, name.c_str());
        }
        if (sheet_ == nullptr) return FailErrno(errno, LXW_ERROR_CREATING_TMPFILE);
        // The rows' temporary file is written in larger pieces than stdio's default.
        if (sheet_->optimize_tmpfile != nullptr) std::setvbuf(sheet_->optimize_tmpfile, nullptr, _IOFBF, 1 << 20);
        row_ = 0;
        columns_ = columns.headers.size();
        widths_.assign(columns_, 0);
        worksheet_freeze_panes(sheet_, 1, 0);
        for (std::size_t c = 0; c < columns_; ++c) {
            const std::string& header = columns.headers[c];
            widths_[c] = static_cast<double>(header.size());
            if (!Check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), header.c_str(), header_)))
                return false;
        }
        rowsWritten_.push_back(1);  // the header
        return true;
    }

    bool WriteRow(Row& values) override {
        ++row_;
        bool written = false;
        for (std::size_t c = 0; c < columns_; ++c) {
            XlsxCell cell;
            const std::string& text = PrepareXlsxText(values[c], scratch_, cell);
            if (cell.shortened || cell.dropped) ++counts_.shortened;
            if (cell.dropped) ++counts_.controlsDropped;
            widths_[c] = std::max(widths_[c], static_cast<double>(cell.widest));
            if (text.empty()) continue;  // an empty value leaves the cell empty
            if (!Check(WriteText(static_cast<lxw_col_t>(c), text, cell.wraps ? wrapped_ : nullptr))) return false;
            written = true;
        }
        if (written) ++rowsWritten_.back();  // a row without cells is not in the package
        return TemporaryFileIntact();
    }

    bool Finish() override {
        if (!CloseSheet()) return false;
        lxw_workbook* workbook = workbook_;
        workbook_ = nullptr;  // closing frees it, whatever the result
        lxw_error error;
        {
            QuietStderr quiet;
            errno = 0;
            error = workbook_close(workbook);
        }
        return error == LXW_NO_ERROR || FailErrno(errno, error);
    }

    int32_t MaxContacts() const override { return kMaxContactRows; }
    bool Staged() const override { return true; }  // the library writes its file by name, and seeks in it

    std::function<bool(int, files::Problem&)> Verifier() const override {
        return [rows = rowsWritten_](int fd, files::Problem& problem) { return CheckWorkbook(fd, rows, problem); };
    }

private:
    lxw_error WriteText(lxw_col_t column, const std::string& text, lxw_format* format) {
        const std::vector<std::string_view> runs = XlsxRuns(text);
        if (runs.empty()) return worksheet_write_string(sheet_, row_, column, text.c_str(), format);
        std::vector<std::string> pieces(runs.begin(), runs.end());
        std::vector<lxw_rich_string_tuple> tuples(pieces.size());
        std::vector<lxw_rich_string_tuple*> fragments;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            tuples[i] = {nullptr, pieces[i].data()};
            if (!pieces[i].empty()) fragments.push_back(&tuples[i]);
        }
        fragments.push_back(nullptr);
        return worksheet_write_rich_string(sheet_, row_, column, fragments.data(), format);
    }

    // The sheet's column widths (its longest line, at most 50 characters, and a margin)
    // and its autofilter.
    bool CloseSheet() {
        for (std::size_t c = 0; c < columns_; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            if (!Check(worksheet_set_column(sheet_, col, col, std::min(widths_[c], kMaxColumnWidth) + 2, nullptr)))
                return false;
        }
        if (columns_ > 0 &&
            !Check(worksheet_autofilter(sheet_, 0, 0, row_, static_cast<lxw_col_t>(columns_ - 1))))
            return false;
        if (sheet_->optimize_tmpfile != nullptr) std::fflush(sheet_->optimize_tmpfile);
        return TemporaryFileIntact();
    }

    // The rows of the constant-memory mode go through a stdio stream that the library
    // does not check: a failed write (a full disk) shows only in its error flag.
    bool TemporaryFileIntact() {
        FILE* rows = sheet_->optimize_tmpfile;
        if (rows == nullptr || !std::ferror(rows)) return true;
        return FailErrno(errno, LXW_ERROR_CREATING_TMPFILE);
    }

    bool Check(lxw_error error) { return error == LXW_NO_ERROR || FailErrno(0, error); }

    // A reason the user understands: the system's, when the failure came from the file
    // or the disk; else the library's own words.
    bool FailErrno(int err, lxw_error error) {
        if (error == LXW_ERROR_MEMORY_MALLOC_FAILED || err == ENOMEM) return Fail(files::FromErrno(ENOMEM));
        if (err != 0 && err != EINVAL) return Fail(files::FromErrno(err));
        if (DiskFull()) return Fail(files::FromErrno(ENOSPC));
        return Fail({std::string("the workbook could not be assembled (") + lxw_strerror(error) + ")", "", 0});
    }

    bool DiskFull() const {
        struct statvfs disk {};
        return ::statvfs(tempFolder_.c_str(), &disk) == 0 && disk.f_bavail == 0;
    }

    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format *header_ = nullptr, *wrapped_ = nullptr;
    std::string tempFolder_, title_, author_, scratch_;
    std::vector<double> widths_;
    std::size_t columns_ = 0;
    lxw_row_t row_ = 0;                      // 0-based: the header is row 0
    std::vector<std::int64_t> rowsWritten_;  // per sheet, the header included
};

} // namespace

std::unique_ptr<ContactSheet> MakeXlsxSheet() { return std::make_unique<XlsxSheet>(); }

} // namespace tallowby
