// CSV as RFC 4180 describes it, in UTF-8 with a byte-order mark (so that Excel
// takes it for UTF-8): fields separated by commas, each row ended by CR LF, a field
// quoted when it holds a comma, a quote, CR or LF, its quotes doubled. Values are
// written as they are: no cut, no row limit.
#include "export/ContactSheet.h"
#include "export/SheetFactories.h"

#include "biff/Status.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tallowby {

namespace {

class CsvSheet final : public ContactSheet {
public:
    ~CsvSheet() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool Begin(const std::string& path, const SheetInfo&) override {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) return Fail(StatusFromErrno(errno, FileStep::Open));
        buffer_.reserve(kBufferSize + 1024);
        buffer_ = "\xEF\xBB\xBF";
        RowValues headers;
        for (std::size_t i = 0; i < kExportColumnCount; ++i) headers[i] = kExportColumns[i].header;
        return WriteRow(headers);
    }

    bool WriteRow(RowValues& values) override {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) buffer_ += ',';
            AppendField(values[i]);
        }
        buffer_ += "\r\n";
        return buffer_.size() < kBufferSize || Flush();
    }

    bool Finish() override {
        if (!Flush()) return false;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) return Fail(StatusFromErrno(errno, FileStep::Write));
        return true;
    }

    int32_t MaxContacts() const override { return INT32_MAX; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

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

    // A comma, a quote, CR or LF.
    static bool NeedsQuotes(const std::string& value) {
        for (const char c : value)
            if (c <= ',' && (c == ',' || c == '"' || c == '\r' || c == '\n')) return true;
        return false;
    }

    bool Flush() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Fail(StatusFromErrno(errno, FileStep::Write));
            if (n == 0) return Fail(kStatusIoError);
            done += static_cast<std::size_t>(n);
        }
        buffer_.clear();
        return true;
    }

    bool Fail(int16_t status) {
        reason_ = StatusText(status);
        return false;
    }

    int fd_ = -1;
    std::string buffer_;
};

} // namespace

std::unique_ptr<ContactSheet> MakeCsvSheet() { return std::make_unique<CsvSheet>(); }

} // namespace tallowby
