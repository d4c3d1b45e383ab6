// ExcelFile: the BIFF2 worksheet writer. Records are built in place in a 64 KiB
// buffer and written with write(2) when the buffer fills and at CloseFile.
#include "biff/ExcelFile.h"

#include "biff/Status.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace tallowby {

namespace {

// Record identifiers.
constexpr uint16_t kRecInteger = 0x0002;
constexpr uint16_t kRecNumber = 0x0003;
constexpr uint16_t kRecLabel = 0x0004;
constexpr uint16_t kRecRow = 0x0008;
constexpr uint16_t kRecProtect = 0x0012;
constexpr uint16_t kRecHeader = 0x0014;
constexpr uint16_t kRecFooter = 0x0015;
constexpr uint16_t kRecPageBreaks = 0x001B;
constexpr uint16_t kRecFormat = 0x001E;
constexpr uint16_t kRecFormatCount = 0x001F;
constexpr uint16_t kRecColWidth = 0x0024;
constexpr uint16_t kRecDefaultRowHeight = 0x0025;
constexpr uint16_t kRecGridLines = 0x002B;
constexpr uint16_t kRecFilePass = 0x002F;
constexpr uint16_t kRecFont = 0x0031;
constexpr uint16_t kRecXf = 0x0043;

// BOF of a BIFF2 worksheet (version 2, type 0x0010), then CODEPAGE 1252 so that
// readers need not guess how the texts are encoded.
constexpr unsigned char kFileStart[] = {0x09, 0x00, 0x04, 0x00, 0x02, 0x00, 0x10, 0x00,
                                        0x42, 0x00, 0x02, 0x00, 0xE4, 0x04};
constexpr unsigned char kEof[] = {0x0A, 0x00, 0x00, 0x00};

// The built-in number formats; a cell's format index selects one of them.
constexpr const char* kDefaultFormats[] = {
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    "#,##0\\ \"$\";\\-#,##0\\ \"$\"",
    "#,##0\\ \"$\";[Red]\\-#,##0\\ \"$\"",
    "#,##0.00\\ \"$\";\\-#,##0.00\\ \"$\"",
    "#,##0.00\\ \"$\";[Red]\\-#,##0.00\\ \"$\"",
    "0%",
    "0.00%",
    "0.00E+00",
    "dd/mm/yy",
    "dd/\\ mmm\\ yy",
    "dd/\\ mmm",
    "mmm\\ yy",
    "h:mm\\ AM/PM",
    "h:mm:ss\\ AM/PM",
    "hh:mm",
    "hh:mm:ss",
    "dd/mm/yy\\ hh:mm",
    "##0.0E+0",
    "mm:ss",
    "@",
};
// FORMATCOUNT carries the highest format index, not the number of formats.
constexpr uint16_t kHighestFormatIndex = std::size(kDefaultFormats) - 1;

constexpr size_t kMaxShortText = 255;     // texts behind a 1-byte count
constexpr size_t kMaxPassword = 32767;    // FILEPASS length field

inline void Put16(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

inline void PutDouble(unsigned char* p, double v) {
    uint64_t bits = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(bits >> (8 * i));
}

inline void PutFrame(unsigned char* p, uint16_t id, uint32_t length) {
    Put16(p, id);
    Put16(p + 2, length);
}

inline bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

// 1-based row or column number to the 0-based 16-bit index.
inline bool CellIndex(int32_t number, uint16_t& index) {
    if (number < 1 || number > 65536) return false;
    index = static_cast<uint16_t>(number - 1);
    return true;
}

// A value in points or characters times its unit, checked to fit 16 signed bits.
inline bool Scaled16(int32_t value, int32_t factor, int32_t& result) {
    result = value * factor;  // |value| <= 32768 and factor <= 256: no overflow
    return InRange(result, -32768, 32767);
}

using Step = FileStep;

// Windows-1252 code of a Unicode character, or '?' when it has none. The C1
// controls U+0080..U+009F have none: their bytes hold typographic characters.
unsigned char Windows1252Code(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    switch (cp) {
    case 0x20AC: return 0x80;
    case 0x201A: return 0x82;
    case 0x0192: return 0x83;
    case 0x201E: return 0x84;
    case 0x2026: return 0x85;
    case 0x2020: return 0x86;
    case 0x2021: return 0x87;
    case 0x02C6: return 0x88;
    case 0x2030: return 0x89;
    case 0x0160: return 0x8A;
    case 0x2039: return 0x8B;
    case 0x0152: return 0x8C;
    case 0x017D: return 0x8E;
    case 0x2018: return 0x91;
    case 0x2019: return 0x92;
    case 0x201C: return 0x93;
    case 0x201D: return 0x94;
    case 0x2022: return 0x95;
    case 0x2013: return 0x96;
    case 0x2014: return 0x97;
    case 0x02DC: return 0x98;
    case 0x2122: return 0x99;
    case 0x0161: return 0x9A;
    case 0x203A: return 0x9B;
    case 0x0153: return 0x9C;
    case 0x017E: return 0x9E;
    case 0x0178: return 0x9F;
    default: return '?';
    }
}

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the UTF-8 character at in[i] (a byte >= 0x80). Returns the number of
// bytes it takes, or 0 when the byte does not start a well-formed sequence
// (overlong forms, surrogates and values above U+10FFFF included).
size_t DecodeUtf8(const unsigned char* in, size_t n, size_t i, uint32_t& cp) {
    unsigned char b0 = in[i];
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n - i < len) return 0;
    if (in[i + 1] < lo || in[i + 1] > hi) return 0;
    for (size_t k = 1; k < len; ++k) {
        if (!IsContinuation(in[i + k])) return 0;
        cp = (cp << 6) | (in[i + k] & 0x3F);
    }
    return len;
}

// Converts UTF-8 to Windows-1252 into `out`, writing at most `limit` bytes.
// Returns the number of characters, or limit + 1 when the text has more.
size_t ConvertText(const unsigned char* in, size_t n, unsigned char* out, size_t limit) {
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    size_t count = 0;
    size_t i = 0;
    while (i < n) {
        // A run of ASCII, eight bytes at a time, copied in one piece.
        size_t j = i;
        while (n - j >= 8) {
            uint64_t word;
            std::memcpy(&word, in + j, 8);
            if (word & kHighBits) break;
            j += 8;
        }
        while (j < n && in[j] < 0x80) ++j;
        size_t run = j - i;
        if (run > limit - count) return limit + 1;
        std::memcpy(out + count, in + i, run);
        count += run;
        i = j;
        if (i == n) break;
        // One character outside ASCII; an invalid byte stands for itself.
        uint32_t cp = 0;
        size_t len = DecodeUtf8(in, n, i, cp);
        unsigned char code = len ? Windows1252Code(cp) : static_cast<unsigned char>('?');
        i += len ? len : 1;
        if (count == limit) return limit + 1;
        out[count++] = code;
    }
    return count;
}

// Converts the text and checks it holds at most `limit` characters.
bool ConvertLimited(const std::string& utf8, size_t limit, std::string& out) {
    out = ExcelFile::ToWindows1252(utf8);
    return out.size() <= limit;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads a decimal number ("12", "-1.5", "+.5e3"), blanks around it allowed, with
// '.' as decimal point whatever the locale. 0 on success, else the status.
int16_t ParseNumber(const std::string& text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first < last && IsBlank(*first)) ++first;
    while (last > first && IsBlank(last[-1])) --last;
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    // Digits or a point must follow: no "inf", "nan", or a second sign.
    if (first == last || !((*first >= '0' && *first <= '9') || *first == '.'))
        return kStatusTypeMismatch;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) return kStatusOutOfRange;
    if (ec != std::errc() || end != last) return kStatusTypeMismatch;
    if (negative) value = -value;
    return kStatusOk;
}

