// The product's web addresses. They are a setting of the build (the CMake cache
// variables TALLOWBY_HOME_PAGE and TALLOWBY_PRODUCT_PAGE), empty unless a build sets
// them: a product without a web site shows no web link and opens no web page.
#pragma once

#include <string>
#include <string_view>

namespace tallowby {

// The home page as the build set it, without a trailing "/": the footer's and the
// About box's caption; "" when the build has none.
std::string HomePageAddress();

// What the footer link opens: the home page address followed by "/"; "" without one.
std::string HomePageLink();
std::string HomePageLink(std::string_view homePage);

// What "Visit Website" and the conversion window's OK open; "" when the build has none.
std::string ProductPage();

// True for a text that names a web address or another URL ("https://...",
// "mailto:..."); false for a file path, which the shell opens as a local file.
bool IsWebAddress(const std::string& text);

} // namespace tallowby
