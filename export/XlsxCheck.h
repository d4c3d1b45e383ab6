// Reading a finished workbook back before it takes the target's place: libxlsxwriter
// copies each sheet's rows into the package when the workbook is closed, without
// telling of a write that failed there (a full disk), so a package can look whole
// and miss rows. The check opens the package (minizip), reads every sheet whole
// (which checks each part's CRC) and counts its rows.
#pragma once

#include "files/Problem.h"

#include <cstdint>
#include <vector>

namespace tallowby {

// True when the package in `fd` (read from offset 0) holds sheet1.xml, sheet2.xml ...
// complete, each with the expected number of rows (the header row included).
bool CheckWorkbook(int fd, const std::vector<std::int64_t>& rowsPerSheet, files::Problem& problem);

} // namespace tallowby
