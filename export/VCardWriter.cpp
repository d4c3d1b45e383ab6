#include "export/VCardWriter.h"

#include "export/Utf8.h"

#include <charconv>

namespace tallowby::vcard {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void AppendNumber(std::string& out, int value, int digits) {
    char buffer[16];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value < 0 ? 0 : value);
    for (int pad = digits - static_cast<int>(end - buffer); pad > 0; --pad) out += '0';
    out.append(buffer, end);
}

} // namespace

bool AppendEscaped(std::string& out, std::string_view text, bool semicolons) {
    bool changed = false;
    for (std::size_t i = 0; i < text.size();) {
        // A run of characters that stand as they are goes in at once.
        std::size_t plain = i;
        while (plain < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[plain]);
            if (c < 0x20 || c >= 0x7F || c == '\\' || c == ',' || (c == ';' && semicolons)) break;
            ++plain;
        }
        out.append(text, i, plain - i);
        i = plain;
        if (i == text.size()) break;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            uint32_t code = 0;
            const std::size_t length = DecodeUtf8At(text, i, code);
            if (code == kInvalidUtf8) {
                out += "\xEF\xBF\xBD";
                changed = true;
            } else {
                out.append(text, i, length);
            }
            i += length;
            continue;
        }
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\n': out += "\\n"; break;
        case '\r':
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one line break
            break;
        case '\t': out += '\t'; break;
        default: changed = true;  // a control character: no content line carries it
        }
        ++i;
    }
    return changed;
}

bool IsPlainUri(std::string_view value) {
    if (value.empty()) return false;
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || c == '"' || c == '\\' || c == ',' || c == ';' || c == '<' || c == '>') return false;
    }
    for (std::size_t i = 0; i < value.size();) {
        uint32_t code = 0;
        i += DecodeUtf8At(value, i, code);
        if (code == kInvalidUtf8) return false;
    }
    return true;
}

bool LooksLikeEmail(std::string_view value) {
    const std::size_t at = value.find('@');
    if (at == 0 || at == std::string_view::npos || value.find('@', at + 1) != std::string_view::npos) return false;
    const std::string_view domain = value.substr(at + 1);
    const std::size_t dot = domain.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == domain.size() || domain.find("..") != domain.npos)
        return false;
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || c == '"' || c == '\\' || c == ',' || c == ';' || c == '<' || c == '>' ||
            c == '(' || c == ')' || c == '[' || c == ']' || c == ':')
            return false;
    }
    return domain.find('/') == std::string_view::npos;
}

std::string MailtoUri(std::string_view address) {
    std::string uri = "mailto:";
    for (const char ch : address) {
        if (IsAlnum(ch) || std::string_view("-._~@!$&'*+=").find(ch) != std::string_view::npos) {
            uri += ch;
        } else {
            const unsigned char c = static_cast<unsigned char>(ch);
            uri += '%';
            uri += kUpperHex[c >> 4];
            uri += kUpperHex[c & 15];
        }
    }
    return uri;
}

