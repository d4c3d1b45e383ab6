#include "export/Utf8.h"

namespace tallowby {

std::size_t DecodeUtf8At(std::string_view text, std::size_t pos, uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    uint32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, min = 0x80, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, min = 0x800, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, min = 0x10000, code = lead & 0x07;
    bool ok = length > 0 && pos + length <= text.size();
    for (std::size_t i = 1; ok && i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        ok = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
    }
    if (!ok || code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        code = kInvalidUtf8;
        return 1;
    }
    return length;
}

std::size_t Utf8Prefix(std::string_view text, std::size_t limit, bool& longer) {
    std::size_t pos = 0, chars = 0;
    uint32_t code = 0;
    while (pos < text.size()) {
        if (chars == limit) {
            longer = true;
            return pos;
        }
        pos += DecodeUtf8At(text, pos, code);
        ++chars;
    }
    longer = false;
    return pos;
}

} // namespace tallowby
