// The web addresses of the product site, all built from the one home page address.
#pragma once

#include <string>

namespace tallowby {

// The home page, without a trailing "/": the footer's and the About box's caption.
inline constexpr const char* kHomePageAddress = "https://www.corvane.example";

// What the footer link opens: the home page address followed by "/".
std::string HomePageLink();

// What "Visit Website" and the conversion window's OK open: home page + "/tallowby".
std::string ProductPage();

// True for a text that names a web address or another URL ("https://...",
// "mailto:..."); false for a file path, which the shell opens as a local file.
bool IsWebAddress(const std::string& text);

} // namespace tallowby