// Rounds to the nearest integer, a half to the even neighbour, and checks that
// the result fits 16 signed bits.
int16_t RoundToInt16(double v, int16_t& result) {
    if (!std::isfinite(v)) return kStatusOutOfRange;
    double below = std::floor(v);
    double fraction = v - below;
    double r = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) r = below + 1.0;
    if (r < -32768.0 || r > 32767.0) return kStatusOutOfRange;
    result = static_cast<int16_t>(r);
    return kStatusOk;
}

}  // namespace

std::string ExcelFile::ToWindows1252(std::string_view utf8) {
    std::string out(utf8.size(), '\0');  // never more characters than bytes
    size_t count = ConvertText(reinterpret_cast<const unsigned char*>(utf8.data()),
                               utf8.size(), reinterpret_cast<unsigned char*>(out.data()),
                               out.size());
    out.resize(count);
    return out;
}

bool ExcelFile::LosesCharacters(std::string_view utf8) {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        if (in[i] < 0x80) {
            ++i;
            continue;
        }
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(in, n, i, cp);
        if (len == 0 || Windows1252Code(cp) == '?') return true;
        i += len;
    }
    return false;
}

ExcelFile::ExcelFile() = default;

ExcelFile::~ExcelFile() { Abandon(); }

// Gives up the open file, unfinished: what CreateFile(FileName) opened is removed
// unplaced, an output handed over is only let go.
void ExcelFile::Abandon() {
    if (!open_) return;
    fd_ = -1;
    output_ = nullptr;
    ownOutput_.reset();
    open_ = false;
    tailQueued_ = false;
    used_ = 0;
}

