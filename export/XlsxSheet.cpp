// The Office Open XML workbook, written by libxlsxwriter in its constant-memory mode:
// each row goes to a temporary file as soon as the next one starts, so memory does
// not grow with the book. One sheet "Contacts"; the header row bold and frozen, an
// autofilter over every row; every cell a text cell (an inline string), whatever it
// looks like ("=1+1", "007", "2024-01-31" stay text).
#include "export/ContactSheet.h"
#include "export/SheetFactories.h"
#include "export/XlsxText.h"

#include "biff/Status.h"

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

    bool Begin(const std::string& path, const SheetInfo& info) override {
        // The library's temporary files go beside the output, not to the system's
        // temporary folder (a device or pipe, which has no folder of its own, gets
        // the one the run names); they are unlinked as soon as they are made.
        tempFolder_ = info.tempFolder;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tempFolder_.data();
        const int64_t estimate = (info.contacts + 1) * 39 * 80 + 4 * info.bookBytes;
        options.use_zip64 = estimate > kZip64Threshold ? LXW_TRUE : LXW_FALSE;
        {
            QuietStderr quiet;
            errno = 0;
            workbook_ = workbook_new_opt(path.c_str(), &options);
            if (workbook_ != nullptr) sheet_ = workbook_add_worksheet(workbook_, "Contacts");
        }
        if (workbook_ == nullptr || sheet_ == nullptr) return FailErrno(errno, LXW_ERROR_CREATING_TMPFILE);
        // The rows' temporary file is written in larger pieces than stdio's default.
        if (sheet_->optimize_tmpfile != nullptr) std::setvbuf(sheet_->optimize_tmpfile, nullptr, _IOFBF, 1 << 20);

        XlsxCell titleCell;
        title_ = PrepareXlsxText(info.title, scratch_, titleCell);
        author_ = "Corvane Tallowby 5.5";
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
        worksheet_freeze_panes(sheet_, 1, 0);
        for (std::size_t c = 0; c < kExportColumnCount; ++c) {
            const std::string header(kExportColumns[c].header);
            widths_[c] = static_cast<double>(header.size());
            if (!Check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), header.c_str(), header_)))
                return false;
        }
        return true;
    }

    bool WriteRow(RowValues& values) override {
        ++row_;
        for (std::size_t c = 0; c < kExportColumnCount; ++c) {
            XlsxCell cell;
            const std::string& text = PrepareXlsxText(values[c], scratch_, cell);
            if (cell.shortened || cell.dropped) ++counts_.shortened;
            if (cell.dropped) ++counts_.controlsDropped;
            widths_[c] = std::max(widths_[c], static_cast<double>(cell.widest));
            if (text.empty()) continue;  // an empty value leaves the cell empty
            if (!Check(worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(c), text.c_str(),
                                              cell.wraps ? wrapped_ : nullptr)))
                return false;
        }
        return TemporaryFileIntact();
    }

    bool Finish() override {
        for (std::size_t c = 0; c < kExportColumnCount; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            if (!Check(worksheet_set_column(sheet_, col, col, std::min(widths_[c], kMaxColumnWidth) + 2, nullptr)))
                return false;
        }
        if (!Check(worksheet_autofilter(sheet_, 0, 0, row_, kExportColumnCount - 1))) return false;
        if (sheet_->optimize_tmpfile != nullptr) std::fflush(sheet_->optimize_tmpfile);
        if (!TemporaryFileIntact()) return false;
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
    bool Streams() const override { return false; }  // the ZIP writer goes back to each part's header

private:
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
        if (error == LXW_ERROR_MEMORY_MALLOC_FAILED || err == ENOMEM) {
            reason_ = "there was not enough memory";
        } else if (err != 0 && err != EINVAL) {
            reason_ = StatusText(StatusFromErrno(err, FileStep::Write));
        } else if (DiskFull()) {
            reason_ = StatusText(kStatusDiskFull);
        } else {
            reason_ = std::string("the workbook could not be assembled (") + lxw_strerror(error) + ")";
        }
        return false;
    }

    bool DiskFull() const {
        struct statvfs disk {};
        return ::statvfs(tempFolder_.c_str(), &disk) == 0 && disk.f_bavail == 0;
    }

    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format *header_ = nullptr, *wrapped_ = nullptr;
    std::string tempFolder_, title_, author_, scratch_;
    std::array<double, kExportColumnCount> widths_{};
    lxw_row_t row_ = 0;  // 0-based: the header is row 0
};

} // namespace

std::unique_ptr<ContactSheet> MakeXlsxSheet() { return std::make_unique<XlsxSheet>(); }

} // namespace tallowby
