#include "ui/WebLinks.h"

#include <cctype>

namespace tallowby {

#ifndef TALLOWBY_HOME_PAGE
#define TALLOWBY_HOME_PAGE ""
#endif
#ifndef TALLOWBY_PRODUCT_PAGE
#define TALLOWBY_PRODUCT_PAGE ""
#endif

std::string HomePageAddress() {
    std::string address = TALLOWBY_HOME_PAGE;
    while (!address.empty() && address.back() == '/') address.pop_back();
    return address;
}

std::string HomePageLink() { return HomePageLink(HomePageAddress()); }

std::string HomePageLink(std::string_view homePage) {
    while (!homePage.empty() && homePage.back() == '/') homePage.remove_suffix(1);
    return homePage.empty() ? std::string() : std::string(homePage) + "/";
}

std::string ProductPage() { return TALLOWBY_PRODUCT_PAGE; }

bool IsWebAddress(const std::string& text) {
    // A URL scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
    // One letter before ":" is a drive letter, not a scheme; a path such as
    // "/home/a:b" never starts with a letter.
    std::size_t i = 0;
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || c == '+' || c == '-' || c == '.') {
            ++i;
            continue;
        }
        break;
    }
    if (i >= text.size() || text[i] != ':' || i < 2) return false;
    const std::string scheme = text.substr(0, i);
    // "file:" URLs, web addresses and mail links; a relative file name with a colon
    // ("notes:old.dxl") has no "//" and is not one of the schemes without it.
    if (text.compare(i, 3, "://") == 0) return true;
    std::string lower;
    for (char c : scheme) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "mailto" || lower == "tel";
}

} // namespace tallowby