int16_t ExcelFile::SystemFailure(int error, FileStep step) {
    fileProblem_ = files::FromErrno(error);
    return StatusFromErrno(error, step);
}

int16_t ExcelFile::Flush() {
    size_t done = 0;
    int16_t status = kStatusOk;
    while (done < used_) {
        ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            status = n < 0 ? SystemFailure(errno, Step::Write) : SystemFailure(EIO, Step::Write);
            break;
        }
    }
    if (done > 0) {
        std::memmove(buffer_.data(), buffer_.data() + done, used_ - done);
        used_ -= done;
    }
    return status;
}

unsigned char* ExcelFile::Reserve(size_t size, int16_t& status) {
    if (kBufferSize - used_ < size) {
        status = Flush();
        if (status != kStatusOk) return nullptr;
    }
    status = kStatusOk;
    return buffer_.data() + used_;
}

int16_t ExcelFile::Append(const unsigned char* data, size_t size) {
    int16_t status;
    unsigned char* p = Reserve(size, status);
    if (!p) return status;
    std::memcpy(p, data, size);
    Commit(size);
    return kStatusOk;
}

int16_t ExcelFile::AppendWithText(const unsigned char* head, size_t headSize,
                                  const std::string& text) {
    int16_t status;
    unsigned char* p = Reserve(headSize + text.size(), status);
    if (!p) return status;
    std::memcpy(p, head, headSize);
    std::memcpy(p + headSize, text.data(), text.size());
    Commit(headSize + text.size());
    return kStatusOk;
}

int16_t ExcelFile::CreateFile(const std::string& FileName) {
    // An earlier file still open is given up, unfinished.
    Abandon();
    fileName_ = FileName;
    fileProblem_ = {};
    ownOutput_ = files::Output::Open(FileName, {}, fileProblem_);
    if (!ownOutput_) {
        if (fileProblem_.error != 0) return StatusFromErrno(fileProblem_.error, Step::Open);
        return kStatusPathAccess;  // a target the rules refuse (a folder, a read-only file ...)
    }
    output_ = ownOutput_.get();
    return Start();
}

int16_t ExcelFile::CreateFile(files::Output& output) {
    Abandon();
    fileName_ = output.path();
    fileProblem_ = {};
    output_ = &output;
    return Start();
}

int16_t ExcelFile::Start() {
    lastHandle_ = static_cast<int16_t>(lastHandle_ == INT16_MAX ? 1 : lastHandle_ + 1);
    FileNumber = lastHandle_;
    fd_ = output_->fd();
    open_ = true;
    tailQueued_ = false;
    pendingError_ = kStatusOk;
    used_ = 0;
    if (buffer_.size() != kBufferSize) buffer_.resize(kBufferSize);

    Append(kFileStart, sizeof kFileStart);
    WriteDefaultFormats();
    // Written at once, so that a file that cannot be written shows here already.
    int16_t status = Flush();
    if (status != kStatusOk) return status;
    PageBreaks.clear();
    return kStatusOk;
}

