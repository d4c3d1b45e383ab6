#include "ui/PathInput.h"
#include "addressbook/AsciiCase.h"

namespace tallowby {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%2F" and the like as bytes; a "%" without two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::string NormalisedPath(std::string_view text, std::string_view home) {
    text = Trimmed(text);
    if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
        text = Trimmed(text.substr(1, text.size() - 2));
    if (StartsWithIgnoringAsciiCase(text, "file:")) {
        std::string_view rest = text.substr(5);
        if (rest.starts_with("//")) {
            rest.remove_prefix(2);
            const std::size_t slash = rest.find('/');
            const std::string_view host = rest.substr(0, slash);
            const bool thisComputer = host.empty() || (host.size() == 9 && StartsWithIgnoringAsciiCase(host, "localhost"));
            if (slash == std::string_view::npos || !thisComputer)
                return std::string(text);  // another computer's file: not one of this one
            rest.remove_prefix(slash);
        }
        if (!rest.starts_with('/')) return std::string(text);
        // The query and the fragment are no part of the path ("#" in a name is "%23").
        rest = rest.substr(0, rest.find_first_of("?#"));
        return PercentDecoded(rest);
    }
    if (text == "~" || text.starts_with("~/")) {
        std::string path(home);
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (text.size() > 1) {
            if (path == "/") path.clear();
            path += text.substr(1);
        }
        return path;
    }
    return std::string(text);
}

} // namespace tallowby