std::string UuidUrn(std::string_view unid) {
    if (unid.size() != 32) return {};
    std::string urn = "urn:uuid:";
    for (std::size_t i = 0; i < 32; ++i) {
        if (!IsHexDigit(unid[i])) return {};
        if (i == 8 || i == 12 || i == 16 || i == 20) urn += '-';
        const char c = unid[i];
        urn += (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return urn;
}

std::string NotesPropertyName(std::string_view item) {
    std::string name = "X-NOTES-";
    uint32_t code = 0;
    for (std::size_t i = 0; i < item.size();) {
        const char c = item[i];
        if (c >= 'a' && c <= 'z') name += static_cast<char>(c - 'a' + 'A');
        else if (IsAlnum(c) || c == '-') name += c;
        else name += '-';
        i += static_cast<unsigned char>(c) < 0x80 ? 1 : DecodeUtf8At(item, i, code);  // one "-" a character
    }
    return name;
}

std::string DateValue(const NotesDateTime& date, int version) {
    std::string text;
    AppendNumber(text, date.year, 4);
    if (version == 3) text += '-';
    AppendNumber(text, date.month, 2);
    if (version == 3) text += '-';
    AppendNumber(text, date.day, 2);
    return text;
}

std::string IsoText(const NotesDateTime& value) {
    std::string text;
    if (value.year != 0 || !value.hasTime) {
        text = DateValue(value, 3);
        if (!value.hasTime) return text;
    }
    text += 'T';
    AppendNumber(text, value.hour, 2);
    text += ':';
    AppendNumber(text, value.minute, 2);
    text += ':';
    AppendNumber(text, value.second, 2);
    return text;
}

std::string UtcStamp(const NotesDateTime& utc) {
    std::string text = DateValue(utc, 4);
    text += 'T';
    AppendNumber(text, utc.hour, 2);
    AppendNumber(text, utc.minute, 2);
    AppendNumber(text, utc.second, 2);
    text += 'Z';
    return text;
}

bool IsCalendarDate(const NotesDateTime& date) {
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) return false;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    return date.day <= (date.month == 2 && !leap ? 28 : kDays[date.month - 1]);
}

bool ParseIsoDate(std::string_view text, NotesDateTime& date) {
    const bool extended = text.size() == 10 && text[4] == '-' && text[7] == '-';
    if (!extended && text.size() != 8) return false;
    const auto number = [&](std::size_t from, std::size_t length, int& out) {
        const auto [end, ec] = std::from_chars(text.data() + from, text.data() + from + length, out);
        return ec == std::errc() && end == text.data() + from + length && text[from] != '-' && text[from] != '+';
    };
    NotesDateTime parsed;
    if (!number(0, 4, parsed.year) || !number(extended ? 5 : 4, 2, parsed.month) ||
        !number(extended ? 8 : 6, 2, parsed.day) || !IsCalendarDate(parsed))
        return false;
    date = parsed;
    return true;
}

std::vector<std::string> ItemTexts(const NotesItem& item, bool zeroIsEmpty) {
    std::vector<std::string> texts;
    const TextRule rule{false, zeroIsEmpty, true};
    const auto add = [&](const NotesValue& value, const NotesValues& alone) {
        const auto* date = std::get_if<NotesDateTime>(&value);
        std::string text = date ? IsoText(*date) : ValueText(alone, rule, item.kind);
        if (!text.empty()) texts.push_back(std::move(text));
    };
    if (item.values.size() == 1) {
        add(item.values.front(), item.values);  // most items hold one value: no copy of it
    } else {
        texts.reserve(item.values.size());
        for (const NotesValue& value : item.values) add(value, NotesValues{value});
    }
    return texts;
}

void CardText::Start(std::string_view name, std::string_view params) {
    start_ = out_.size();
    out_ += name;
    if (!params.empty()) {
        out_ += ';';
        out_ += params;
    }
    out_ += ':';
}

void CardText::Escape(std::string_view text, bool compound) {
    if (AppendEscaped(out_, text, semicolons_ || compound)) ++dropped_;
}

// The logical line was written to the buffer as it is; one longer than 75 octets is
// folded there: at most 75 octets a line, the leading space of a continuation counted;
// never inside a UTF-8 sequence nor between a backslash and the character it escapes.
void CardText::Finish() {
    if (out_.size() - start_ > kMaxLineOctets) {
        line_.assign(out_, start_, std::string::npos);
        out_.resize(start_);
        std::string_view rest = line_;
        std::size_t room = kMaxLineOctets;
        while (rest.size() > room) {
            std::size_t cut = room;
            while (cut > 1 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) --cut;
            std::size_t slashes = 0;
            while (slashes < cut && rest[cut - 1 - slashes] == '\\') ++slashes;
            if (slashes % 2 == 1) --cut;
            out_.append(rest.substr(0, cut));
            out_ += "\r\n ";
            rest.remove_prefix(cut);
            room = kMaxLineOctets - 1;
        }
        out_.append(rest);
    }
    out_ += "\r\n";
}

void CardText::Raw(std::string_view name, std::string_view params, std::string_view value) {
    Start(name, params);
    out_ += value;
    Finish();
}

void CardText::Text(std::string_view name, std::string_view params, std::string_view value) {
    Start(name, params);
    Escape(value);
    Finish();
}

void CardText::List(std::string_view name, std::string_view params, const std::vector<std::string>& values) {
    Start(name, params);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out_ += ',';
        Escape(values[i]);
    }
    Finish();
}

void CardText::Structured(std::string_view name, std::string_view params,
                          const std::vector<const std::vector<std::string>*>& components) {
    Start(name, params);
    for (std::size_t c = 0; c < components.size(); ++c) {
        if (c > 0) out_ += ';';
        if (components[c] == nullptr) continue;
        const std::vector<std::string>& values = *components[c];
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) out_ += ',';
            Escape(values[i], true);
        }
    }
    Finish();
}

} // namespace tallowby::vcard