int16_t ExcelFile::WriteDefaultFormats() {
    if (!open_) return kStatusNoFile;
    unsigned char block[6 + std::size(kDefaultFormats) * (5 + 255)];
    unsigned char* p = block;
    PutFrame(p, kRecFormatCount, 2);
    Put16(p + 4, kHighestFormatIndex);
    p += 6;
    for (const char* format : kDefaultFormats) {
        size_t length = std::strlen(format);
        PutFrame(p, kRecFormat, static_cast<uint32_t>(length + 1));
        p[4] = static_cast<unsigned char>(length);
        std::memcpy(p + 5, format, length);
        p += 5 + length;
    }
    return Append(block, static_cast<size_t>(p - block));
}

int16_t ExcelFile::InsertHorizPageBreak(int32_t lrow) {
    uint16_t row;
    if (!CellIndex(lrow, row)) return kStatusOutOfRange;
    if (PageBreaks.size() >= kMaxPageBreaks) return kStatusOutOfRange;
    PageBreaks.push_back(row);
    return kStatusOk;
}

int16_t ExcelFile::CloseFile() {
    if (FileNumber == 0) return kStatusOk;
    if (!open_) return kStatusNoFile;

    if (!tailQueued_) {
        size_t count = PageBreaks.size();
        size_t size = (count > 0 ? 6 + 2 * count : 0) + sizeof kEof;
        int16_t status;
        unsigned char* p = Reserve(size, status);
        if (!p) return status;
        if (count > 0) {
            // Ascending row order; a row given twice keeps both entries.
            std::sort(PageBreaks.begin(), PageBreaks.end());
            PutFrame(p, kRecPageBreaks, static_cast<uint32_t>(2 + 2 * count));
            Put16(p + 4, static_cast<uint32_t>(count));
            for (size_t k = 0; k < count; ++k) Put16(p + 6 + 2 * k, PageBreaks[k]);
            p += 6 + 2 * count;
        }
        std::memcpy(p, kEof, sizeof kEof);
        Commit(size);
        tailQueued_ = true;
    }

    // On failure the file stays open without its tail written; a later CloseFile
    // tries again.
    int16_t status = Flush();
    if (status != kStatusOk) return status;

    // The file is complete; one that CreateFile(FileName) opened takes its name now.
    if (ownOutput_ && !ownOutput_->Commit(fileProblem_)) {
        status = fileProblem_.error != 0 ? StatusFromErrno(fileProblem_.error, Step::Write) : int16_t{kStatusIoError};
        Abandon();
        return status;
    }
    ownOutput_.reset();
    output_ = nullptr;
    fd_ = -1;
    open_ = false;
    tailQueued_ = false;
    // A setting record that could not be written is missing from the file.
    status = pendingError_;
    pendingError_ = kStatusOk;
    return status;
}

