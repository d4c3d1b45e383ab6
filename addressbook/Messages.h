// Texts and titles of the message boxes that the scan and the export show.
#pragma once

#include <string>

namespace tallowby {

inline constexpr const char* kCompanyTitle = "Corvane Software";
inline constexpr const char* kNotInstalledTitle = "Notes Not Installed/Configured";
inline constexpr const char* kConversionTitle = "Conversion Completed...";
inline constexpr const char* kScanCompleted = "Notes Address Book Scan Completed";
inline constexpr const char* kNotAddressBook =
    "Lotus Notes not configured or the selected file is not a correct notes address book file.";
inline constexpr const char* kSupportAddress = "support@corvane.example";

// The eight lines of the not-installed message joined by CR LF.
std::string NotInstalledMessage();

} // namespace tallowby
