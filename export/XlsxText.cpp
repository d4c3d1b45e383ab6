#include "export/XlsxText.h"

#include "export/Utf8.h"

namespace tallowby {

namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// "_x" four hex digits "_" at pos.
bool IsEscapeLike(std::string_view value, std::size_t pos) {
    if (pos + 7 > value.size() || value[pos + 1] != 'x' || value[pos + 6] != '_') return false;
    for (std::size_t i = pos + 2; i < pos + 6; ++i)
        if (!IsHex(value[i])) return false;
    return true;
}

} // namespace

std::vector<std::string_view> XlsxRuns(std::string_view text) {
    std::vector<std::string_view> runs;
    std::size_t start = 0;
    for (std::size_t at = text.find("_x"); at != std::string_view::npos; at = text.find("_x", at + 1)) {
        if (!IsEscapeLike(text, at)) continue;
        runs.push_back(text.substr(start, at + 1 - start));  // up to and with the underscore
        start = at + 1;
    }
    if (runs.empty()) return runs;
    runs.push_back(text.substr(start));
    return runs;
}

const std::string& PrepareXlsxText(const std::string& value, std::string& scratch, XlsxCell& cell) {
    // Most values are short printable ASCII on one line: stored as they are.
    if (value.size() <= kXlsxCellUnits) {
        bool plain = true;
        for (const char c : value) plain &= static_cast<unsigned char>(c - 0x20) < 0x5F;
        if (plain) {
            cell.widest = value.size();
            return value;
        }
    }
    bool copying = false;
    const auto copyUpTo = [&](std::size_t end) {
        if (!copying) scratch.assign(value, 0, end);
        copying = true;
    };
    std::size_t units = 0, line = 0;
    const std::size_t size = value.size();
    for (std::size_t pos = 0; pos < size;) {
        uint32_t code = static_cast<unsigned char>(value[pos]);
        const std::size_t length = code < 0x80 ? 1 : DecodeUtf8At(value, pos, code);
        const char* replacement = nullptr;
        if (code == '\r') {
            copyUpTo(pos);
            if (pos + 1 < size && value[pos + 1] == '\n') {  // the LF that follows stays
                ++pos;
                continue;
            }
            code = '\n';
            replacement = "\n";
        } else if ((code < 0x20 && code != '\t' && code != '\n') || code == 0xFFFE || code == 0xFFFF) {
            copyUpTo(pos);
            cell.dropped = true;
            pos += length;
            continue;
        } else if (code == kInvalidUtf8) {
            copyUpTo(pos);
            cell.dropped = true;
            code = 0xFFFD;
            replacement = "\xEF\xBF\xBD";
        }
        const std::size_t width = code > 0xFFFF ? 2 : 1;
        if (units + width > kXlsxCellUnits) {
            copyUpTo(pos);
            cell.shortened = true;
            break;
        }
        units += width;
        if (code == '\n') {
            cell.wraps = true;
            line = 0;
        } else if (++line > cell.widest) {
            cell.widest = line;
        }
        if (copying) {
            if (replacement != nullptr) scratch += replacement;
            else scratch.append(value, pos, length);
        }
        pos += length;
    }
    return copying ? scratch : value;
}

} // namespace tallowby