int16_t ExcelFile::WriteValue(int32_t ValueType, int32_t CellFontUsed, int32_t Alignment,
                              int32_t HiddenLocked, int32_t lrow, int32_t lcol,
                              const CellValue& value, int32_t CellFormat) {
    uint16_t row, col;
    if (!CellIndex(lrow, row) || !CellIndex(lcol, col)) return kStatusOutOfRange;
    if (ValueType < 0 || ValueType > 2) return kStatusOk;

    const int64_t formatAndFont = int64_t{CellFormat} + CellFontUsed;
    auto attributesFit = [&] {
        return InRange(HiddenLocked, 0, 255) && InRange(formatAndFont, 0, 255) &&
               InRange(Alignment, 0, 255);
    };
    auto putHead = [&](unsigned char* p, uint16_t id, uint32_t length) {
        PutFrame(p, id, length);
        Put16(p + 4, row);
        Put16(p + 6, col);
        p[8] = static_cast<unsigned char>(HiddenLocked);
        p[9] = static_cast<unsigned char>(formatAndFont);
        p[10] = static_cast<unsigned char>(Alignment);
    };

    if (ValueType == 2) {
        // The text goes straight into the buffer when there is room for the
        // longest label; it only counts once the record is committed.
        unsigned char scratch[kMaxShortText];
        constexpr size_t kLongestLabel = 12 + kMaxShortText;
        unsigned char* text = (open_ && kBufferSize - used_ >= kLongestLabel)
                                  ? buffer_.data() + used_ + 12
                                  : scratch;
        size_t length;
        if (const std::string* s = std::get_if<std::string>(&value)) {
            length = ConvertText(reinterpret_cast<const unsigned char*>(s->data()), s->size(),
                                 text, kMaxShortText);
            if (length > kMaxShortText) return kStatusOutOfRange;
        } else {
            char digits[32];
            auto r = std::to_chars(digits, digits + sizeof digits, std::get<double>(value),
                                   std::chars_format::general, 15);
            length = static_cast<size_t>(r.ptr - digits);
            std::memcpy(text, digits, length);
        }
        if (!attributesFit()) return kStatusOutOfRange;
        if (!open_) return kStatusNoFile;
        unsigned char* p;
        if (text == scratch) {
            int16_t status;
            p = Reserve(12 + length, status);
            if (!p) return status;
            std::memcpy(p + 12, scratch, length);
        } else {
            p = buffer_.data() + used_;
        }
        putHead(p, kRecLabel, static_cast<uint32_t>(8 + length));
        p[11] = static_cast<unsigned char>(length);
        Commit(12 + length);
        return kStatusOk;
    }

    if (!attributesFit()) return kStatusOutOfRange;
    double number;
    if (const std::string* s = std::get_if<std::string>(&value)) {
        int16_t status = ParseNumber(*s, number);
        if (status != kStatusOk) return status;
    } else {
        number = std::get<double>(value);
    }

    if (ValueType == 0) {
        int16_t integer;
        int16_t status = RoundToInt16(number, integer);
        if (status != kStatusOk) return status;
        // Readers take the INTEGER record's value as unsigned (-1 would show as
        // 65535), so a negative whole number goes into a NUMBER record below.
        if (integer >= 0) {
            if (!open_) return kStatusNoFile;
            unsigned char* p = Reserve(13, status);
            if (!p) return status;
            putHead(p, kRecInteger, 9);
            Put16(p + 11, static_cast<uint16_t>(integer));
            Commit(13);
            return kStatusOk;
        }
        number = integer;
    }

    if (!open_) return kStatusNoFile;
    int16_t status;
    unsigned char* p = Reserve(19, status);
    if (!p) return status;
    putHead(p, kRecNumber, 15);
    PutDouble(p + 11, number);
    Commit(19);
    return kStatusOk;
}

int16_t ExcelFile::SetMargin(int32_t Margin, double MarginValue) {
    if (!InRange(Margin, -32768, 32767)) return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char rec[12];
    PutFrame(rec, static_cast<uint16_t>(Margin), 8);
    PutDouble(rec + 4, MarginValue);
    return Append(rec, sizeof rec);
}

int32_t ExcelFile::SetColumnWidth(uint8_t FirstColumn, uint8_t LastColumn, int16_t WidthValue) {
    int32_t width;
    if (FirstColumn < 1 || LastColumn < 1 || !Scaled16(WidthValue, 256, width))
        return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char rec[8];
    PutFrame(rec, kRecColWidth, 4);
    rec[4] = static_cast<unsigned char>(FirstColumn - 1);
    rec[5] = static_cast<unsigned char>(LastColumn - 1);
    Put16(rec + 6, static_cast<uint32_t>(width));
    return Append(rec, sizeof rec);
}

int16_t ExcelFile::SetFont(const std::string& FontName, int16_t FontHeight, int32_t FontFormat) {
    int32_t height;
    if (!Scaled16(FontHeight, 20, height) || !InRange(FontFormat, 0, 255))
        return kStatusOutOfRange;
    std::string name;
    if (!ConvertLimited(FontName, kMaxShortText, name)) return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char head[9];
    PutFrame(head, kRecFont, static_cast<uint32_t>(5 + name.size()));
    Put16(head + 4, static_cast<uint32_t>(height));
    head[6] = static_cast<unsigned char>(FontFormat);
    head[7] = 0;
    head[8] = static_cast<unsigned char>(name.size());
    return AppendWithText(head, sizeof head, name);
}

namespace {
// HEADER and FOOTER share one layout: a count byte, then the text.
template <typename AppendFn>
int16_t WriteCountedText(bool open, uint16_t id, const std::string& utf8, AppendFn append) {
    std::string text;
    if (!ConvertLimited(utf8, kMaxShortText, text)) return kStatusOutOfRange;
    if (!open) return kStatusNoFile;
    unsigned char head[5];
    PutFrame(head, id, static_cast<uint32_t>(1 + text.size()));
    head[4] = static_cast<unsigned char>(text.size());
    return append(head, sizeof head, text);
}
}  // namespace

int16_t ExcelFile::SetHeader(const std::string& HeaderText) {
    return WriteCountedText(open_, kRecHeader, HeaderText,
                            [this](const unsigned char* h, size_t n, const std::string& t) {
                                return AppendWithText(h, n, t);
                            });
}

int16_t ExcelFile::SetFooter(const std::string& FooterText) {
    return WriteCountedText(open_, kRecFooter, FooterText,
                            [this](const unsigned char* h, size_t n, const std::string& t) {
                                return AppendWithText(h, n, t);
                            });
}

int16_t ExcelFile::SetFilePassword(const std::string& PasswordText) {
    std::string password;
    if (!ConvertLimited(PasswordText, kMaxPassword, password)) return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char head[4];
    PutFrame(head, kRecFilePass, static_cast<uint32_t>(password.size()));
    return AppendWithText(head, sizeof head, password);
}

// The property setters cannot report a failure; one is kept for CloseFile.
void ExcelFile::WriteSetting(uint16_t id, bool flag) {
    if (!open_) return;
    unsigned char rec[6];
    PutFrame(rec, id, 2);
    Put16(rec + 4, flag ? 1 : 0);
    int16_t status = Append(rec, sizeof rec);
    if (status != kStatusOk && pendingError_ == kStatusOk) pendingError_ = status;
}

void ExcelFile::PrintGridLines(bool newvalue) { WriteSetting(kRecGridLines, newvalue); }

void ExcelFile::ProtectSpreadsheet(bool newvalue) { WriteSetting(kRecProtect, newvalue); }

std::string ExcelFile::MKI(int16_t value) {
    uint16_t bits = static_cast<uint16_t>(value);
    return std::string{static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
}

int32_t ExcelFile::SetDefaultRowHeight(int16_t HeightValue) {
    int32_t height;
    if (!Scaled16(HeightValue, 20, height)) return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char rec[6];
    PutFrame(rec, kRecDefaultRowHeight, 2);
    Put16(rec + 4, static_cast<uint32_t>(height));
    return Append(rec, sizeof rec);
}

int32_t ExcelFile::SetRowHeight(int32_t lrow, int16_t HeightValue) {
    uint16_t row;
    int32_t height;
    if (!CellIndex(lrow, row) || !Scaled16(HeightValue, 20, height)) return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    // Columns 0..255, no default attributes (the three bytes are written anyway).
    unsigned char rec[20] = {};
    PutFrame(rec, kRecRow, 16);
    Put16(rec + 4, row);
    Put16(rec + 8, 256);
    Put16(rec + 10, static_cast<uint32_t>(height));
    return Append(rec, sizeof rec);
}

int16_t ExcelFile::SetCellStyle(int32_t FontIndex, int32_t CellFormat, int32_t Alignment,
                                int32_t HiddenLocked) {
    const int64_t formatAndProtection = int64_t{CellFormat} + HiddenLocked;
    if (!InRange(FontIndex, 0, 255) || !InRange(CellFormat, 0, 63) ||
        !InRange(Alignment, 0, 255) || !InRange(HiddenLocked, 0, 255) ||
        !InRange(formatAndProtection, 0, 255))
        return kStatusOutOfRange;
    if (!open_) return kStatusNoFile;
    unsigned char rec[8];
    PutFrame(rec, kRecXf, 4);
    rec[4] = static_cast<unsigned char>(FontIndex);
    rec[5] = 0;
    rec[6] = static_cast<unsigned char>(formatAndProtection);
    rec[7] = static_cast<unsigned char>(Alignment);
    return Append(rec, sizeof rec);
}

}  // namespace tallowby
